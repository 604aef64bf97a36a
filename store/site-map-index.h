// SiteMapIndex: the site-map trees of one retrieval, held as positions in
// its site-map file (store/site-map.h) instead of as texts.
//
// The trees are arranged exactly as SiteMapForest arranges the same records
// (store/site-map-tree.h), but a node keeps only where its record starts in
// the file and its children: some 50 bytes a page, where the record's texts
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
    const std::vector<NodeId>& Children(NodeId node) const { return nodes_[node].Children; }
    // The node's record read back from the file; a placeholder's is empty
    // (no title). Throws SiteMapError.
    SiteMapRecord Record(NodeId node) const;

private:
    static constexpr std::uint64_t Placeholder = UINT64_MAX;
    struct Node
    {
        std::uint64_t Offset = Placeholder;
        std::vector<NodeId> Children;
    };

    NodeId Add();
    void Insert(const SiteMapRecord& record, std::uint64_t offset);

    TSiteMap& file_;
    std::deque<Node> nodes_; // a deque: growing never copies the nodes
    std::vector<NodeId> roots_;
};

} // namespace rv
