#include "client/pages/bookmark-file.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

using Nodes = std::vector<BookmarkNode>;

std::string Describe(const Nodes& nodes)
{
    std::string out;
    for (const BookmarkNode& node : nodes)
        out += std::string(static_cast<std::size_t>(node.Depth) * 2, ' ') + node.Text + " <" + node.Address + ">\n";
    return out;
}

TEST(BookmarkFile, ExportOfACurrentBrowserImportsEveryAddressAndTitle)
{
    const std::string text = test::ReadFile(test::SourceDir() / "tests/data/bookmarks-export.html");
    const BookmarkTree tree = ReadBookmarkFile(text);
    ASSERT_TRUE(tree.Ok);
    EXPECT_EQ(tree.Title, "Bookmarks");
    EXPECT_EQ(Describe(tree.Nodes),
              "Nachrichten & Wetter <>\n"
              "  Tagesschau – Nachrichten <https://www.tagesschau.de/>\n"
              "  Météo <>\n"
              "    Prévisions météo à Paris <https://meteofrance.com/previsions-meteo-france/paris/75000>\n"
              "  Regen <heute> <https://www.example.com/search?q=rain&lang=de>\n"
              "東京 - Wikipedia <https://ja.wikipedia.org/wiki/%E6%9D%B1%E4%BA%AC>\n"
              "Bookmarks Toolbar <>\n"
              "  Getting Started <https://www.mozilla.org/en-US/firefox/central/>\n"
              "  Most Visited <place:sort=8&maxResults=10>\n"
              "Other Bookmarks <>\n");
}

TEST(BookmarkFile, FolderOfTwoBookmarksDropsAsTwoEntries)
{
    const BookmarkTree tree = ReadBookmarkFile("<dl><p><dt><h3>News</h3><dl><p>"
                                               "<dt><a href=\"http://a.example/\">A</a>"
                                               "<dt><a href='http://b.example/'>B</a></dl><p></dl>");
    ASSERT_EQ(Describe(tree.Nodes), "News <>\n  A <http://a.example/>\n  B <http://b.example/>\n");
    TWebList list;
    EXPECT_EQ(DropBookmarks(list, tree.Nodes, 0, 0), 2);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0].URL, "http://a.example/");
    EXPECT_EQ(list[1].EntryName, "B");
}

struct FileCase
{
    const char* name;
    std::string text;
    std::string expected; // Describe() of the nodes, or the error text
};

void PrintTo(const FileCase& c, std::ostream* out)
{
    *out << c.name;
}

class BookmarkFileCases : public testing::TestWithParam<FileCase>
{
};

TEST_P(BookmarkFileCases, ReadsAsExpected)
{
    const BookmarkTree tree = ReadBookmarkFile(GetParam().text);
    EXPECT_EQ(tree.Ok ? Describe(tree.Nodes) : tree.Error.Text, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    All, BookmarkFileCases,
    testing::Values(FileCase{"OldBrowserUnquotedAndLowerCase",
                             "<TITLE>Ann's Bookmarks</TITLE>\n<DL>\n<DT><A HREF=http://old.example/ ADD_DATE=1>Old</A>\n"
                             "<DT><H3 FOLDED>Sub</H3>\n<DL>\n<dt\n><a\thref=\"x.html\">Rel &#233;&#xE9;</a>\n</DL>\n</DL>",
                             "Old <http://old.example/>\nSub <>\n  Rel éé <x.html>\n"},
                    FileCase{"QuotedGreaterThanStaysInTheAddress", "<dl><dt><a href=\"http://q.example/?a>b\">Q</a></dl>",
                             "Q <http://q.example/?a>b>\n"},
                    FileCase{"UnclosedQuoteEndsTheTagAtItsFirstGreaterThan", "<dl><dt><a href=\"http://u.example/>U</a></dl>",
                             "U <http://u.example/>\n"},
                    FileCase{"UntitledLinkShowsItsAddress", "<dl><dt><a href=\"http://e.example/\"></a></dl>",
                             "http://e.example/ <http://e.example/>\n"},
                    FileCase{"SkippedLevelHangsUnderTheLastItem",
                             "<dl><dt><h3>F</h3><dl><dl><dl><dt><a href=x>X</a></dl></dl></dl></dl>", "F <>\n  X <x>\n"},
                    FileCase{"FileCutInsideATag", "<dl><dt><a href=\"http://c.example/\">C</a><dt><a href=\"http://d",
                             "C <http://c.example/>\n"},
                    FileCase{"ItemWithoutItsTagIsNoBookmark", "<dl><dt></dl><dt>",
                             "This file is either corrupt or is not a Bookmark file. Ravelin Pro cannot load it."},
                    FileCase{"PlainTextIsNoBookmarkFile", "just words",
                             "This file is either corrupt or is not a Bookmark file. Ravelin Pro cannot load it."}),
    [](const testing::TestParamInfo<FileCase>& info) { return std::string(info.param.name); });

TEST(BookmarkFile, NestingBeyondTheLimitStaysAtTheDeepestLevel)
{
    std::string text;
    for (int i = 0; i < 150; ++i)
        text += "<dl><dt><h3>L</h3>";
    const BookmarkTree tree = ReadBookmarkFile(text);
    ASSERT_EQ(tree.Nodes.size(), 150u);
    EXPECT_EQ(tree.Nodes[99].Depth, MaxBookmarkDepth - 1);
    EXPECT_EQ(tree.Nodes.back().Depth, MaxBookmarkDepth - 1);
}

TEST(LinkFile, ListsLinksInFileOrderAndImageLinksUnderTheirAddress)
{
    const BookmarkTree tree =
        ReadLinkFile("<html><title>Links</title><body><a href=\"http://one.example/\"> <b>One &amp; only</b> </a>"
                     "<a name=\"anchor\">no address</a><abbr>x</abbr>"
                     "<A\nHREF='http://pic.example/'><IMG SRC=\"p.gif\"></A><a href=\"http://two.example/\">Two</a>");
    ASSERT_TRUE(tree.Ok);
    EXPECT_EQ(tree.Title, "Links");
    EXPECT_EQ(Describe(tree.Nodes), "One & only <http://one.example/>\nhttp://pic.example/ <http://pic.example/>\n"
                                    "Two <http://two.example/>\n");
}

TEST(LinkFile, FileWithoutLinksAndBinaryFileAreRefused)
{
    EXPECT_EQ(ReadLinkFile("<p>nothing <a name=x>here</a>").Error, NoLinksError);
    const BookmarkTree binary = ReadLinkFile(std::string("<a href=x>y</a>\0\x01", 17));
    EXPECT_FALSE(binary.Ok);
    EXPECT_EQ(binary.Error, LinkFileError);
    EXPECT_TRUE(binary.Nodes.empty());
}

} // namespace
} // namespace rv
