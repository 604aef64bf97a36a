// TLList: the links found on the page being processed, first in first out.
// The page scan appends each address it wants fetched; the driver then takes
// them from the head and queues them.
//
// The list owns its nodes. A node pointer stays valid until that node is
// removed or the list is freed. Long lists are freed without recursion. Not
// thread-safe: one thread uses a list at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace rv
{

struct RetrievalRequest;

struct TLListNode
{
    std::string Url;
    std::uint8_t Kind = 0;               // page or embedded file
    std::int32_t Depth = 0;              // the depth value the link is queued with
    std::uint8_t Frame = 0;              // 1 when the link is fetched into a frame
    RetrievalRequest* Request = nullptr; // the request the link was found in; not owned

    TLListNode* Next() const { return next_.get(); }

private:
    friend class TLList;
    std::unique_ptr<TLListNode> next_;
};

class TLList
{
public:
    TLList() = default;
    ~TLList();
    TLList(const TLList&) = delete;
    TLList& operator=(const TLList&) = delete;

    // Appends at the tail; the list takes the node. Returns the head.
    TLListNode* Append(std::unique_ptr<TLListNode> node);
    TLListNode* Append(std::string url, std::uint8_t kind, std::int32_t depth, std::uint8_t frame, RetrievalRequest* request);
    // The head, or null when the list is empty.
    TLListNode* First() const { return head_.get(); }
    // Unlinks and frees the given node, which must be in this list (a node
    // that is not is left alone). Returns the new head.
    TLListNode* Remove(TLListNode* node);
    // Frees every node.
    void Free();
    bool Empty() const { return head_ == nullptr; }

private:
    std::unique_ptr<TLListNode> head_;
    TLListNode* tail_ = nullptr;
};

} // namespace rv
