#include "client/pages/exclusion-lines.h"
#include "client/pages/exclusion-pattern.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

std::string Simple(char type, const std::string& text, const std::string& flags)
{
    return std::string(1, kPatternMark) + type + text + kPatternMark + flags;
}

TEST(ExclusionPattern, WildcardsNeverTakeTheFinalCharacterButMayLeaveIt)
{
    struct Row
    {
        const char* wildcard;
        const char* address;
        bool matches;
    };
    const Row rows[] = {
        {"abc", "abc", true},     {"abc", "abc/", true},   {"abc", "abcd", true},    {"abc", "abcde", false},
        {"abc", "ab", false},     {"*abc", "xxabc", true}, {"*abc", "xxabcd", true}, {"*abc", "xxabcde", false},
        {"abc*", "abcxyz", true}, {"a*", "a", true},       {"*c*", "abc", true},     {"*", "", true},
        {"*", "a", true},         {"a?c", "abc", true},    {"?", "", false},         {"a*b*c", "aXbYc", true},
        {"a*b*c", "aXbY", false}, {"*x*", "abc", false},   {"", "a", true},          {"", "ab", false},
        {"A*", "abc", false},     {"**b", "ab", true},     {"a?", "ab", true},       {"*.gif", "pics/a.gif", true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(WildcardMatches(row.wildcard, row.address), row.matches)
            << "\"" << row.wildcard << "\" against \"" << row.address << "\"";
}

TEST(ExclusionPattern, SimpleFormsBecomeWildcardsAndFlagsDecideWhereTheyApply)
{
    struct Row
    {
        std::string pattern;
        const char* address;
        ContentKind kind;
        PatternResult result;
    };
    const Row rows[] = {
        {Simple('C', "cgi-bin", "GH"), "host/cgi-bin/x", ContentKind::Html, PatternResult::Match},
        {Simple('C', "cgi-bin", "GH"), "host/cgi-bin/x.gif", ContentKind::Images, PatternResult::Match},
        {Simple('C', "CGI", "G"), "host/cgi-bin/x", ContentKind::Html, PatternResult::NoMatch},
        {std::string(1, kPatternMark) + "Ccgi-bin", "host/cgi-bin/x", ContentKind::Html, PatternResult::DoesNotApply},
        {Simple('C', "x", "I"), "host/x.html", ContentKind::Html, PatternResult::DoesNotApply},
        {Simple('C', "x", "HIPAJ"), "mailto:x", ContentKind::Other, PatternResult::DoesNotApply},
        {Simple('C', "x", "O"), "mailto:x", ContentKind::Other, PatternResult::Match},
        {Simple('X', "x", "G"), "x", ContentKind::Html, PatternResult::DoesNotApply},
        {Simple('I', "host/a", "G"), "host/a/", ContentKind::Html, PatternResult::Match},
        {Simple('I', "host/a", "G"), "host/a/b", ContentKind::Html, PatternResult::NoMatch},
        {Simple('S', "host/", "H"), "host/x", ContentKind::Html, PatternResult::Match},
        {Simple('S', "host/", "H"), "other/host/", ContentKind::Html, PatternResult::NoMatch},
        {Simple('E', ".gif", "G"), "a.gifs", ContentKind::Images, PatternResult::Match},
        {Simple('E', ".gif", "G"), "a.gif.html", ContentKind::Images, PatternResult::NoMatch},
        {std::string("host/*.class") + kPatternMark + "J", "host/a/B.class", ContentKind::Java, PatternResult::Match},
        {std::string("host/*.class") + kPatternMark + "J", "host/a/B.class", ContentKind::ActiveX, PatternResult::DoesNotApply},
        {"*", "anything", ContentKind::Html, PatternResult::DoesNotApply},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(MatchPattern(rows[i].pattern, rows[i].address, rows[i].kind), rows[i].result) << "row " << i;
}

TEST(ExclusionPattern, ExcludeJustRejectsAnyApplyingMatchAndRetriesWithoutTheLastCharacter)
{
    const std::vector<std::string> cgi = {Simple('C', "cgi-bin", "GH")};
    EXPECT_TRUE(IsExcluded(cgi, {}, "host/cgi-bin/q", ContentKind::Html));
    EXPECT_TRUE(IsExcluded(cgi, {}, "host/cgi-bin/i.gif", ContentKind::Images));
    EXPECT_FALSE(IsExcluded(cgi, {}, "host/docs/q", ContentKind::Html));
    EXPECT_FALSE(IsExcluded({Simple('C', "CGI", "G")}, {}, "host/cgi-bin/q", ContentKind::Html));
    EXPECT_FALSE(IsExcluded({Simple('C', "cgi-bin", "I")}, {}, "host/cgi-bin/q", ContentKind::Html));

    const std::vector<std::string> isA = {Simple('I', "host/a", "G")};
    EXPECT_TRUE(IsExcluded(isA, {}, "host/a/x", ContentKind::Html)) << "retried as host/a/";
    EXPECT_FALSE(IsExcluded(isA, {}, "host/a/xy", ContentKind::Html));
    EXPECT_FALSE(IsExcluded({}, {}, "host/a", ContentKind::Html));
}

TEST(ExclusionPattern, ExcludeAllExceptLetsThroughMatchesAndKindsItDoesNotApplyTo)
{
    const std::vector<std::string> gifsOnly = {Simple('E', ".gif", "I")};
    EXPECT_FALSE(IsExcluded({}, gifsOnly, "host/page.html", ContentKind::Html));
    EXPECT_FALSE(IsExcluded({}, gifsOnly, "host/a.gif", ContentKind::Images));
    EXPECT_TRUE(IsExcluded({}, gifsOnly, "host/a.jpg", ContentKind::Images));

    const std::vector<std::string> underA = {Simple('I', "host/a", "G")};
    EXPECT_FALSE(IsExcluded({}, underA, "host/a/x", ContentKind::Html)) << "retried as host/a/";
    EXPECT_TRUE(IsExcluded({}, underA, "host/b/x", ContentKind::Html));
    EXPECT_TRUE(IsExcluded(underA, underA, "host/a/", ContentKind::Html)) << "exclude-just wins";
}

TEST(ExclusionLines, NewAndEditRebuildLinesInTheirFixedForm)
{
    const std::string fresh = NewExclusionLine();
    EXPECT_EQ(fresh, std::string("0\x01") + "CNew Entry");
    const ExclusionLineFields shown = ReadExclusionLine(fresh);
    EXPECT_FALSE(shown.advanced);
    EXPECT_EQ(shown.type, 'C');
    EXPECT_EQ(shown.text, "New Entry");
    EXPECT_TRUE(shown.global) << "a line without flags shows Global ticked";
    EXPECT_EQ(RebuildExclusionLine(fresh, shown), std::string("0\x01") + "CNew Entry\x01G");

    ExclusionLineFields fields = ReadExclusionLine(std::string("1\x01Scgi\x01HI"));
    EXPECT_FALSE(fields.global);
    EXPECT_TRUE(fields.html && fields.images && !fields.java);
    EXPECT_EQ(fields.type, 'S');
    fields.type = 'E';
    fields.text = "a\x01.gif";
    fields.global = fields.html = true;
    fields.images = false;
    EXPECT_EQ(RebuildExclusionLine("1\x01Scgi\x01HI", fields), std::string("1\x01") + "Ea.gif\x01GH");

    const ExclusionLineFields all{true, 'C', "*x*", true, true, true, true, true, true, true};
    EXPECT_EQ(RebuildExclusionLine("0", all), std::string("0*x*\x01GHIPAJO"));
    const ExclusionLineFields advanced = ReadExclusionLine(std::string("0*.gif\x01I"));
    EXPECT_TRUE(advanced.advanced);
    EXPECT_EQ(advanced.text, "*.gif");
    EXPECT_TRUE(advanced.images && !advanced.global);
}

TEST(ExclusionLines, TickedLinesGiveTheEntryItsPatterns)
{
    const std::vector<std::string> lines = {ToggleExclusionLine(NewExclusionLine()), "0*.gif\x01I", "1abc\x01G", ""};
    EXPECT_EQ(ToggleExclusionLine(ToggleExclusionLine("0x")), "0x");
    EXPECT_EQ(TickedPatterns(lines), (std::vector<std::string>{std::string("\x01") + "CNew Entry", "abc\x01G"}));
}

} // namespace
} // namespace rv
