#include "store/page-l-list.h"

#include <gtest/gtest.h>
#include <vector>

namespace rv
{
namespace
{

TPageRecord Record(std::string url, std::string title = "", std::string forwardTo = "")
{
    TPageRecord record;
    record.Url = std::move(url);
    record.Title = std::move(title);
    record.ForwardTo = std::move(forwardTo);
    return record;
}

std::vector<std::string> Keys(const TPageLList& list)
{
    std::vector<std::string> keys;
    for (const auto& record : list)
    {
        keys.push_back(record.Url);
    }
    return keys;
}

TEST(PageLList, NewestFirstAndStoringAKeyAgainOverwritesIt)
{
    TPageLList list;
    bool added = false;
    list.Store(Record("a"), &added);
    EXPECT_TRUE(added);
    list.Store(Record("b"));
    list.Store(Record("c"));
    EXPECT_EQ(Keys(list), (std::vector<std::string>{"c", "b", "a"}));

    list.Store(Record("b", "second"), &added);
    EXPECT_FALSE(added);
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_EQ(Keys(list), (std::vector<std::string>{"c", "b", "a"}));
    EXPECT_EQ(list.Find("b")->Title, "second");
    EXPECT_EQ(list.Find("B"), nullptr);

    EXPECT_TRUE(list.Remove("b"));
    EXPECT_FALSE(list.Remove("b"));
    EXPECT_EQ(Keys(list), (std::vector<std::string>{"c", "a"}));
    EXPECT_EQ(list.TakeAll().front().Url, "c");
    EXPECT_TRUE(list.Empty());
}

TEST(PageLList, QuotesAreEscapedUnlessTheListKeepsDataVerbatim)
{
    TPageLList titles;
    EXPECT_EQ(titles.Store(Record("k", "a \"b\" c")).Title, "a &quot;b&quot; c");

    // A host address list: count byte, then entries whose address bytes may be 34.
    const std::string addresses("\x01\x00\x22\x22\x01\x02", 6);
    TPageLList hosts(DataEscaping::Verbatim);
    EXPECT_EQ(hosts.Store(Record("host.example", addresses)).Title, addresses);
}

TEST(PageLList, TextIsKeptOnlyWhenTheFlagIsOne)
{
    TPageLList list;
    auto record = Record("k");
    record.Text = "body";
    EXPECT_EQ(list.Store(record).Text, "");
    record.KeepText = 1;
    EXPECT_EQ(list.Store(record).Text, "body");
}

TEST(PageLList, ResolveFollowsForwardsAndGivesUpOnCircles)
{
    TPageLList list;
    list.Store(Record("target", "t"));
    list.Store(Record("hop", "", "target"));
    list.Store(Record("start", "", "hop"));
    list.Store(Record("dangling", "", "absent"));
    list.Store(Record("x", "", "y"));
    list.Store(Record("y", "", "x"));
    ASSERT_NE(list.Resolve("start"), nullptr);
    EXPECT_EQ(list.Resolve("start")->Url, "target");
    EXPECT_EQ(list.Find("start")->Url, "start");
    EXPECT_EQ(list.Resolve("dangling"), nullptr);
    EXPECT_EQ(list.Resolve("x"), nullptr);
}

} // namespace
} // namespace rv
