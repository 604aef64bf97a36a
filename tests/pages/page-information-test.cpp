#include "client/pages/page-information.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

struct PageCase
{
    const char* answer;
    const char* address; // as the entry stores it
    const char* title;
};

TEST(PageInformation, BrowserAnswersBecomeEntryAddressAndTitle)
{
    const PageCase cases[] = {
        {"\"http://www.example.com/\",\"Example Domain\",\"x\"", "http://www.example.com/", "Example Domain"},
        {"http://plain.example/", "http://plain.example/", "http://plain.example/"},
        {"\"http://n.example/\",\"Netscape - [Front Page]\"", "http://n.example/", "Front Page"},
        {"\"http://n.example/\",\"Netscape -\"", "http://n.example/", ""},
        {"\"http://c.example/\",,\"Title, with comma\"", "http://c.example/", "Title, with comma"},
        {"http://127.0.0.1:1888/home/ann/Briefs/News.12-7-99.4h05m09s.rvd/12/http&colon;//www.example.com/a.html,\"A\"",
         "http://www.example.com/a.html", "A"},
        {"http://127.0.0.1:1888/home/ann/News.rvd/cumulative/7-/\\http&colon//www.example.com/b,B", "http://www.example.com/b",
         "B"},
        {"http://127.0.0.1:1888/home/ann/News.rvd", "", "http://127.0.0.1:1888/home/ann/News.rvd"},
        {"http://127.0.0.1:1888/no-archive/page&colon;x", "http://127.0.0.1:1888/no-archive/page:x",
         "http://127.0.0.1:1888/no-archive/page&colon;x"},
        {"http&colon;//a.example/&colon", "http://a.example/:", "http&colon;//a.example/&colon"},
    };
    for (const PageCase& c : cases)
    {
        const PageInformation page = ParsePageInformation(c.answer);
        EXPECT_EQ(WebAddressOfPage(page.Address), c.address) << c.answer;
        EXPECT_EQ(page.Title, c.title) << c.answer;
    }
}

TEST(PageInformation, PageBecomesTheFocusedAndOnlySelectedEntryAtTheTop)
{
    TWebList list;
    list.Create(EntryKind::Web, 0);
    list.Select(0, true);
    EXPECT_EQ(AddBrowserPage(list, {}, nullptr), -1);
    ASSERT_EQ(AddBrowserPage(list, {"http&colon;//x.example/", "X"}, nullptr), 0);
    EXPECT_EQ(list[0].URL, "http://x.example/");
    EXPECT_EQ(list[0].EntryName, "X");
    EXPECT_TRUE(list[0].NameSet);
    EXPECT_EQ(list.Focus(), 0);
    EXPECT_EQ(list.SelectedPositions(), std::vector<int>{0});
}

} // namespace
} // namespace rv
