#include "store/toc-list.h"

#include <stdexcept>
#include <utility>

namespace rv
{

TOCList::TOCList() = default;

TOCList::~TOCList()
{
    Free();
}

TOCList::TOCList(TOCList&& other) noexcept : nodes_(std::move(other.nodes_)), head_(other.head_)
{
    other.nodes_.clear();
    other.head_ = 0;
}

TOCList& TOCList::operator=(TOCList&& other) noexcept
{
    if (this != &other)
    {
        Free();
        nodes_ = std::move(other.nodes_);
        head_ = other.head_;
        other.nodes_.clear();
        other.head_ = 0;
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
    return Empty() ? nullptr : nodes_[head_].get();
}

std::unique_ptr<TOCNode> TOCList::TakeFirst()
{
    if (Empty())
    {
        return nullptr;
    }
    std::unique_ptr<TOCNode> first = std::move(nodes_[head_]);
    ++head_;
    // Drop the empty slots once they are the larger part, so that draining a
    // long list costs linear time and its memory does not linger.
    if (head_ == nodes_.size())
    {
        nodes_.clear();
        head_ = 0;
    }
    else if (head_ >= 64 && head_ * 2 >= nodes_.size())
    {
        nodes_.erase(nodes_.begin(), nodes_.begin() + static_cast<std::ptrdiff_t>(head_));
        head_ = 0;
    }
    return first;
}

TOCNode& TOCList::At(std::size_t position) const
{
    if (position >= Count())
    {
        throw std::out_of_range("TOCList position out of range");
    }
    return *nodes_[head_ + position];
}

void TOCList::Free()
{
    // Child lists are emptied into a work list before their node dies, so no
    // destructor ever has more than one level below it.
    std::vector<std::unique_ptr<TOCNode>> pending;
    pending.swap(nodes_);
    nodes_.clear();
    head_ = 0;
    while (!pending.empty())
    {
        std::unique_ptr<TOCNode> node = std::move(pending.back());
        pending.pop_back();
        if (!node)
        {
            continue;
        }
        for (auto& child : node->Children.nodes_)
        {
            if (child)
            {
                pending.push_back(std::move(child));
            }
        }
        node->Children.nodes_.clear();
        node->Children.head_ = 0;
    }
}

} // namespace rv
