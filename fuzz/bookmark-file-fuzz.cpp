// Reads arbitrary bytes as a bookmark file, a link file and a shortcut file.
// Every tree must be drawable: it starts at the top level, no node lies more
// than one level below the one before it or below the deepest level, and
// no text is longer than the file it came from.
#include "client/pages/bookmark-file.h"
#include "client/pages/shortcut-import.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace
{

void CheckTree(const rv::BookmarkTree& tree, std::size_t size)
{
    if (tree.Ok == tree.Nodes.empty() || tree.Title.size() > size)
        std::abort();
    int previous = -1;
    for (const rv::BookmarkNode& node : tree.Nodes)
    {
        if (node.Depth < 0 || node.Depth > previous + 1 || node.Depth >= rv::MaxBookmarkDepth || node.Text.size() > size ||
            node.Address.size() > size)
            std::abort();
        previous = node.Depth;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckTree(rv::ReadBookmarkFile(text), size);
    const rv::BookmarkTree links = rv::ReadLinkFile(text);
    CheckTree(links, size);
    for (const rv::BookmarkNode& node : links.Nodes)
    {
        if (node.Depth != 0 || node.Address.empty())
            std::abort();
    }
    for (std::string_view name : {"a.url", "b.desktop"})
    {
        const std::optional<rv::Shortcut> shortcut = rv::ReadShortcut(name, text);
        if (shortcut && (shortcut->Address.empty() || shortcut->Address.size() > size))
            std::abort();
    }
    return 0;
}
