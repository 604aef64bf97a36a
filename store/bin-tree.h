// TBinTree: a binary tree of texts and numbers, built bottom-up. It holds a
// parsed Smart Search expression: each node is a term or an operator.
//
// A node owns its two children and the tree owns its root. A tree of any
// depth (a long chain of operators) is freed without recursion. Not
// thread-safe: one thread uses a tree at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace rv
{

struct TBinTreeNode
{
    TBinTreeNode() = default;
    TBinTreeNode(std::string text, std::int32_t value, std::unique_ptr<TBinTreeNode> left, std::unique_ptr<TBinTreeNode> right);
    ~TBinTreeNode();
    TBinTreeNode(const TBinTreeNode&) = delete;
    TBinTreeNode& operator=(const TBinTreeNode&) = delete;

    std::unique_ptr<TBinTreeNode> Left;
    std::unique_ptr<TBinTreeNode> Right;
    std::string Text;
    std::int32_t Value = 0;
};

class TBinTree
{
public:
    TBinTree() = default;
    TBinTree(const TBinTree&) = delete;
    TBinTree& operator=(const TBinTree&) = delete;

    // Makes a node whose children are already built; either may be null.
    static std::unique_ptr<TBinTreeNode> MakeNode(std::string text, std::int32_t value,
                                                  std::unique_ptr<TBinTreeNode> left = nullptr,
                                                  std::unique_ptr<TBinTreeNode> right = nullptr);

    // Takes the root, freeing the previous tree.
    void SetRoot(std::unique_ptr<TBinTreeNode> root) { root_ = std::move(root); }
    // The root, or null for an empty tree.
    TBinTreeNode* Root() const { return root_.get(); }
    // Frees all nodes, depth first.
    void Free() { root_.reset(); }

private:
    std::unique_ptr<TBinTreeNode> root_;
};

} // namespace rv
