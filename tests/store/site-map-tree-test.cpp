#include "store/site-map-tree.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

SiteMapRecord Note(std::string group, std::string title, std::string url = "u")
{
    SiteMapRecord record;
    record.Group = std::move(group);
    record.Title = std::move(title);
    record.Url = std::move(url);
    return record;
}

TEST(SiteMapTree, NestedIdentifiersMakePlaceholdersBeforeTheirPositions)
{
    SiteMapForest forest;
    EXPECT_TRUE(forest.Insert(Note("3", "Entry")));
    EXPECT_TRUE(forest.Insert(Note("3.1", "Child")));
    EXPECT_TRUE(forest.Insert(Note("3.1.2", "Grandchild")));
    ASSERT_EQ(forest.Count(), 4u);
    EXPECT_EQ(forest.Root(0), nullptr);
    EXPECT_EQ(forest.Root(2), nullptr);
    EXPECT_EQ(forest.Root(4), nullptr);
    const TOCNode* root = forest.Root(3);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Title, "Entry");
    ASSERT_EQ(root->Children.Count(), 2u);
    EXPECT_TRUE(root->Children.At(0).IsPlaceholder());
    const TOCNode& child = root->Children.At(1);
    EXPECT_EQ(child.Title, "Child");
    ASSERT_EQ(child.Children.Count(), 3u);
    EXPECT_TRUE(child.Children.At(0).IsPlaceholder());
    EXPECT_TRUE(child.Children.At(1).IsPlaceholder());
    EXPECT_EQ(child.Children.At(2).Title, "Grandchild");
}

TEST(SiteMapTree, ChildNotedBeforeItsParentAndSiblingsKeepsItsPlace)
{
    SiteMapForest forest;
    forest.Insert(Note("0.1.0", "Deep"));
    forest.Insert(Note("0.1", "Parent"));
    forest.Insert(Note("0.0", "Elder"));
    const TOCNode* root = forest.Root(0);
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(root->IsPlaceholder());
    ASSERT_EQ(root->Children.Count(), 2u);
    EXPECT_EQ(root->Children.At(0).Title, "Elder");
    EXPECT_EQ(root->Children.At(1).Title, "Parent");
    ASSERT_EQ(root->Children.At(1).Children.Count(), 1u);
    EXPECT_EQ(root->Children.At(1).Children.At(0).Title, "Deep");
}

TEST(SiteMapTree, EntryRecordFillsOnlyAPlaceholderRootAndKeepsItsChildren)
{
    SiteMapForest forest;
    forest.Insert(Note("2", "")); // written when the brief starts
    forest.Insert(Note("2.0", "Child"));
    forest.Insert(Note("2", "Start", "www.x.com/"));
    forest.Insert(Note("2", "Later", "www.y.com/"));
    const TOCNode* root = forest.Root(2);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Title, "Start");
    EXPECT_EQ(root->Url, "www.x.com/");
    ASSERT_EQ(root->Children.Count(), 1u);
    EXPECT_EQ(root->Children.At(0).Title, "Child");
}

TEST(SiteMapTree, UnusableIdentifiersAreIgnored)
{
    SiteMapForest forest;
    for (const char* group : {"", "x", "3.", ".1", "3..1", "-1", "3.a", "3.-1", "1 ", "4.999999999999", "32768", "3.100001"})
    {
        EXPECT_FALSE(forest.Insert(Note(group, "T"))) << group;
    }
    EXPECT_EQ(forest.Count(), 0u);

    std::string deepest = "0";
    for (std::size_t i = 0; i < MaxSiteMapDepth; ++i)
        deepest += ".0";
    EXPECT_TRUE(forest.Insert(Note(deepest, "Deepest")));
    EXPECT_FALSE(forest.Insert(Note(deepest + ".0", "Too deep")));
}

} // namespace
} // namespace rv
