#include "store/toc-list.h"

#include <utility>
#include <vector>

namespace rv
{

TOCList::TOCList() = default;

TOCList::~TOCList()
{
    Free();
}

TOCList::TOCList(TOCList&& other) noexcept : nodes_(std::move(other.nodes_))
{
    other.nodes_.clear();
}

TOCList& TOCList::operator=(TOCList&& other) noexcept
{
    if (this != &other)
    {
        Free();
        nodes_ = std::move(other.nodes_);
        other.nodes_.clear();
    }
    return *this;
}

TOCNode& TOCList::Append(std::unique_ptr<TOCNode> node)
{
    if (!node)
    {
        node = std::make_unique<TOCNode>();
    }
    nodes_.push_back(std::move(node));
    return *nodes_.back();
}

TOCNode* TOCList::First() const
{
    return nodes_.empty() ? nullptr : nodes_.front().get();
}

std::unique_ptr<TOCNode> TOCList::TakeFirst()
{
    if (nodes_.empty())
    {
        return nullptr;
    }
    std::unique_ptr<TOCNode> first = std::move(nodes_.front());
    nodes_.pop_front();
    return first;
}

TOCNode& TOCList::At(std::size_t position) const
{
    return *nodes_.at(position);
}

void TOCList::Free()
{
    // Child lists are emptied into a work list before their node dies, so no
    // destructor ever has more than one level below it.
    std::vector<std::unique_ptr<TOCNode>> pending;
    for (auto& node : nodes_)
    {
        pending.push_back(std::move(node));
    }
    nodes_.clear();
    while (!pending.empty())
    {
        std::unique_ptr<TOCNode> node = std::move(pending.back());
        pending.pop_back();
        for (auto& child : node->Children.nodes_)
        {
            pending.push_back(std::move(child));
        }
        node->Children.nodes_.clear();
    }
}

} // namespace rv
