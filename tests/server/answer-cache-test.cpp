// The answer cache's choice of what to keep: a loop over more pages than it
// holds still finds some; a page asked for twice is kept; the bounds hold.
#include "server/answer-cache.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

SharedAnswer AnswerOf(std::size_t bytes)
{
    auto answer = std::make_shared<std::string>();
    answer->reserve(bytes);
    answer->assign(bytes, 'x');
    return answer;
}

// Asks for a page as the server does: kept, or made and offered.
bool Ask(AnswerCache& cache, const std::string& key, std::size_t bytes = 100)
{
    if (cache.Find(key))
        return true;
    cache.Put(key, 1, AnswerOf(bytes));
    return false;
}

TEST(AnswerCache, ALoopOverMorePagesThanItHoldsKeepsFindingSome)
{
    AnswerCache cache(1 << 20, 100);
    int hits = 0;
    for (int round = 0; round < 20; ++round)
        for (int page = 0; page < 400; ++page)
            hits += Ask(cache, "page " + std::to_string(page));
    // The most a cache of 100 can find in such a loop is 100 of every 400.
    EXPECT_GT(hits, 19 * 100 * 8 / 10);
    EXPECT_LE(cache.Size(), 100u);
}

TEST(AnswerCache, APageAskedForTwiceIsKeptWhenTheCacheIsFull)
{
    AnswerCache cache(1 << 20, 100);
    for (int page = 0; page < 100; ++page)
        Ask(cache, "page " + std::to_string(page));
    ASSERT_EQ(cache.Size(), 100u);
    EXPECT_FALSE(Ask(cache, "new"));
    EXPECT_FALSE(Ask(cache, "new"));
    EXPECT_TRUE(Ask(cache, "new")) << "kept at its second answer";
    EXPECT_EQ(cache.Size(), 100u);
    EXPECT_TRUE(Ask(cache, "page 99"));
}

TEST(AnswerCache, KeepsWithinItsBytesAndDropsAnArchive)
{
    AnswerCache cache(8000, 100);
    for (int page = 0; page < 30; ++page)
        Ask(cache, "page " + std::to_string(page), 1000);
    EXPECT_LE(cache.Bytes(), 8000u);
    EXPECT_EQ(cache.Size(), cache.Bytes() / 1000);
    EXPECT_FALSE(Ask(cache, "large", 1001)) << "over an eighth of the bound";
    EXPECT_FALSE(cache.Find("large"));
    cache.DropArchive(1);
    EXPECT_EQ(cache.Size(), 0u);
    EXPECT_EQ(cache.Bytes(), 0u);
}

} // namespace
} // namespace rv
