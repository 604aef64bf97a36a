#include "client/pages/category-tree.h"

#include "client/briefs/word-stream.h"
#include "store/rv-comp.h"

#include <algorithm>

namespace rv
{
namespace
{

enum TreeTag : std::uint16_t
{
    LevelTag = 5,
    NameTag = 6,
    AddressTag = 7,
};

// Where new nodes go: path[i] is the parent of the nodes at level i. A level
// entered before any node was made at the level above keeps the same parent.
class TreeWalk
{
public:
    explicit TreeWalk(CategoryNode& root) : path_{&root} {}

    void SetLevel(std::size_t level)
    {
        level = std::min(level, MaxCategoryLevel);
        while (path_.size() - 1 < level)
        {
            path_.push_back(last_ ? last_ : path_.back());
            last_ = nullptr;
        }
        while (path_.size() - 1 > level)
        {
            last_ = path_.back();
            path_.pop_back();
        }
    }

    void Add(const std::string& name, std::string_view addressPart)
    {
        std::vector<CategoryNode>& siblings = path_.back()->Children;
        siblings.push_back(CategoryNode{name, std::string(addressPart), {}});
        last_ = &siblings.back();
    }

private:
    std::vector<CategoryNode*> path_;
    CategoryNode* last_ = nullptr;
};

void WriteText(WordWriter& out, std::uint16_t tag, std::string_view text)
{
    out.Word(tag);
    out.Text(text);
}

void WriteLevel(WordWriter& out, std::size_t level)
{
    out.Word(LevelTag);
    out.Word(2);
    out.Word(static_cast<std::uint16_t>(level));
}

void WriteChildren(WordWriter& out, const CategoryNode& parent, std::size_t level)
{
    for (const CategoryNode& node : parent.Children)
    {
        WriteText(out, NameTag, node.Name);
        WriteText(out, AddressTag, node.AddressPart);
        if (!node.Children.empty())
        {
            WriteLevel(out, level + 1);
            WriteChildren(out, node, level + 1);
            WriteLevel(out, level);
        }
    }
}

} // namespace

bool HandleTreeData(std::string_view expanded, CategoryNode& root)
{
    WordReader in(expanded);
    TreeWalk walk(root);
    std::string name;
    while (!in.AtEnd())
    {
        std::uint16_t tag = 0;
        std::uint16_t first = 0;
        if (!in.Word(tag) || !in.Word(first))
        {
            return false;
        }
        if (tag == LevelTag)
        {
            std::uint16_t level = 0;
            if (!in.Word(level))
            {
                return false;
            }
            walk.SetLevel(level);
            continue;
        }
        std::string_view text;
        if (!in.Bytes(first, text))
        {
            return false;
        }
        if (tag == NameTag)
        {
            name.assign(text);
        }
        else if (tag == AddressTag)
        {
            walk.Add(name, text);
        }
    }
    return true;
}

std::string WriteTreeData(const CategoryNode& root)
{
    WordWriter out;
    if (!root.Children.empty())
    {
        WriteLevel(out, 1);
        WriteChildren(out, root, 1);
    }
    return out.Take();
}

std::optional<std::string> CompressTree(std::string_view expanded)
{
    const ALHandle compressor = newALPkCompressor(9, 15, 9);
    const ALHandle input = newALWinMemory("In", nullptr, 0);
    const ALHandle output = newALWinMemory("Out", nullptr, 0);
    ALStorageCreate(input, 0);
    ALStorageCreate(output, 0);
    ALStorageWriteBuffer(input, expanded.data(), static_cast<long>(expanded.size()));
    ALStorageClose(input);
    std::optional<std::string> compressed;
    if (ALCompress(compressor, input, output) == 0)
    {
        compressed.emplace(static_cast<std::size_t>(ALStorageGetSize(output)), '\0');
        ALStorageOpen(output);
        ALStorageReadBuffer(output, compressed->data(), static_cast<long>(compressed->size()));
    }
    ALStorageDelete(input);
    ALStorageClose(output);
    ALStorageDelete(output);
    deleteALCompressor(compressor);
    return compressed;
}

std::optional<std::string> ExpandTree(std::string_view compressed)
{
    std::optional<ExpandedBlock> block = ExpandBlock(compressed, MaxExpandedTreeBytes);
    if (!block)
    {
        return std::nullopt;
    }
    return std::move(block->bytes);
}

} // namespace rv
