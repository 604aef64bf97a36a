// The shared text toolkit: letter case touches ASCII letters only, blanks
// and numbers follow their stated contracts, escaping matches where the
// text goes.
#include "store/ascii-text.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace rv
{
namespace
{

TEST(AsciiTextTest, CaseFoldsAsciiLettersOnly)
{
    // "@" and "[" border "A" and "Z"; 0xC4 and 0xE4 are a Latin-1 letter pair.
    EXPECT_EQ(AsciiLower("@AZ[ \xC4x"), "@az[ \xC4x");
    EXPECT_EQ(ToUpperAscii("`az{\xE4"), "`AZ{\xE4");
    std::string text = "Content-TYPE";
    LowerInPlace(text);
    EXPECT_EQ(text, "content-type");

    struct Row
    {
        std::string_view a, b;
        bool equal;
    };
    for (const Row& row : {Row{"Text/HTML", "text/html", true}, Row{"\xC4", "\xE4", false}, Row{"ab", "abc", false},
                           Row{"@", "`", false}, Row{"", "", true}})
        EXPECT_EQ(EqualsNoCase(row.a, row.b), row.equal) << row.a << " / " << row.b;

    EXPECT_TRUE(StartsWithNoCase("FILE:/c|/x", "file:"));
    EXPECT_FALSE(StartsWithNoCase("fil", "file:"));
    EXPECT_TRUE(EndsWithNoCase("INDEX.HTM", ".htm"));
    EXPECT_FALSE(EndsWithNoCase("m", ".htm"));
    EXPECT_EQ(FindNoCase("a&AMP;b&amp;", "&amp;"), 1u);
    EXPECT_EQ(FindNoCase("a&AMP;b&amp;", "&amp;", 2), 7u);
    EXPECT_EQ(FindNoCase("a&AMP;", "&amp;", 3), std::string_view::npos);
}

TEST(AsciiTextTest, BlanksOfTheTwoKindsAreTrimmedApart)
{
    EXPECT_EQ(TrimSpaceOrTab(" \tName = x \t"), "Name = x");
    EXPECT_EQ(TrimSpaceOrTab("\r\nx\r\n"), "\r\nx\r\n");
    EXPECT_EQ(TrimSpaceOrLineBreak("\r\n\t x y \n"), "x y");
    EXPECT_EQ(TrimSpaceOrLineBreak(" \r\n"), "");
    EXPECT_EQ(TrimAny("\fx\v", " \t\r\f\v"), "x");
    EXPECT_FALSE(IsSpaceOrTab('\n'));
    EXPECT_TRUE(IsSpaceOrLineBreak('\n'));
}

TEST(AsciiTextTest, DecimalsAreWholeSignedNumbersWithin64Bits)
{
    struct Row
    {
        std::string_view text;
        std::optional<std::int64_t> value;
    };
    for (const Row& row : {Row{"1888", 1888}, Row{"-8", -8}, Row{"+7", 7}, Row{"007", 7},
                           Row{"-9223372036854775808", INT64_MIN}, Row{"9223372036854775808", std::nullopt},
                           Row{"99999999999999999999", std::nullopt}, Row{"+-5", std::nullopt}, Row{"--5", std::nullopt},
                           Row{"++5", std::nullopt}, Row{" 8", std::nullopt}, Row{"8 ", std::nullopt}, Row{"12a", std::nullopt},
                           Row{"abc", std::nullopt}, Row{"-", std::nullopt}, Row{"+", std::nullopt}, Row{"", std::nullopt}})
        EXPECT_EQ(ParseDecimal(row.text), row.value) << "\"" << row.text << "\"";
}

TEST(AsciiTextTest, EscapingFitsWhereTheTextGoes)
{
    // A stored address keeps every "&" distinct, "&amp;" included.
    EXPECT_EQ(EscapeHtmlAttribute("a?b=1&amp;c=<\">'"), "a?b=1&amp;amp;c=&lt;&quot;&gt;'");
    // Generated page text is escaped once: an "&amp" already there stays.
    EXPECT_EQ(EscapeHtmlTextOnce("R&D &AMP; <b>'x'"), "R&amp;D &AMP; &lt;b&gt;&#39;x&#39;");
    EXPECT_EQ(EscapeHtmlTextOnce("a b\"c"), "a b&quot;c");
    EXPECT_EQ(EscapeHtmlUnquotedOnce("a b\t\r\n\fc"), "a&#32;b&#9;&#13;&#10;&#12;c");
}

} // namespace
} // namespace rv
