#include "client/briefs/smart-search-hook.h"
#include "client/pages/smart-search.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace rv
{
namespace
{

// The tree as text: terms in brackets, operators as or(..), and(..), not(..).
std::string Describe(const TBinTreeNode* node)
{
    if (!node)
        return "-";
    switch (node->Value)
    {
    case SmartSearchTerm:
        return "[" + node->Text + "]";
    case SmartSearchOr:
        return "or(" + Describe(node->Left.get()) + "," + Describe(node->Right.get()) + ")";
    case SmartSearchAnd:
        return "and(" + Describe(node->Left.get()) + "," + Describe(node->Right.get()) + ")";
    case SmartSearchNot:
        return "not(" + Describe(node->Left.get()) + (node->Right ? ",?" : "") + ")";
    default:
        return "?";
    }
}

std::string Parsed(std::string_view expression)
{
    TBinTree tree;
    if (!ParseSmartSearch(expression, tree))
        return "rejected";
    return Describe(tree.Root());
}

bool Matches(std::string_view expression, std::string_view page, SmartSearchOptions options = {})
{
    return SmartSearch(expression, page, options).Matched;
}

TEST(SmartSearchParserTest, AndAndOrCombineLeftToRightWithEqualRank)
{
    EXPECT_EQ(Parsed("alpha or beta and gamma"), "and(or([alpha],[beta]),[gamma])");
    EXPECT_EQ(Parsed("alpha and beta or gamma"), "or(and([alpha],[beta]),[gamma])");
    EXPECT_EQ(Parsed("alpha or (beta and gamma)"), "or([alpha],and([beta],[gamma]))");
    EXPECT_EQ(Parsed("  ((alpha))  "), "[alpha]");
}

TEST(SmartSearchParserTest, NotCoversTheRestOfItsLevel)
{
    EXPECT_EQ(Parsed("not alpha and beta"), "not(and([alpha],[beta]))");
    EXPECT_EQ(Parsed("alpha and not beta or gamma"), "and([alpha],not(or([beta],[gamma])))");
    EXPECT_EQ(Parsed("(alpha or not beta) and gamma"), "and(or([alpha],not([beta])),[gamma])");
    EXPECT_EQ(Parsed("not not alpha"), "not(not([alpha]))");
    EXPECT_EQ(Parsed("((not alpha)) or beta"), "or(not([alpha]),[beta])");
}

TEST(SmartSearchParserTest, OperatorsAreWordsOfAnyCaseFollowedByWhiteSpace)
{
    EXPECT_EQ(Parsed("alpha AND beta Or gamma"), "or(and([alpha],[beta]),[gamma])");
    EXPECT_EQ(Parsed("NoT\talpha"), "not([alpha])");
    EXPECT_EQ(Parsed("android or orchid"), "or([android],[orchid])");
    EXPECT_EQ(Parsed("notable"), "[notable]");
    EXPECT_EQ(Parsed("a(b)"), "rejected");
}

TEST(SmartSearchParserTest, PhrasesKeepSpacesOperatorsAndEscapedQuotes)
{
    EXPECT_EQ(Parsed(R"("annual report" or summary)"), "or([annual report],[summary])");
    EXPECT_EQ(Parsed(R"q("say \"hi\" and (go)")q"), R"q([say "hi" and (go)])q");
    EXPECT_EQ(Parsed(R"("back\slash")"), R"([back\slash])");
    EXPECT_EQ(Parsed(R"(not "x y"and z)"), "not(and([x y],[z]))");
    EXPECT_EQ(Parsed(R"("x y"z)"), "rejected");
}

TEST(SmartSearchParserTest, RejectsMalformedExpressions)
{
    for (const char* bad :
         {"",       "   ",      "alpha beta",        "and alpha",  "alpha or",     "alpha or ", "(alpha",
          "alpha)", "()",       "alpha and ()",      R"("open)",   R"("")",        "not ",      "alpha not beta",
          ")(",     "(alpha))", "alpha and or beta", R"("a" "b")", "(alpha) beta", "not )"})
    {
        EXPECT_EQ(Parsed(bad), "rejected") << bad;
    }
    // A trailing operator word without white space after it is a plain term.
    EXPECT_EQ(Parsed("alpha and"), "rejected");
    EXPECT_EQ(Parsed("and"), "[and]");
    EXPECT_EQ(Parsed("not"), "[not]");
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

TEST(SmartSearchTest, InstalledParserDecidesWhichQueriesTheSetupAccepts)
{
    InstallSmartSearchParser();
    EXPECT_TRUE(SmartSearchQueryAccepted("alpha and (beta or \"gamma delta\")"));
    EXPECT_FALSE(SmartSearchQueryAccepted("alpha and"));
    EXPECT_FALSE(SmartSearchQueryAccepted(""));
    SetSmartSearchParser({});
    EXPECT_TRUE(SmartSearchQueryAccepted("alpha and"));
}

} // namespace
} // namespace rv
