#include "store/site-map-index.h"

#include "store/site-map-tree.h"
#include "store/site-map.h"

namespace rv
{

SiteMapIndex::SiteMapIndex(TSiteMap& file) : file_(file)
{
    std::uint64_t offset = 0;
    while (std::unique_ptr<TOCNode> node = file_.Next(&offset))
        Insert(*node, offset);
}

SiteMapIndex::NodeId SiteMapIndex::Add()
{
    if (nodes_.size() >= NoNode)
        throw SiteMapError("too many pages in the site-map file " + file_.FileName().string());
    nodes_.emplace_back();
    return static_cast<NodeId>(nodes_.size() - 1);
}

// As SiteMapForest::Insert: the entry page fills its root while the root is
// a placeholder; any other record fills the node at its path, placeholders
// made on the way.
void SiteMapIndex::Insert(const SiteMapRecord& record, std::uint64_t offset)
{
    const std::optional<std::vector<std::size_t>> path = SiteMapPath(record.Group);
    if (!path)
        return;
    const std::size_t entry = path->front();
    if (roots_.size() <= entry)
        roots_.resize(entry + 1, NoNode);
    if (roots_[entry] == NoNode)
        roots_[entry] = Add();
    NodeId node = roots_[entry];
    if (path->size() == 1)
    {
        if (nodes_[node].Offset == Placeholder || Record(node).Title.empty())
            nodes_[node].Offset = offset;
        return;
    }
    for (std::size_t level = 1; level < path->size(); ++level)
    {
        const std::size_t position = (*path)[level];
        while (nodes_[node].Children.size() <= position)
        {
            const NodeId child = Add();
            nodes_[node].Children.push_back(child);
        }
        node = nodes_[node].Children[position];
    }
    nodes_[node].Offset = offset;
}

SiteMapRecord SiteMapIndex::Record(NodeId node) const
{
    const std::uint64_t offset = nodes_[node].Offset;
    return offset == Placeholder ? SiteMapRecord() : file_.ReadAt(offset);
}

} // namespace rv
