// The page table: hashing, nested buckets and the name fallbacks of lookup.
#include "server/open-briefs.h"
#include "server/page-table.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

PageEntry Entry(std::string key, std::int32_t position = 100)
{
    PageEntry entry;
    entry.key = std::move(key);
    entry.position = position;
    return entry;
}

TEST(PageTable, HashWeighsEachByteByAPowerOfTheBase)
{
    // Level 0: base 1, the sum of the bytes.
    EXPECT_EQ(PageTableBucket("ab", 0), (97 + 98) % 103);
    // Level 1: base 2: 97*2 + 98*4.
    EXPECT_EQ(PageTableBucket("ab", 1), (97 * 2 + 98 * 4) % 103);
    // Bytes count as 0..255.
    EXPECT_EQ(PageTableBucket("\xff", 0), 255 % 103);
    // Wrap-around to a negative sum takes its absolute value.
    std::string longKey(40, '\xff');
    const int bucket = PageTableBucket(longKey, 2);
    EXPECT_GE(bucket, 0);
    EXPECT_LT(bucket, 103);
}

TEST(PageTable, MostNegativeHashDoesNotOverflow)
{
    // The 24th byte weighs 2^24 at level 1: 128 * 2^24 wraps to INT_MIN.
    std::string key(23, '\0');
    key += '\x80';
    EXPECT_EQ(PageTableBucket(key, 1), static_cast<int>(2147483648LL % 103));
}

TEST(PageTable, FullBucketBecomesANestedTableAndKeepsEveryEntry)
{
    TServHashTable table;
    // Keys that are permutations of each other share a level-0 bucket.
    std::vector<std::string> keys;
    std::string letters = "abcdefg";
    do
        keys.push_back(letters);
    while (std::next_permutation(letters.begin(), letters.end()) && keys.size() < 60);
    for (const std::string& key : keys)
        table.Add(Entry(key));
    const TServList& bucket = table.Bucket(PageTableBucket("abcdefg", 0));
    EXPECT_TRUE(bucket.HasNestedTable());
    EXPECT_EQ(bucket.Count(), keys.size());
    for (const std::string& key : keys)
        EXPECT_NE(table.FindExact(key), nullptr) << key;
}

TEST(PageTable, TwentyEntriesStayAList)
{
    TServHashTable table;
    std::string letters = "abcdef";
    for (int i = 0; i < 20; ++i, std::next_permutation(letters.begin(), letters.end()))
        table.Add(Entry(letters));
    EXPECT_FALSE(table.Bucket(PageTableBucket("abcdef", 0)).HasNestedTable());
}

TEST(PageTable, AmpKeysAreAlsoFoundWithABareAmpersand)
{
    TServHashTable table;
    table.Add(Entry("www.x.com/a?b=1&amp;c=2"));
    table.Add(Entry("www.x.com/d?e=1&AMPf"));
    EXPECT_NE(table.FindExact("www.x.com/a?b=1&amp;c=2"), nullptr);
    EXPECT_NE(table.FindExact("www.x.com/a?b=1&c=2"), nullptr);
    EXPECT_NE(table.FindExact("www.x.com/d?e=1&f"), nullptr);
    EXPECT_EQ(table.Count(), 4u);
    EXPECT_EQ(EscapeBareAmps("c?d=1&e=2&amp;f&AMP;g"), "c?d=1&amp;e=2&amp;f&AMP;g");
}

TEST(PageTable, LookupFallsBackThroughColonAndSlashForms)
{
    TServHashTable table;
    table.Add(Entry("ftp://host/file"));
    table.Add(Entry("www.x.com/page"));
    EXPECT_NE(table.Find("ftp&colon;//host/file", 1, 4), nullptr);
    EXPECT_NE(table.Find("ftp:/host/file", 1, 4), nullptr);
    EXPECT_NE(table.Find("ftp&colon;/host/file", 1, 4), nullptr);
    EXPECT_EQ(table.Find("ftp:host/file", 1, 4), nullptr);
}

TEST(PageTable, NumberPrefixIsIgnoredOnlyInSubversionFour)
{
    TServHashTable table;
    table.Add(Entry("www.x.com/page"));
    EXPECT_NE(table.Find("3/www.x.com/page", 1, 4), nullptr);
    EXPECT_NE(table.Find("17/www.x.com/page", 1, 4), nullptr);
    EXPECT_EQ(table.Find("3/www.x.com/page", 1, 2), nullptr);
}

} // namespace
} // namespace rv
