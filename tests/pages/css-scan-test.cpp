#include "client/pages/css-scan.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

// One style sheet and what its scan finds: each reference as its token,
// "=>" and its decoded value ("@" in front for an import), joined by "|".
struct CssRow
{
    const char* name;
    std::string_view css;
    std::string_view expected;
};

const CssRow CssRows[] = {
    {"UnquotedUrl", "a{background:url(i.png)}", "url(i.png)=>i.png"},
    {"QuotedUrlsAndSpace", "a{b:url( \"x y.png\" ) url('z.png')}", "url( \"x y.png\" )=>x y.png|url('z.png')=>z.png"},
    {"UrlIsCaseBlind", "a{b:URL(A.png)}", "URL(A.png)=>A.png"},
    {"EscapesAreDecoded", "a{b:url(a\\29 b\\).png) c:url('q\\'\\\n.png')}",
     "url(a\\29 b\\).png)=>a)b).png|url('q\\'\\\n.png')=>q'.png"},
    {"HexEscapeToUtf8", "a{b:url(\\e9t\\E9.png)}", "url(\\e9t\\E9.png)=>\xC3\xA9t\xC3\xA9.png"},
    {"CommentsAndStringsHideUrls", "/* url(a.png) */ a{content:\"url(b.png)\"} b{c:url(c.png)}", "url(c.png)=>c.png"},
    {"NameEndingInUrlIsNoUrl", "a{b:myurl(a.png); c:url (b.png)}", ""},
    {"ImportStringAndUrl", "@import \"a.css\"; @IMPORT url(b.css) screen; @import /**/ 'c.css';",
     "\"a.css\"=>@a.css|url(b.css)=>@b.css|'c.css'=>@c.css"},
    {"StringAfterOtherTokensIsNoImport", "@import; a{content:'x.css'} @media 'y.css'", ""},
    {"BadUrlIsSkippedWhole", "a{b:url(a b.png) c:url(x\"y) d:url(ok.png)}", "url(ok.png)=>ok.png"},
    {"StringCutByNewlineIsNoImport", "@import \"a.css\n; x{b:url(c.png)}", "url(c.png)=>c.png"},
    {"UnclosedAtEndStillCounts", "a{b:url(last.png", "url(last.png=>last.png"},
    {"UnclosedCommentEndsTheSheet", "/* url(a.png)", ""},
    {"NulReadsAsReplacement", std::string_view("@import '\0';", 12), std::string_view("'\0'=>@\xEF\xBF\xBD", 9)},
    {"DataUrlIsFoundLikeAnyOther", "a{b:url(data:image/png;base64,AA==)}",
     "url(data:image/png;base64,AA==)=>data:image/png;base64,AA=="},
};

class CssScanTest : public ::testing::TestWithParam<CssRow>
{
};

TEST_P(CssScanTest, FindsEveryReference)
{
    const CssRow& row = GetParam();
    std::string found;
    for (const CssReference& reference : ScanCss(row.css))
    {
        if (!found.empty())
            found += "|";
        found += std::string(row.css.substr(reference.Start, reference.End - reference.Start)) + "=>" +
                 (reference.Import ? "@" : "") + reference.Value;
    }
    EXPECT_EQ(found, row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, CssScanTest, ::testing::ValuesIn(CssRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CssScanTest, WrittenStringsReadBackAndPathsClimbToTheRoot)
{
    const std::string written = "url(\"" + CssString("a\"b\\c<d>\n.png") + "\")";
    const std::vector<CssReference> back = ScanCss(written);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].Value, "a\"b\\c<d>\n.png");
    EXPECT_EQ(written.find_first_of("<>\n"), std::string::npos);
    EXPECT_EQ(PathToRoot("host/css/a.css?v=1/2"), "../../");
    EXPECT_TRUE(LooksLikeCssImage("host/i/Bg.PNG?x=1"));
    EXPECT_FALSE(LooksLikeCssImage("host/f.woff2"));
}

} // namespace
} // namespace rv
