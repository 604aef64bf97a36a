#include "client/briefs/smart-search-query.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>

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

TEST(SmartSearchQueryTest, EntriesKeepOnlyQueriesTheParserUnderstands)
{
    EXPECT_TRUE(SmartSearchQueryUnderstood("alpha and (beta or \"gamma delta\")"));
    EXPECT_FALSE(SmartSearchQueryUnderstood("alpha and"));
    EXPECT_FALSE(SmartSearchQueryUnderstood("(unbalanced"));
    EXPECT_FALSE(SmartSearchQueryUnderstood(""));
}

} // namespace
} // namespace rv
