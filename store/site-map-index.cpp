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
    if (offsets_.size() >= NoNode)
        throw SiteMapError("too many pages in the site-map file " + file_.FileName().string());
    offsets_.push_back(Placeholder);
    childLists_.push_back(NoList);
    return static_cast<NodeId>(offsets_.size() - 1);
}

std::vector<SiteMapIndex::NodeId>& SiteMapIndex::ChildrenToFill(NodeId node)
{
    if (childLists_[node] == NoList)
    {
        childLists_[node] = static_cast<std::uint32_t>(lists_.size());
        lists_.emplace_back();
    }
    return lists_[childLists_[node]];
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
        if (offsets_[node] == Placeholder || Record(node).Title.empty())
            offsets_[node] = offset;
        return;
    }
    for (std::size_t level = 1; level < path->size(); ++level)
    {
        const std::size_t position = (*path)[level];
        std::vector<NodeId>& children = ChildrenToFill(node);
        while (children.size() <= position)
            children.push_back(Add());
        node = children[position];
    }
    offsets_[node] = offset;
}

SiteMapRecord SiteMapIndex::Record(NodeId node) const
{
    const std::uint64_t offset = offsets_[node];
    return offset == Placeholder ? SiteMapRecord() : file_.ReadAt(offset);
}

} // namespace rv
