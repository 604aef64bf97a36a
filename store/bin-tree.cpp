#include "store/bin-tree.h"

#include <utility>
#include <vector>

namespace rv
{

TBinTreeNode::TBinTreeNode(std::string text, std::int32_t value, std::unique_ptr<TBinTreeNode> left,
                           std::unique_ptr<TBinTreeNode> right)
    : Left(std::move(left)), Right(std::move(right)), Text(std::move(text)), Value(value)
{
}

TBinTreeNode::~TBinTreeNode()
{
    // Detach the children before each node dies, so that no destructor has a
    // subtree below it and the stack stays flat for a tree of any depth.
    std::vector<std::unique_ptr<TBinTreeNode>> pending;
    if (Left)
    {
        pending.push_back(std::move(Left));
    }
    if (Right)
    {
        pending.push_back(std::move(Right));
    }
    while (!pending.empty())
    {
        std::unique_ptr<TBinTreeNode> node = std::move(pending.back());
        pending.pop_back();
        if (node->Left)
        {
            pending.push_back(std::move(node->Left));
        }
        if (node->Right)
        {
            pending.push_back(std::move(node->Right));
        }
    }
}

std::unique_ptr<TBinTreeNode> TBinTree::MakeNode(std::string text, std::int32_t value, std::unique_ptr<TBinTreeNode> left,
                                                 std::unique_ptr<TBinTreeNode> right)
{
    return std::make_unique<TBinTreeNode>(std::move(text), value, std::move(left), std::move(right));
}

} // namespace rv
