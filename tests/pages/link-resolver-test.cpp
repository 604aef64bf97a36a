#include "client/pages/html-entities.h"
#include "client/pages/link-resolver.h"
#include "client/pages/store-address.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

struct Row
{
    const char* base;
    const char* value;
    const char* expected;
};

void ExpectResolved(const Row* rows, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        EXPECT_EQ(ResolveAddress(rows[i].base, rows[i].value), rows[i].expected)
            << "row " << i << ": base \"" << rows[i].base << "\" value \"" << rows[i].value << "\"";
}

constexpr const char* kPage = "http://host/dir/page.html";

TEST(LinkResolver, AbsoluteAddressesLoseTheirSchemeAndGainAPathWhenTheyHaveNone)
{
    const Row rows[] = {
        {kPage, "http://host/a.html", "host/a.html"},
        {kPage, "http://host:8080/a.html", "host:8080/a.html"},
        {kPage, "http://host", "host/"},
        {kPage, "HTTP://Other.org/X.html", "Other.org/X.html"},
        {kPage, "http:/other/x", "other/x"},
        {kPage, "//other/x", "other/x"},
        {kPage, "//other", "other/"},
        {kPage, "http://host?q=1", "host/?q=1"},
        {kPage, "http://host/a/./b/../c", "host/a/c"},
        {kPage, "mailto:joe@example.org", "joe@example.org"},
        {kPage, "file:C:\\docs\\a.html", "file:C:\\docs\\a.html"},
        {kPage, "C:\\docs\\a.html", "C:\\docs\\a.html"},
    };
    ExpectResolved(rows, std::size(rows));
}

TEST(LinkResolver, RelativeValuesJoinThePageDirectoryAndFoldDotSegments)
{
    const Row rows[] = {
        {kPage, "pic.gif", "host/dir/pic.gif"},
        {kPage, "a/b/../c", "host/dir/a/c"},
        {kPage, "./x", "host/dir/x"},
        {kPage, ".", "host/dir/"},
        {kPage, "..", "host/"},
        {kPage, "a/b/..", "host/dir/a/"},
        {kPage, "../../../../x", "host/x"},
        {kPage, "..\\up.html", "host/up.html"},
        {kPage, ".a/..b/.../c.", "host/dir/.a/..b/.../c."},
        {kPage, "x/y/.\\z", "host/dir/x/y/z"},
        {kPage, "/root.html", "host/root.html"},
        {kPage, "\\root.html", "host\\root.html"},
        {kPage, "#top", "host/dir/page.html#top"},
        {"http://host/p.html#old", "#new", "host/p.html#new"},
        {"http://host", "#x", "host/#x"},
        {kPage, "?q=1", "host/dir/page.html?q=1"},
        {"http://host/dir/p?x=a/b", "q", "host/dir/q"},
        {kPage, "a.html?x=./y/../z", "host/dir/a.html?x=./y/../z"},
        {"http://host", "a.html", "host/a.html"},
        {"http://host:81/x/", "y", "host:81/x/y"},
        {"other/x/", "y.html", "other/x/y.html"},
        {"file:C:\\dir\\page.html", "x.html", "file:C:\\dir\\x.html"},
        {"file:C:\\dir\\page.html", "..\\..\\x.html", "file:C:\\x.html"},
    };
    ExpectResolved(rows, std::size(rows));
}

TEST(LinkResolver, ValuesAreCleanedAndDecodedBeforeResolving)
{
    const Row rows[] = {
        {kPage, "  \"a b.html\"  ", "host/dir/ab.html"},
        {kPage, "'x\r\n.html'", "host/dir/x.html"},
        {kPage, "p?a=1&amp;b=2", "host/dir/p?a=1&b=2"},
        {kPage, "&amp;amp;", "host/dir/&amp;"},
        {kPage, "", "host/dir/page.html"},
        {kPage, " \"\" ", "host/dir/page.html"},
        {"http://host", "", "host/"},
        {"", "", "/"},
    };
    ExpectResolved(rows, std::size(rows));
}

TEST(LinkResolver, NormalisingNeverClimbsAboveTheHost)
{
    EXPECT_EQ(NormaliseAddress("http://host/../../x"), "http://host/x");
    EXPECT_EQ(NormaliseAddress("host/a/./b/../c d"), "host/a/cd");
    EXPECT_EQ(NormaliseAddress("host/a&lt;b"), "host/a<b");
    EXPECT_EQ(StoreForm("http://h/x  "), "h/x");
}

TEST(HtmlEntities, KnownNamesBecomeTheirLatin1Byte)
{
    struct EntityRow
    {
        const char* text;
        std::string expected;
    };
    const EntityRow rows[] = {
        {"a&amp;b", "a&b"},
        {"&lt;&gt;&quot;", "<>\""},
        {"&nbsp;", "\xA0"},
        {"&yuml;", "\xFF"},
        {"&Aelig;", "\xC6"},
        {"&AElig;", "&AElig;"},
        {"&aelig;", "\xE6"},
        {"&AMP;", "&AMP;"},
        {"&#65;", "&#65;"},
        {"&amp", "&amp"},
        {"&unknown;", "&unknown;"},
        {"&&amp;;", "&&;"},
        {"&", "&"},
        {"x&frac34;y&ETH;", "x\xBEy\xD0"},
    };
    for (const EntityRow& row : rows)
        EXPECT_EQ(DecodeEntities(row.text), row.expected) << row.text;
}

TEST(HtmlEntities, TheTableCoversEveryCodeFrom160To255Once)
{
    const char* names[] = {"nbsp", "iquest", "Agrave", "times", "szlig", "divide", "thorn"};
    const int codes[] = {160, 191, 192, 215, 223, 247, 254};
    for (std::size_t i = 0; i < std::size(names); ++i)
        EXPECT_EQ(EntityCode(names[i]), codes[i]) << names[i];
    EXPECT_EQ(EntityCode(""), -1);
}

TEST(StoreAddress, EveryColonIsEncodedAndNothingElse)
{
    EXPECT_EQ(EncodeForStore("host:8080/a.html"), "host&colon;8080/a.html");
    EXPECT_EQ(EncodeForStore("file:C:\\x"), "file&colon;C&colon;\\x");
    EXPECT_EQ(EncodeForStore("host/a b?c=&d"), "host/a b?c=&d");
    EXPECT_EQ(EncodeForStore(ResolveAddress(kPage, "http://host:8080/a.html")), "host&colon;8080/a.html");
}

TEST(LinkResolver, DotlessHostWithAPortKeepsItsHost)
{
    const Row rows[] = {
        {"http://localhost:8080/", "a.html", "localhost:8080/a.html"},
        {"http://localhost:8080", "", "localhost:8080/"},
        {"localhost:8080/dir/page.html", "b.html", "localhost:8080/dir/b.html"},
        {"localhost:8080/dir/page.html", "/c.html", "localhost:8080/c.html"},
        {"localhost:8080", "x", "localhost:8080/x"},
        {"intranet:81/dir/", "../up.html?q=a:b", "intranet:81/up.html?q=a:b"},
        {"news:119/dir/", "a", "news:119/dir/a"},
        {kPage, "http://intranet:81/x", "intranet:81/x"},
        {kPage, "svn+ssh://host/x", "host/x"},
        {kPage, "tel:5551234", "5551234"},
    };
    ExpectResolved(rows, std::size(rows));
}

TEST(StoreAddress, ASchemeIsAKnownNameOrOneFollowedByTwoSlashes)
{
    const std::pair<const char*, std::size_t> rows[] = {
        {"localhost:8080/a", 0}, {"intranet:81", 0},      {"Localhost:x", 0}, {"news:119/", 0},
        {"svn+ssh://x", 7},      {"mailto:a@b", 6},       {"tel:911", 3},     {"news:comp.lang", 4},
        {"JAVASCRIPT:go()", 10}, {"data:text/plain,", 4}, {"file:C:\\x", 4},  {"https://x:443/", 5},
    };
    for (const auto& [address, length] : rows)
        EXPECT_EQ(SchemeLength(address), length) << address;
    // On a page any name before ":" is a scheme, unless a port follows.
    const std::pair<const char*, std::size_t> links[] = {
        {"skype:ann", 5}, {"intranet:81/a", 0}, {"localhost:8080", 0}, {"mailto:a@b", 6}, {"a/b:c", 0}};
    for (const auto& [value, length] : links)
        EXPECT_EQ(LinkSchemeLength(value), length) << value;
}

TEST(StoreAddress, SchemesNeedTwoCharactersSoDriveLettersAreNotSchemes)
{
    EXPECT_EQ(SchemeLength("http://x"), 4u);
    EXPECT_EQ(SchemeLength("C:\\x"), 0u);
    EXPECT_EQ(SchemeLength("a.b:c"), 0u);
    EXPECT_EQ(SchemeLength("x/y:z"), 0u);
    EXPECT_EQ(SchemeLength("page?x=a:b"), 0u);
    EXPECT_TRUE(HasSchemeNamed("JavaScript:go()", "javascript"));
    EXPECT_FALSE(HasSchemeNamed("https://x", "http"));
}

} // namespace
} // namespace rv
