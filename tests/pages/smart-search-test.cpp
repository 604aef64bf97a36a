#include "client/pages/smart-search.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace rv
{
namespace
{

bool Matches(std::string_view expression, std::string_view page, SmartSearchOptions options = {})
{
    return SmartSearch(expression, page, options).Matched;
}

TEST(SmartSearchParserTest, DeepExpressionsNeitherOverflowNorLoseTerms)
{
    const int depth = 100000;
    const std::string nested = std::string(depth, '(') + "alpha" + std::string(depth, ')');
    EXPECT_TRUE(Matches(nested, "x alpha x"));

    std::string nots;
    for (int i = 0; i < depth; ++i)
        nots += "not ";
    EXPECT_TRUE(Matches(nots + "alpha", "alpha"));
    EXPECT_FALSE(Matches(nots + "not alpha", "alpha"));

    std::string chain = "t0";
    for (int i = 1; i < depth; ++i)
        chain += (i % 2 ? " or t" : " and t") + std::to_string(i % 7);
    EXPECT_TRUE(Matches(chain, "t1 t2 t3 t4 t5 t6"));
    EXPECT_FALSE(Matches(std::string(depth, '(') + "alpha", "alpha"));
}

TEST(SmartSearchTest, EvaluatesTheTreeAgainstThePage)
{
    EXPECT_TRUE(Matches(R"("annual report" or budget)", "the annual report; no"));
    EXPECT_FALSE(Matches(R"("annual report")", "the annual   report"));
    EXPECT_TRUE(Matches("alpha or beta and gamma", "beta gamma"));
    EXPECT_FALSE(Matches("alpha or beta and gamma", "alpha beta"));
    EXPECT_TRUE(Matches("not alpha and beta", "alpha only"));
    EXPECT_FALSE(Matches("not alpha and beta", "alpha and beta"));
    EXPECT_TRUE(Matches("beta and not alpha", "beta"));
    EXPECT_FALSE(Matches("alpha beta", "alpha beta"));
}

TEST(SmartSearchTest, CaseMattersOnlyWhenCaseSensitive)
{
    SmartSearchOptions exact;
    exact.CaseSensitive = true;
    EXPECT_TRUE(Matches("Report", "ANNUAL REPORT"));
    EXPECT_TRUE(Matches("REPORT", "annual report"));
    EXPECT_FALSE(Matches("Report", "ANNUAL REPORT", exact));
    EXPECT_TRUE(Matches("Report", "Annual Report", exact));
    EXPECT_FALSE(Matches("REPORT", "Annual Report", exact));
}

TEST(SmartSearchTest, TagsAreSearchedOnlyWithSearchHTML)
{
    const std::string page = R"(<html><body><img alt="secret"> visible</body></html>)";
    SmartSearchOptions textOnly;
    textOnly.SearchHTML = false;
    EXPECT_TRUE(Matches("secret", page));
    EXPECT_FALSE(Matches("secret", page, textOnly));
    EXPECT_FALSE(Matches("body", page, textOnly));

    const SmartSearchResult result = SmartSearch("visible", page, textOnly);
    ASSERT_EQ(result.MatchStarts.size(), 1u);
    EXPECT_EQ(result.MatchStarts[0], page.find("visible"));
    EXPECT_TRUE(Matches(R"("a < b")", "if a < b then", textOnly)); // no closing ">" blanks nothing
}

TEST(SmartSearchTest, TheHeadIsSearchedOnlyWithCheckHeader)
{
    const std::string page = "<html><head><title>Quarterly</title></HEAD><body>figures</body></html>";
    SmartSearchOptions header;
    header.CheckHeader = true;
    EXPECT_FALSE(Matches("Quarterly", page));
    EXPECT_TRUE(Matches("Quarterly", page, header));
    EXPECT_TRUE(Matches("figures", page));

    SmartSearchOptions textOnly;
    textOnly.SearchHTML = false;
    EXPECT_FALSE(Matches("Quarterly", page, textOnly));
    EXPECT_TRUE(Matches("Quarterly", "<title>Quarterly</title> no head end", textOnly));
}

TEST(SmartSearchTest, WindowsFindEveryOccurrenceOnceAcrossTheirEdges)
{
    const std::string term = "needle";
    for (std::size_t at : {std::size_t(0), std::size_t(4990), std::size_t(4993), std::size_t(4994), std::size_t(4997),
                           std::size_t(4998), std::size_t(9982), std::size_t(9985), std::size_t(14990)})
    {
        std::string page(20000, 'x');
        page.replace(at, term.size(), term);
        const SmartSearchResult result = SmartSearch(term, page, {});
        EXPECT_TRUE(result.Matched) << at;
        EXPECT_EQ(result.MatchStarts, std::vector<std::size_t>{at}) << at;
        EXPECT_EQ(result.MatchEnds, std::vector<std::size_t>{at + term.size()}) << at;
    }

    // Every start from a plain search, including those inside the overlaps.
    std::string page(16000, '.');
    std::vector<std::size_t> expected;
    for (std::size_t at = 3; at + 2 < page.size(); at += 37)
    {
        page.replace(at, 2, "ab");
        expected.push_back(at);
    }
    EXPECT_EQ(SmartSearch("ab", page, {}).MatchStarts, expected);

    const std::string longTerm(6000, 'q');
    EXPECT_TRUE(Matches(longTerm, "x" + longTerm + "x"));
}

TEST(SmartSearchTest, MatchTextListsEachFoundTermOnceInOrder)
{
    const std::string page = "beta then alphabet";
    SmartSearchResult result = SmartSearch("alpha or missing or beta or alpha", page, {});
    EXPECT_TRUE(result.Matched);
    EXPECT_EQ(result.MatchText, "alpha, beta");
    // Same start: the longer occurrence stays; starts are sorted.
    EXPECT_EQ(result.MatchStarts, (std::vector<std::size_t>{0, 10}));
    EXPECT_EQ(result.MatchEnds, (std::vector<std::size_t>{4, 15}));

    result = SmartSearch("alpha or alphabet", page, {});
    EXPECT_EQ(result.MatchStarts, std::vector<std::size_t>{10});
    EXPECT_EQ(result.MatchEnds, std::vector<std::size_t>{18});

    // The right side of "and" is not looked at after a failed left side.
    result = SmartSearch("missing and beta", page, {});
    EXPECT_FALSE(result.Matched);
    EXPECT_EQ(result.MatchText, "");
    EXPECT_TRUE(result.MatchStarts.empty());

    result = SmartSearch("BETA", page, {});
    EXPECT_EQ(result.MatchText, "BETA");
    EXPECT_EQ(SmartSearch("alpha beta", page, {}).MatchText, "");
}

} // namespace
} // namespace rv
