#include "store/site-map-tree.h"

#include <charconv>
#include <utility>

namespace rv
{
namespace
{

// The record's texts move into the node; the node keeps its children.
void Fill(TOCNode& node, SiteMapRecord&& record)
{
    static_cast<SiteMapRecord&>(node) = std::move(record);
}

// The node at a position of a list, with placeholders appended up to it.
TOCNode& NodeAt(TOCList& list, std::size_t position)
{
    while (list.Count() <= position)
        list.Append(nullptr);
    return list.At(position);
}

} // namespace

std::optional<std::vector<std::size_t>> SiteMapPath(std::string_view group)
{
    std::vector<std::size_t> numbers;
    std::size_t start = 0;
    for (;;)
    {
        if (numbers.size() > MaxSiteMapDepth)
            return std::nullopt;
        std::size_t end = group.find('.', start);
        if (end == std::string_view::npos)
            end = group.size();
        std::size_t value = 0;
        const char* first = group.data() + start;
        const char* last = group.data() + end;
        const auto [ptr, ec] = std::from_chars(first, last, value);
        if (first == last || ec != std::errc() || ptr != last || value > MaxSiteMapPosition)
            return std::nullopt;
        numbers.push_back(value);
        if (end == group.size())
            break;
        start = end + 1;
    }
    if (numbers.front() > MaxSiteMapEntry)
        return std::nullopt;
    return numbers;
}

bool SiteMapForest::Insert(SiteMapRecord record)
{
    const std::optional<std::vector<std::size_t>> path = SiteMapPath(record.Group);
    if (!path)
        return false;
    const std::size_t entry = path->front();
    if (roots_.size() <= entry)
        roots_.resize(entry + 1);
    if (!roots_[entry])
        roots_[entry] = std::make_unique<TOCNode>();
    TOCNode* node = roots_[entry].get();
    if (path->size() == 1)
    {
        if (node->IsPlaceholder())
            Fill(*node, std::move(record));
        return true;
    }
    for (std::size_t level = 1; level < path->size(); ++level)
        node = &NodeAt(node->Children, (*path)[level]);
    Fill(*node, std::move(record));
    return true;
}

const TOCNode* SiteMapForest::Root(std::size_t entry) const
{
    return entry < roots_.size() ? roots_[entry].get() : nullptr;
}

} // namespace rv
