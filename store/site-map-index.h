// SiteMapIndex: the site-map trees of one retrieval, held as positions in
// its site-map file (store/site-map.h) instead of as texts.
//
// The trees are arranged exactly as SiteMapForest arranges the same records
// (store/site-map-tree.h), but a node keeps only where its record starts in
// the file and its children: some 20 bytes a page, where the record's texts
// would take several hundred. The site-map pages read each record back
// while they are written (store/site-map-pages.h).
//
// Not thread-safe: one thread builds and reads an index. The file must stay
// open, unchanged, while the index is read.
#pragma once

#include "store/site-map-record.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace rv
{

class TSiteMap;

class SiteMapIndex
{
public:
    using NodeId = std::uint32_t;
    static constexpr NodeId NoNode = UINT32_MAX;

    // Reads every unread record of the file into the trees; a record whose
    // Group is not a usable path is passed over. Throws SiteMapError.
    explicit SiteMapIndex(TSiteMap& file);

    // The highest entry number noted plus one; 0 when nothing was.
    std::size_t Count() const { return roots_.size(); }
    // The entry page of an entry's tree; NoNode when nothing was noted for it.
    NodeId Root(std::size_t entry) const { return entry < roots_.size() ? roots_[entry] : NoNode; }
    const std::vector<NodeId>& Children(NodeId node) const
    {
        static const std::vector<NodeId> none;
        return childLists_[node] == NoList ? none : lists_[childLists_[node]];
    }
    // The node's record read back from the file; a placeholder's is empty
    // (no title). Throws SiteMapError.
    SiteMapRecord Record(NodeId node) const;

private:
    static constexpr std::uint64_t Placeholder = UINT64_MAX;
    static constexpr std::uint32_t NoList = UINT32_MAX;

    NodeId Add();
    std::vector<NodeId>& ChildrenToFill(NodeId node);
    void Insert(const SiteMapRecord& record, std::uint64_t offset);

    TSiteMap& file_;
    // A node is its place in offsets_ and childLists_, twelve bytes; only a
    // node with children has a list, and most pages have none. Deques:
    // growing never copies what is already there.
    std::deque<std::uint64_t> offsets_;    // where the node's record starts, or Placeholder
    std::deque<std::uint32_t> childLists_; // the node's list in lists_, or NoList
    std::deque<std::vector<NodeId>> lists_;
    std::vector<NodeId> roots_;
};

} // namespace rv
