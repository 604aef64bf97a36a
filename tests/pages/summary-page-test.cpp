#include "client/briefs/web-page.h"
#include "client/pages/summary-page.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

TWebPage WebEntry()
{
    TWebPage entry = MakeEntry(EntryKind::Web);
    entry.EntryName = "News";
    entry.URL = "http://www.x.com/news";
    entry.SpiderDepth = 2;
    return entry;
}

SummaryEntry Item(const TWebPage& entry, std::int32_t number = 0)
{
    return SummaryEntry{&entry, {{entry.EntryName, entry.URL}}, {number}};
}

SummaryInput Input()
{
    SummaryInput input;
    input.BriefName = "Morning";
    input.StartDate = "3/7/2005";
    input.StartTime = "12:05:09AM";
    return input;
}

const std::string Start = "<html>\r\n<head>\r\n<title>Morning</title>\r\n</head>\r\n"
                          "<body bgcolor=#FFFFFF background=\"Background\"><ul>\r\n"
                          "<p><img src=\"RavelinBar\" width=402 height=43 alt=\"Ravelin Pro\">\r\n"
                          "<p><font size=5><b>\r\nBrief: </b>Morning\r\n</font><br>\r\n"
                          "<font size=3><b>Brief Started: </b>3/7/2005     12:05:09AM</font><font size=1><br></font>\r\n";
const std::string BannerEnd = "</font><font size=1><br></font><hr size=3>\r\n";
const std::string End = "<hr size=4><br>Ravelin<font size=1>(TM)</font> Pro<p>\r\n</body></ul>\r\n</html>\r\n";

TEST(SummaryPage, StartAndBannerShowTheInformationTextOnlyWhenThereIsOne)
{
    SummaryInput input = Input();
    EXPECT_EQ(SummaryPageStart(input), Start + BannerEnd);
    input.Information = "Daily papers";
    EXPECT_EQ(SummaryPageStart(input), Start + "<font size=3><b>\r\n Brief Information: </b>\r\nDaily papers" + BannerEnd);
    EXPECT_EQ(SummaryPageEnd(), End);
}

TEST(SummaryPage, WebEntryListBlockLinksEveryPageOfTheEntry)
{
    TWebPage entry = WebEntry();
    entry.FullRetrieval = false;
    entry.MarkDiffs = true;
    entry.SmartSearch = true;
    entry.SearchFor = "ravel";
    EXPECT_EQ(SummaryEntryBlock(Item(entry, 4), SummaryLayout::List),
              "<font size=4><b>Web Entry: </b><a href=4/www.x.com/news>News</a></font><br>\r\n"
              "<ul><font size=2><b>Retrieval: </b>Mark Differences, Smart Search (ravel), Loading 2 levels</font>\r\n"
              " <font size=2><a href=4/www.x.com/newsKSDiffOrigProcessed>Unfiltered Page</a></font>\r\n"
              " <font size=2><a href=\"4/TOC4\">Site Map</a></font>\r\n"
              " <font size=2><a href=\"4/Match4\">Smart Search Matches</a></font>\r\n"
              "\r\n</ul>\r\n");
}

TEST(SummaryPage, SinglePageEntryHasNoSiteMapLinkAndOneLevel)
{
    TWebPage entry = WebEntry();
    entry.SpiderDepth = 1;
    entry.LocalOnly = true;
    EXPECT_EQ(SummaryEntryBlock(Item(entry), SummaryLayout::List),
              "<font size=4><b>Web Entry: </b><a href=0/www.x.com/news>News</a></font><br>\r\n"
              "<ul><font size=2><b>Retrieval: </b>Full Page, Loading 1 level</font>\r\n\r\n</ul>\r\n");
    entry.LocalOnly = false;
    EXPECT_NE(SummaryEntryBlock(Item(entry), SummaryLayout::List).find("\"0/TOC0\">Site Map"), std::string::npos);
}

TEST(SummaryPage, CaptionAndAddressAreEscaped)
{
    TWebPage entry = WebEntry();
    entry.EntryName = "Q&A \\\"best\\\" \"of\"";
    entry.URL = "https://www.x.com/?a=1&b=2";
    EXPECT_TRUE(SummaryEntryBlock(Item(entry), SummaryLayout::List)
                    .starts_with("<font size=4><b>Web Entry: </b><a href=0/www.x.com/?a=1&amp;b=2>"
                                 "Q&amp;A &quot;best&quot; &#34;of&#34;</a></font><br>\r\n"));
}

TEST(SummaryPage, AddressesLoseTheirSchemeAndBareHostsGetASlash)
{
    TWebPage entry = WebEntry();
    struct Row
    {
        std::string url;
        std::string href;
    };
    const Row rows[] = {
        {"http://www.x.com", "<a href=0/www.x.com/>"},
        {"www.x.com:8080", "<a href=0/www.x.com:8080/>"},
        // Without a drive letter the path keeps "file:", or the server would
        // take "home" for a host.
        {"file:///home/ann/a.html", "<a href=0/file&amp;colon;///home/ann/a.html>"},
        {"file:///C|/docs/a.htm", "<a href=0/C|/docs/a.htm>"},
        {"FILE:C:\\docs\\a.htm", "<a href=0/C:\\docs\\a.htm>"},
    };
    for (const Row& row : rows)
    {
        entry.URL = row.url;
        EXPECT_NE(SummaryEntryBlock(Item(entry), SummaryLayout::List).find(row.href), std::string::npos) << row.url;
    }
}

TEST(SummaryPage, MatchesOnlyEntryLinksNothingButItsMatches)
{
    TWebPage entry = WebEntry();
    entry.FullRetrieval = false;
    entry.SmartSearch = true;
    entry.PreserveOnly = true;
    entry.SearchFor = "ravel";
    EXPECT_EQ(SummaryEntryBlock(Item(entry, 1), SummaryLayout::List),
              "<font size=4><b>Web Entry: </b>News</font><br>\r\n"
              "<ul><font size=2><b>Retrieval: </b>Extract Differences, Smart Search (ravel), Loading 2 levels</font>\r\n"
              " <font size=2><a href=\"1/Match1\">Smart Search Matches</a></font>\r\n\r\n</ul>\r\n");
}

TEST(SummaryPage, SearchEntryGivesEveryEngineItsOwnLineAndNumber)
{
    TWebPage entry = MakeEntry(EntryKind::Search);
    entry.EntryName = "red wine";
    entry.SpiderDepth = 2;
    const SummaryEntry item{
        &entry, {{"Seek", "http://seek.example/find?q=red wine"}, {"Look", "look.example/s?k=red\twine"}}, {2, 3}};
    EXPECT_EQ(SummaryEntryBlock(item, SummaryLayout::List),
              "<font size=4><b>Search Engine Query: </b>red wine</font><br>\r\n"
              "<ul><font size=2><b>Retrieval: </b>Full Page, Loading 2 levels</font>\r\n"
              "<br><font size=3><a href=2/seek.example/find?q=red+wine>Seek</a></font>"
              " <font size=2><a href=\"2/TOC2\">Site Map</a></font>\r\n"
              "<br><font size=3><a href=3/look.example/s?k=red+wine>Look</a></font>"
              " <font size=2><a href=\"3/TOC3\">Site Map</a></font>\r\n"
              "\r\n</ul>\r\n");

    TWebPage yahoo = MakeEntry(EntryKind::Yahoo);
    yahoo.EntryName = "Wine";
    yahoo.SmartSearch = true;
    yahoo.PreserveOnly = true;
    yahoo.SearchFor = "red";
    const SummaryEntry category{&yahoo, {{"Wineries", "dir.example/Wine/Wineries"}}, {5}};
    EXPECT_EQ(SummaryEntryBlock(category, SummaryLayout::List),
              "<font size=4><b>Yahoo! Entry: </b>Wine</font><br>\r\n"
              "<ul><font size=2><b>Retrieval: </b>Full Page, Smart Search (red), Loading 1 level</font>\r\n"
              "<br><font size=3>Wineries</font> <font size=2><a href=\"5/Match5\">Smart Search Matches</a></font>\r\n"
              "\r\n</ul>\r\n");
}

TEST(SummaryPage, TableLayoutShowsTheRunsResultsAsIcons)
{
    TWebPage entry = WebEntry();
    entry.FullRetrieval = false;
    entry.MarkDiffs = true;
    entry.SmartSearch = true;
    entry.SearchFor = "ravel";
    SummaryEntry changed = Item(entry, 4);
    changed.DifferencesFound = true;
    EXPECT_EQ(SummaryEntryBlock(changed, SummaryLayout::Table),
              "<font size=4><b>Web Entry: </b><a href=4/www.x.com/news>News</a></font><br>\r\n"
              "<table><tr><td width=40><img src=\"HasMDiffs\" width=19 height=11>"
              "<img src=\"NoMatches\" width=15 height=11></td>"
              "<td><font size=2><b>Retrieval: </b>Mark Differences, Smart Search (ravel), Loading 2 levels</font>"
              "</td></tr><tr><td width=40></td><td><font size=3>\r\n</td></tr><tr><td width=40><td>\r\n"
              "<a href=\"4/www.x.com/newsKSDiffOrigProcessed\">Unfiltered Page</a><br>\r\n"
              "<a href=\"4/TOC4\">Site Map</a><br>\r\n"
              "<a href=\"4/Match4\">Smart Search Matches</a><br>\r\n"
              "\r\n</tr></table>\r\n");

    struct Row
    {
        bool full, mark, found, smart, matched;
        std::string icons;
    };
    const Row rows[] = {
        {true, false, false, false, false, "<td width=40></td>"},
        {false, false, true, false, false, "<td width=40><img src=\"HasEDiffs\" width=14 height=11></td>"},
        {false, false, false, false, false, "<td width=40><img src=\"NoEDiffs\" width=14 height=11></td>"},
        {false, true, false, false, false, "<td width=40><img src=\"NoMDiffs\" width=19 height=11></td>"},
        {true, false, false, true, true, "<td width=40><img src=\"HasMatches\" width=15 height=11></td>"},
    };
    for (const Row& row : rows)
    {
        entry.FullRetrieval = row.full;
        entry.MarkDiffs = row.mark;
        entry.SmartSearch = row.smart;
        SummaryEntry item = Item(entry);
        item.DifferencesFound = row.found;
        item.MatchesFound = row.matched;
        EXPECT_NE(SummaryEntryBlock(item, SummaryLayout::Table).find("<table><tr>" + row.icons), std::string::npos)
            << row.icons;
    }
}

TEST(SummaryPage, FragmentLinksAllStartWithThePlaceholderAndThePageHasNone)
{
    TWebPage entry = WebEntry();
    entry.FullRetrieval = false;
    entry.SmartSearch = true;
    entry.SearchFor = "ravel";
    SummaryInput input = Input();
    input.Entries = {Item(entry, 0), Item(entry, 1)};
    for (SummaryLayout layout : {SummaryLayout::List, SummaryLayout::Table})
    {
        EXPECT_EQ(SummaryPageText(input, layout).find("%%%%s"), std::string::npos);
        const std::string fragment = EntrySummaryFragment(input.Entries[1], layout);
        const std::string prefix = "href=\"%%%%s/1/";
        int links = 0;
        for (std::size_t at = fragment.find("href="); at != std::string::npos; at = fragment.find("href=", at + 1))
        {
            EXPECT_EQ(fragment.compare(at, prefix.size(), prefix), 0) << fragment.substr(at, 40);
            ++links;
        }
        EXPECT_EQ(links, 4); // caption, unfiltered page, site map, matches
    }
    EXPECT_NE(EntrySummaryFragment(input.Entries[0], SummaryLayout::List)
                  .find(" <font size=2><a href=\"%%%%s/0/TOC0\">Site Map</a></font>\r\n"),
              std::string::npos);
}

TEST(SummaryPage, WholePageSeparatesEntryBlocksWithRules)
{
    const TWebPage first = WebEntry();
    TWebPage second = WebEntry();
    second.EntryName = "Sport";
    SummaryInput input = Input();
    input.Entries = {Item(first, 0), Item(second, 1)};
    EXPECT_EQ(SummaryPageText(input, SummaryLayout::List),
              Start + BannerEnd + SummaryEntryBlock(input.Entries[0], SummaryLayout::List) + "<hr size=1>" +
                  SummaryEntryBlock(input.Entries[1], SummaryLayout::List) + End);
    input.Entries.clear();
    EXPECT_EQ(SummaryPageText(input, SummaryLayout::Table), Start + BannerEnd + End);
}

} // namespace
} // namespace rv
