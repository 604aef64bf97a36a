// Feeds arbitrary bytes to the directory file reader, the category tree
// loader and the tree walk, as any "libs/*.ypf" file may hold anything.
// A tree that was read must write back to data that walks to the same tree.
#include "client/pages/directory-choice.h"
#include "client/pages/directory-library.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace
{

std::size_t Depth(const rv::CategoryNode& node)
{
    std::size_t deepest = 0;
    for (const rv::CategoryNode& child : node.Children)
        deepest = std::max(deepest, Depth(child) + 1);
    return deepest;
}

void CheckRoundTrip(const rv::CategoryNode& tree)
{
    if (Depth(tree) > rv::MaxCategoryLevel + 1)
        __builtin_trap();
    if (Depth(tree) > rv::MaxCategoryLevel)
        return;
    rv::CategoryNode again;
    if (!rv::HandleTreeData(rv::WriteTreeData(tree), again) || again.Children != tree.Children)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    rv::CategoryNode walked;
    rv::HandleTreeData(bytes, walked);
    CheckRoundTrip(walked);

    const rv::DirectoryFile file = rv::ReadDirectoryFile(bytes, "fuzz.ypf");
    std::vector<rv::DirectoryProperty> merged;
    rv::MergeProperties(merged, file.Properties);
    rv::MergeProperties(merged, file.Properties);
    if (merged.size() > file.Properties.size())
        __builtin_trap();

    if (const std::optional<rv::CategoryNode> tree = rv::ReadCategoryTree(bytes))
    {
        CheckRoundTrip(*tree);
        rv::DirectoryChoice choice(rv::DefinitionSet{}, rv::MakeEntry(rv::EntryKind::Yahoo));
        choice.HandleTreeData(*tree, {"P"}, "https://b/");
        for (std::size_t i = 0; i < choice.Categories().size() && i < 8; ++i)
            choice.CategoriesListClick({i});
        rv::UnpackNames(choice.SetYahooList());
    }
    return 0;
}
