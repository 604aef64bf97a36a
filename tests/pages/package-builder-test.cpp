// The two texts packaging rewrites: summary fragments and special page keys.
#include "client/pages/package-builder.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

TEST(PackageBuilderTest, OnlySiteMapAndMatchPagesTakeTheNewNumber)
{
    const struct
    {
        const char* key;
        const char* packaged;
    } rows[] = {
        {"TOC3", "TOC7"},
        {"toc3", "TOC7"},
        {"Match12", "Match7"},
        {"TOC", "TOC"},
        {"TOC3a", "TOC3a"},
        {"tocqueville.example/TOC3", "tocqueville.example/TOC3"},
        {"matchday.example/", "matchday.example/"},
        {"toc12.example/", "toc12.example/"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(PackagedKey(row.key, 7), row.packaged) << row.key;
}

TEST(PackageBuilderTest, FragmentLinksTakeTheirPairsNumberInTheOrderFirstNamed)
{
    PackageNumbers numbers;
    EXPECT_EQ(numbers.NumberOf("B.rvd", 0), 0);
    const struct
    {
        const char* archive;
        const char* fragment;
        const char* renumbered;
    } rows[] = {
        {"A.rvd", "<a href=\"%%%%s/0/TOC0\">", "<a href=\"1/TOC1\">"},
        {"A.rvd", "<a href=%%%%s\\4/x.example/>x</a> \"%%%%s/4/Match4\" %%%%s/0/y",
         "<a href=2/x.example/>x</a> \"2/Match2\" 1/y"},
        {"B.rvd", "%%%%s/0/TOC0 %%%%s/nothing %%%%s", "0/TOC0 %%%%s/nothing %%%%s"},
    };
    for (const auto& row : rows)
    {
        std::string out;
        ASSERT_TRUE(RenumberFragment(row.fragment, row.archive, numbers, out));
        EXPECT_EQ(out, row.renumbered) << row.fragment;
    }
    EXPECT_EQ(numbers.Count(), 3u);
}

} // namespace
} // namespace rv
