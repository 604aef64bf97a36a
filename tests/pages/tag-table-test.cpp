#include "client/pages/tag-table.h"
#include "client/pages/working-copy.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

// The value FindAttribute reports for `name` in the first tag of `html`, or
// "(none)".
std::string ValueOf(const std::string& html, const char* name)
{
    std::string copy;
    MakeWorkingCopy(html, copy);
    const std::ptrdiff_t end = TagEnd(copy, 0);
    const std::size_t tagEnd = end == kNoTag ? copy.size() : static_cast<std::size_t>(end);
    std::optional<AttributeValue> value =
        std::string_view(name) == "url=" ? FindRefreshUrl(copy, 0, tagEnd) : FindAttribute(copy, 0, tagEnd, name);
    return value ? html.substr(value->Start, value->End - value->Start) : "(none)";
}

struct AttributeRow
{
    const char* html;
    const char* name;
    const char* value;
};

TEST(TagTableTest, AttributeValuesAreFoundByTheRulesOfTheScan)
{
    const AttributeRow rows[] = {
        {"<a href=\"x.html\">", "href", "x.html"},
        {"<a href = 'x.html' >", "href", "x.html"},
        {"<a href=x.html>", "href", "x.html"},
        {"<A\tHREF=x.html>", "href", "x.html"},
        {"<a data-href=x href=y>", "href", "y"},
        {"<a hreflang=en href=y>", "href", "y"},
        {"<a title=\"see href=z\" href=y>", "href", "y"},
        {"<a href>", "href", "(none)"},
        {"<a href class=x>", "href", "(none)"},
        {"<a href=\"unclosed>", "href", "unclosed"},
        {"<img src=a.gif usemap=\"#m\">", "usemap", "#m"},
        {"<meta http-equiv=refresh content=\"0; URL=next.html\">", "url=", "next.html"},
        {"<meta http-equiv=refresh content=\"0;url='next.html'\">", "url=", "next.html"},
        {"<meta name=description content=\"a page\">", "url=", "(none)"},
    };
    for (const AttributeRow& row : rows)
        EXPECT_EQ(ValueOf(row.html, row.name), row.value) << row.html;
}

TEST(TagTableTest, TagsAreClassifiedByTheirNameFollowedBySpaceOrTheEnd)
{
    const std::pair<const char*, TagKind> rows[] = {
        {"<a href=x>", TagKind::Anchor},       {"<A>", TagKind::Anchor},
        {"<abbr title=x>", TagKind::Other},    {"<area href=x>", TagKind::Area},
        {"<img src=x>", TagKind::Image},       {"<image src=x>", TagKind::Image},
        {"<iframe src=x>", TagKind::Frame},    {"<frame src=x>", TagKind::Frame},
        {"<frameset rows=x>", TagKind::Other}, {"</frame>", TagKind::FrameEnd},
        {"<noframes>", TagKind::NoFrame},      {"</NOFRAMES>", TagKind::NoFrameEnd},
        {"<applet code=x>", TagKind::Applet},  {"<object data=x>", TagKind::Object},
        {"<link rel=x>", TagKind::Link},       {"<script src=x>", TagKind::Script},
        {"<form action=x>", TagKind::Form},    {"< a href=x>", TagKind::Other},
        {"<map name=x>", TagKind::Map},        {"<input src=x>", TagKind::Input},
        {"<source src=x>", TagKind::Source},   {"<use href=x>", TagKind::Image},
    };
    for (const auto& [html, kind] : rows)
    {
        std::string copy;
        MakeWorkingCopy(html, copy);
        EXPECT_EQ(ClassifyTag(copy, 0), kind) << html;
    }
}

TEST(TagTableTest, WorkingCopyMarksTagsAndDisarmsMarkerBytesOfThePage)
{
    std::string copy;
    MakeWorkingCopy(std::string("a<b>\x01\x02", 6), copy);
    EXPECT_EQ(copy, std::string("a\x01"
                                "b\x02\x03\x03",
                                6));
    EXPECT_EQ(FindTag(copy, 0, "b"), 1);
    EXPECT_EQ(FindTag(copy, 2, "b"), kNoTag);

    // Every byte value, at every position of a block of sixteen and in the tail.
    std::string page;
    for (int round = 0; round < 3; ++round)
        for (int value = 0; value < 256; ++value)
            page += char(value + round);
    page += "<>";
    MakeWorkingCopy(page, copy);
    ASSERT_EQ(copy.size(), page.size());
    for (std::size_t i = 0; i < page.size(); ++i)
    {
        const char expected = page[i] == '<'                           ? kTagOpen
                              : page[i] == '>'                         ? kTagClose
                              : page[i] == '\x01' || page[i] == '\x02' ? '\x03'
                                                                       : page[i];
        ASSERT_EQ(copy[i], expected) << "at " << i;
    }
}

} // namespace
} // namespace rv
