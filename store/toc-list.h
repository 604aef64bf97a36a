// TOCList: the site-map records read back from the site-map file, and the
// per-entry site-map trees built from them.
//
// A list owns its nodes; a node owns its child list. Pointers and references
// to nodes stay valid while the node is in a list (appending and taking the
// first node do not move the others). Freeing a list frees every node below
// it without recursion, so a tree of any depth can be freed. Not thread-safe:
// one thread uses a list at a time.
#pragma once

#include "store/site-map-record.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace rv
{

struct TOCNode;

class TOCList
{
public:
    using Nodes = std::vector<std::unique_ptr<TOCNode>>;

    TOCList();
    ~TOCList();
    TOCList(TOCList&& other) noexcept;
    TOCList& operator=(TOCList&& other) noexcept;
    TOCList(const TOCList&) = delete;
    TOCList& operator=(const TOCList&) = delete;

    // Appends at the tail and returns the appended node, now owned by the list.
    // A null node appends an empty placeholder.
    TOCNode& Append(std::unique_ptr<TOCNode> node);
    // The head, or null when the list is empty.
    TOCNode* First() const;
    // Removes the head and hands it to the caller; null when the list is empty.
    std::unique_ptr<TOCNode> TakeFirst();
    // The node at a 0-based position; the position must be below Count().
    TOCNode& At(std::size_t position) const;
    std::size_t Count() const { return nodes_.size() - head_; }
    bool Empty() const { return Count() == 0; }
    // Frees every node, its texts and its child list.
    void Free();

    Nodes::const_iterator begin() const { return nodes_.begin() + static_cast<std::ptrdiff_t>(head_); }
    Nodes::const_iterator end() const { return nodes_.end(); }

private:
    // Taken nodes leave empty slots before head_ until they are compacted
    // away; an empty list allocates nothing, which matters because every
    // node of a tree carries a (mostly empty) child list.
    Nodes nodes_;
    std::size_t head_ = 0;
};

// A site-map record in a tree. A node without a title is a placeholder that
// only holds the place of a child that has not been noted (yet).
struct TOCNode : SiteMapRecord
{
    TOCList Children;

    bool IsPlaceholder() const { return Title.empty(); }
};

} // namespace rv
