// The category tree of a directory property: what the "Pick specific
// Categories:" tree shows. It is stored compressed in the property's
// directory file and expanded when the property is selected.
//
// Expanded layout: records of a 16-bit tag, little-endian, followed by
//   5  16-bit value (written as 2, not read), 16-bit level: the level of the
//      nodes that follow. Deeper than the current level: they are children
//      of the node made last. Shallower: back up to that level.
//   6  16-bit length, text: display name of the next node
//   7  16-bit length, text: the node's address part; makes the node under
//      the current parent with the name of the last tag 6
//   other: 16-bit length, data: skipped
// The walk starts at level 0 under the root, so top-level nodes follow a
// level-1 record.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

struct CategoryNode
{
    std::string Name;
    std::string AddressPart; // joined to the property's base address
    std::vector<CategoryNode> Children;

    bool operator==(const CategoryNode&) const = default;
};

// Levels deeper than this are read as this level: no directory is that deep,
// and the limit keeps a hostile file from building an unbounded path.
inline constexpr std::size_t MaxCategoryLevel = 32;

// Expanded trees larger than this are refused before anything is reserved:
// a directory's category tree is a few hundred kilobytes at most.
inline constexpr std::size_t MaxExpandedTreeBytes = std::size_t{4} << 20;

// Adds the nodes of one expanded tree under root, starting at level 0. A
// record cut short by the end of the data ends the walk; the nodes made so
// far stay. Returns false when the data ended inside a record.
bool HandleTreeData(std::string_view expanded, CategoryNode& root);

// The expanded form of root's children (root itself is not written).
std::string WriteTreeData(const CategoryNode& root);

// Compression of a tree through RVComp; ExpandTree gives nothing for bytes
// that are not one valid block of at most MaxExpandedTreeBytes.
std::optional<std::string> CompressTree(std::string_view expanded);
std::optional<std::string> ExpandTree(std::string_view compressed);

} // namespace rv
