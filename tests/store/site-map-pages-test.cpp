#include "store/site-map-pages.h"
#include "store/site-map-tree.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

SiteMapRecord Note(std::string group, std::string title, std::string url, std::uint8_t kind = 0, std::string note = {},
                   std::string fragment = {})
{
    SiteMapRecord record;
    record.Group = std::move(group);
    record.Title = std::move(title);
    record.Url = std::move(url);
    record.Kind = kind;
    record.Note = std::move(note);
    record.Fragment = std::move(fragment);
    return record;
}

const std::string TocHead = "<html><body bgcolor=#FFFFFF text=\"0000FF\" link=\"FF0000\">"
                            "<title>Site Map</title><h1>Site Map</h1>";
const std::string MatchHead = "<html><head><title>Smart Search Matches</title></head><body bgcolor=#FFFFFF>"
                              "<h1>Smart Search Matches</h1>";
const std::string Inaccessible = " (One or more pages were inaccessible at this time and may contain other matches.)";

// Entry 3 with a child at position 1 and a grandchild at position 2.
SiteMapForest Nested()
{
    SiteMapForest forest;
    forest.Insert(Note("3", "Entry", "www.x.com/"));
    forest.Insert(Note("3.1", "Child", "www.x.com/a", 1, "w1 w2"));
    forest.Insert(Note("3.1.2", "Grandchild", "www.x.com/b", 1));
    return forest;
}

TEST(SiteMapPages, PlaceholdersPrintNothingAndChildrenNestOneListPerLevel)
{
    const SiteMapForest forest = Nested();
    const std::string items = "<li><a href=\"www.x.com/\">Entry</a></li>"
                              "<ul><li><a href=\"www.x.com/a\">Child</a><b> Smart Search Match: (w1 w2)</b></li>"
                              "<ul><li><a href=\"www.x.com/b\">Grandchild</a><b> Smart Search Match: </b></li></ul>"
                              "</ul>";
    EXPECT_EQ(TocPage(forest.Root(3)).Text, TocHead + "<ul>" + items + "</body></html>");

    SiteMapEntryDetails entry;
    entry.Address = "http://www.x.com/";
    EXPECT_EQ(TocPage(forest.Root(3), &entry).Text,
              TocHead + "<font size=3>Web Entry: http://www.x.com/</font><ul><ul>" + items + "</ul></body></html>");
}

TEST(SiteMapPages, HeadPartsAreTheBodyTags)
{
    const GeneratedPage toc = TocPage(nullptr);
    EXPECT_EQ(toc.HeadOffset, 6u);
    EXPECT_EQ(toc.Text.substr(toc.HeadOffset, toc.HeadLength), "<body bgcolor=#FFFFFF text=\"0000FF\" link=\"FF0000\">");
    const GeneratedPage match = MatchPage(nullptr);
    EXPECT_EQ(match.HeadOffset, 54u);
    EXPECT_EQ(match.Text.substr(match.HeadOffset, match.HeadLength), "<body bgcolor=#FFFFFF>");
}

TEST(SiteMapPages, LinksAreRelativeInTheStoredForm)
{
    struct Row
    {
        std::string url;
        std::string fragment;
        std::string href;
    };
    const Row rows[] = {
        {"www.x.com/a", "", "www.x.com/a"},
        {"file:///C:/docs/b.html", "#t", "C&colon;/docs/b.html#t"},
        {"FILE:\\\\C:\\docs\\a.htm", "", "C&colon;\\docs\\a.htm"},
        {"file:///d|/a.htm", "", "d|/a.htm"},
        {"file:///tmp/b.html", "", "file&colon;///tmp/b.html"}, // no drive: the first folder is no host
        {"www.x.com:8080/a", "", "www.x.com&colon;8080/a"},
        {"http://www.x.com/", "", "http&colon;//www.x.com/"},
        {"www.x.com/a#top", "top", "www.x.com/a#top"}, // the noted address carries its anchor already
        {"www.x.com/a", "top", "www.x.com/a#top"},
        {"files.x.com/file:a", "", "files.x.com/file&colon;a"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(SiteMapHref(Note("0", "T", row.url, 0, {}, row.fragment)), row.href) << row.url;
}

// The browser decodes "&amp;colon;" to the stored "&colon;"; a raw "&colon;"
// would become ":" and make the host a scheme.
TEST(SiteMapPages, LinksAreWrittenSoTheBrowserAsksForTheStoredName)
{
    SiteMapForest forest;
    forest.Insert(Note("0", "Entry", "www.x.com:8080/a?b=1&c=\"2\"", 1));
    const std::string link = "<a href=\"www.x.com&amp;colon;8080/a?b=1&amp;c=&quot;2&quot;\">Entry</a>";
    EXPECT_NE(TocPage(forest.Root(0)).Text.find(link), std::string::npos);
    EXPECT_NE(MatchPage(forest.Root(0)).Text.find(link), std::string::npos);
}

TEST(SiteMapPages, MatchCountIsSingularForOneMatch)
{
    SiteMapForest forest;
    forest.Insert(Note("0", "Entry", "www.x.com/", 1, "hit"));
    EXPECT_EQ(MatchPage(forest.Root(0)).Text, MatchHead + "<i>1 Match found</i><br>\r\n<ul>"
                                                          "<li><a href=\"www.x.com/\">Entry</a> (hit)</li>"
                                                          "</ul></body></html>");
    const SiteMapForest nested = Nested();
    EXPECT_EQ(MatchPage(nested.Root(3)).Text, MatchHead + "<i>2 Matches found</i><br>\r\n<ul>"
                                                          "<li><a href=\"www.x.com/a\">Child</a> (w1 w2)</li>"
                                                          "<li><a href=\"www.x.com/b\">Grandchild</a></li>"
                                                          "</ul></body></html>");
}

TEST(SiteMapPages, ClientMatchPageNamesTheSearchTermsAndInaccessiblePages)
{
    SiteMapEntryDetails entry;
    entry.SearchTerms = "ravel AND lin";
    entry.Inaccessible = true;
    EXPECT_EQ(MatchPage(nullptr, &entry).Text, MatchHead + "Search Terms: ravel AND lin<br>\r\n<ul><i>No Matches Found" +
                                                   Inaccessible + "</i></ul></body></html>");
    const SiteMapForest nested = Nested();
    EXPECT_NE(MatchPage(nested.Root(3), &entry).Text.find("<i>2 Matches found" + Inaccessible + "</i><br>\r\n<ul><li>"),
              std::string::npos);
    entry.Inaccessible = false;
    EXPECT_EQ(MatchPage(nullptr, &entry).Text,
              MatchHead + "Search Terms: ravel AND lin<br>\r\n<ul><i>No Matches Found</i></ul></body></html>");
}

TEST(SiteMapPages, PagesWithoutTitleOrAddressAreNotListed)
{
    SiteMapForest forest;
    forest.Insert(Note("1", "Entry", "")); // no address: not in the site map, still a match if it matched
    forest.Insert(Note("1.0", "", "www.x.com/a", 1));
    EXPECT_EQ(TocPage(forest.Root(1)).Text, TocHead + "<ul></body></html>");
    EXPECT_EQ(CountMatches(forest.Root(1)), 0u);
}

} // namespace
} // namespace rv
