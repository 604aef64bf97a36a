#include "store/bin-tree.h"
#include "store/l-list.h"
#include "store/toc-list.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace rv
{
namespace
{

// Deep enough that freeing by plain recursion would overflow the stack.
constexpr int DeepNodes = 1'000'000;

std::vector<std::string> Urls(const TLList& list)
{
    std::vector<std::string> urls;
    for (const TLListNode* node = list.First(); node != nullptr; node = node->Next())
    {
        urls.push_back(node->Url);
    }
    return urls;
}

class TLListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* url : {"a", "b", "c"})
        {
            list_.Append(url, 0, 2, 0, nullptr);
        }
        for (TLListNode* node = list_.First(); node != nullptr; node = node->Next())
        {
            nodes_.push_back(node);
        }
    }

    TLList list_;
    std::vector<TLListNode*> nodes_;
};

TEST_F(TLListTest, AppendKeepsTheHeadAndTheFieldsInOrder)
{
    auto* request = reinterpret_cast<RetrievalRequest*>(this);
    TLListNode* head = list_.Append("http://d/", 1, -7, 1, request);
    EXPECT_EQ(head, nodes_[0]);
    EXPECT_EQ(Urls(list_), (std::vector<std::string>{"a", "b", "c", "http://d/"}));
    const TLListNode* last = nodes_[2]->Next();
    EXPECT_EQ(last->Kind, 1);
    EXPECT_EQ(last->Depth, -7);
    EXPECT_EQ(last->Frame, 1);
    EXPECT_EQ(last->Request, request);
}

TEST(TLListRemoval, RemovingHeadMiddleOrLastReturnsTheNewHeadAndKeepsTheTail)
{
    for (int removed = 0; removed < 3; ++removed)
    {
        std::vector<std::string> left = {"a", "b", "c"};
        TLList list;
        for (const std::string& url : left)
        {
            list.Append(url, 0, 0, 0, nullptr);
        }
        TLListNode* node = list.First();
        for (int i = 0; i < removed; ++i)
        {
            node = node->Next();
        }
        TLListNode* head = list.Remove(node);
        left.erase(left.begin() + removed);
        EXPECT_EQ(head, list.First());
        EXPECT_EQ(head->Url, left.front());
        // Appending after a removal shows that the tail still points into the list.
        list.Append("z", 0, 0, 0, nullptr);
        left.push_back("z");
        EXPECT_EQ(Urls(list), left) << "removed " << removed;
    }
}

TEST_F(TLListTest, DrainingFromTheHeadEmptiesTheListAndItCanBeRefilled)
{
    while (TLListNode* first = list_.First())
    {
        list_.Remove(first);
    }
    EXPECT_TRUE(list_.Empty());
    EXPECT_EQ(list_.Append("again", 0, 0, 0, nullptr)->Url, "again");
    EXPECT_EQ(Urls(list_), std::vector<std::string>{"again"});
}

TEST_F(TLListTest, NodeOfAnotherListIsLeftAlone)
{
    TLList other;
    other.Append("x", 0, 0, 0, nullptr);
    EXPECT_EQ(list_.Remove(other.First()), nodes_[0]);
    EXPECT_EQ(list_.Remove(nullptr), nodes_[0]);
    EXPECT_EQ(Urls(list_).size(), 3u);
    EXPECT_EQ(Urls(other), std::vector<std::string>{"x"});
}

TEST(TLListLong, LongListIsFreedWithoutRecursion)
{
    TLList list;
    for (int i = 0; i < DeepNodes; ++i)
    {
        list.Append(std::string(), 0, i, 0, nullptr);
    }
    list.Free();
    EXPECT_TRUE(list.Empty());
    list.Append("after", 0, 0, 0, nullptr);
    EXPECT_EQ(Urls(list), std::vector<std::string>{"after"});
}

std::unique_ptr<TOCNode> Node(std::string title)
{
    auto node = std::make_unique<TOCNode>();
    node->Title = std::move(title);
    return node;
}

TEST(TOCListTest, NodesComeOutInTheOrderTheyWentIn)
{
    TOCList list;
    TOCNode& a = list.Append(Node("a"));
    list.Append(Node("b"));
    TOCNode& placeholder = list.Append(nullptr);
    EXPECT_TRUE(placeholder.IsPlaceholder());
    EXPECT_EQ(&list.At(0), &a);
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_THROW(list.At(3), std::out_of_range);

    a.Children.Append(Node("a.0"));
    std::unique_ptr<TOCNode> first = list.TakeFirst();
    EXPECT_EQ(first.get(), &a) << "taking the head moves no node";
    EXPECT_EQ(first->Children.First()->Title, "a.0");
    EXPECT_EQ(list.TakeFirst()->Title, "b");
    EXPECT_EQ(list.First(), &placeholder);
    list.TakeFirst();
    EXPECT_EQ(list.TakeFirst(), nullptr);
    EXPECT_EQ(list.First(), nullptr);
}

TEST(TOCListTest, LongListDrainsInOrderWhileItGrows)
{
    TOCList list;
    int appended = 0;
    int taken = 0;
    for (int round = 0; round < 50; ++round)
    {
        for (int i = 0; i < 30; ++i)
        {
            list.Append(Node(std::to_string(appended++)));
        }
        for (int i = 0; i < 20; ++i)
        {
            ASSERT_EQ(list.TakeFirst()->Title, std::to_string(taken++));
        }
        ASSERT_EQ(list.Count(), static_cast<std::size_t>(appended - taken));
        ASSERT_EQ(list.At(list.Count() - 1).Title, std::to_string(appended - 1));
        int expected = taken;
        for (const auto& node : list)
        {
            ASSERT_EQ(node->Title, std::to_string(expected++));
        }
    }
}

TEST(TOCListTest, MovedListLeavesAnEmptyOneBehind)
{
    TOCList list;
    list.Append(Node("a")).Children.Append(Node("a.0"));
    TOCList moved(std::move(list));
    EXPECT_TRUE(list.Empty());
    ASSERT_EQ(moved.Count(), 1u);
    list = std::move(moved);
    EXPECT_EQ(list.First()->Children.First()->Title, "a.0");
}

TEST(TOCListTest, DeepAndWideTreesAreFreedWithoutRecursion)
{
    TOCList root;
    TOCList* level = &root;
    for (int i = 0; i < DeepNodes; ++i)
    {
        TOCNode& node = level->Append(Node("n"));
        node.Children.Append(nullptr);
        level = &node.Children;
    }
    for (int i = 0; i < 1000; ++i)
    {
        root.First()->Children.Append(Node("wide"));
    }
    root.Free();
    EXPECT_TRUE(root.Empty());

    // A node taken out of a deep tree frees its own subtree the same way.
    TOCList again;
    level = &again;
    for (int i = 0; i < DeepNodes; ++i)
    {
        level = &level->Append(Node("m")).Children;
    }
    std::unique_ptr<TOCNode> top = again.TakeFirst();
    top.reset();
}

TEST(TBinTreeTest, NodesAreBuiltBottomUp)
{
    // (alpha and beta) or not gamma
    auto andNode = TBinTree::MakeNode("", 2, TBinTree::MakeNode("alpha", 0), TBinTree::MakeNode("beta", 0));
    auto notNode = TBinTree::MakeNode("", 3, TBinTree::MakeNode("gamma", 0));
    TBinTree tree;
    EXPECT_EQ(tree.Root(), nullptr);
    tree.SetRoot(TBinTree::MakeNode("", 1, std::move(andNode), std::move(notNode)));

    const TBinTreeNode* root = tree.Root();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Value, 1);
    EXPECT_EQ(root->Left->Right->Text, "beta");
    EXPECT_EQ(root->Right->Left->Text, "gamma");
    EXPECT_EQ(root->Right->Right, nullptr);

    tree.SetRoot(TBinTree::MakeNode("only", 0));
    EXPECT_EQ(tree.Root()->Text, "only");
    tree.Free();
    EXPECT_EQ(tree.Root(), nullptr);
}

TEST(TBinTreeTest, DeepTreeIsFreedWithoutRecursion)
{
    // Alternate sides so that both children are detached on the way down.
    std::unique_ptr<TBinTreeNode> node = TBinTree::MakeNode("leaf", 0);
    for (int i = 0; i < DeepNodes; ++i)
    {
        auto sibling = TBinTree::MakeNode("term", 0);
        node = i % 2 == 0 ? TBinTree::MakeNode("", 2, std::move(node), std::move(sibling))
                          : TBinTree::MakeNode("", 3, nullptr, std::move(node));
    }
    TBinTree tree;
    tree.SetRoot(std::move(node));
    tree.Free();
    EXPECT_EQ(tree.Root(), nullptr);
}

} // namespace
} // namespace rv
