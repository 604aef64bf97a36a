#include "store/l-list.h"

#include <utility>

namespace rv
{

TLList::~TLList()
{
    Free();
}

TLListNode* TLList::Append(std::unique_ptr<TLListNode> node)
{
    if (!node)
    {
        return head_.get();
    }
    TLListNode* added = node.get();
    if (tail_ == nullptr)
    {
        head_ = std::move(node);
    }
    else
    {
        tail_->next_ = std::move(node);
    }
    tail_ = added;
    return head_.get();
}

TLListNode* TLList::Append(std::string url, std::uint8_t kind, std::int32_t depth, std::uint8_t frame,
                           RetrievalRequest* request)
{
    auto node = std::make_unique<TLListNode>();
    node->Url = std::move(url);
    node->Kind = kind;
    node->Depth = depth;
    node->Frame = frame;
    node->Request = request;
    return Append(std::move(node));
}

TLListNode* TLList::Remove(TLListNode* node)
{
    if (node == nullptr || head_ == nullptr)
    {
        return head_.get();
    }
    std::unique_ptr<TLListNode>* link = &head_;
    TLListNode* previous = nullptr;
    while (*link && link->get() != node)
    {
        previous = link->get();
        link = &(*link)->next_;
    }
    if (!*link)
    {
        return head_.get();
    }
    std::unique_ptr<TLListNode> removed = std::move(*link);
    *link = std::move(removed->next_);
    if (tail_ == node)
    {
        tail_ = previous;
    }
    return head_.get();
}

void TLList::Free()
{
    // One node at a time: letting the chain of owners unwind would recurse
    // once per node.
    while (head_)
    {
        head_ = std::move(head_->next_);
    }
    tail_ = nullptr;
}

} // namespace rv
