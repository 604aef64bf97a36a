// The bookmarks window offscreen: a browser's export as a tree, Copy into
// the clipboard's spare entry, and what a drag from the tree carries to a
// brief.
#include "client/shell/desktop/bookmark-import.h"
#include "client/shell/desktop/bookmark-tree-model.h"
#include "client/shell/desktop/bookmarks-window.h"
#include "tests/support/offscreen-widgets.h"
#include "tests/support/sandbox.h"

#include <QMimeData>
#include <QTreeView>
#include <gtest/gtest.h>

namespace rv::test
{
namespace
{

class BookmarksWindowTest : public SandboxedTest
{
protected:
    void SetUp() override
    {
        SandboxedTest::SetUp();
        EnsureWidgetsApplication();
    }

    QString Export() const { return QString::fromStdString((SourceDir() / "tests/data/bookmarks-export.html").string()); }

    // The index of the node whose text is `text`, searched depth first.
    static QModelIndex Find(const QAbstractItemModel& model, const QString& text, const QModelIndex& parent = {})
    {
        for (int row = 0; row < model.rowCount(parent); ++row)
        {
            const QModelIndex index = model.index(row, 0, parent);
            if (index.data().toString() == text)
                return index;
            if (const QModelIndex found = Find(model, text, index); found.isValid())
                return found;
        }
        return {};
    }

    EntryClipboard clipboard_;
    EntryDefaults webDefaults_;
};

TEST_F(BookmarksWindowTest, ExportShowsAsATreeUnderItsTitle)
{
    UserMessage error;
    const std::unique_ptr<TBkMarks> window =
        OpenBookmarksWindow(Export(), BookmarkFileKind::Bookmarks, clipboard_, webDefaults_, &error);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowTitle(), "Bookmarks");
    const QAbstractItemModel& model = *window->KSOutline()->model();
    ASSERT_EQ(model.rowCount(), 4);
    const QModelIndex news = model.index(0, 0);
    EXPECT_EQ(news.data().toString(), "Nachrichten & Wetter");
    ASSERT_EQ(model.rowCount(news), 3);
    const QModelIndex weather = model.index(1, 0, news);
    EXPECT_EQ(model.index(0, 0, weather).data().toString(), QString::fromUtf8("Pr\u00e9visions m\u00e9t\u00e9o \u00e0 Paris"));
    EXPECT_EQ(model.parent(model.index(0, 0, weather)), weather);
    EXPECT_EQ(model.index(1, 0).data(BookmarkTreeModel::AddressRole).toString(),
              "https://ja.wikipedia.org/wiki/%E6%9D%B1%E4%BA%AC");
    window->KSOutline()->expandAll();
    window->show();
    EXPECT_FALSE(SaveScreenshot(*window, "bookmarks").empty());
}

TEST_F(BookmarksWindowTest, FileThatIsNoBookmarkFileMakesNoWindow)
{
    WriteFile(PathOf("empty.htm"), "");
    WriteFile(PathOf("words.htm"), "no bookmarks here");
    for (const char* name : {"empty.htm", "words.htm", "missing.htm"})
    {
        UserMessage error;
        EXPECT_FALSE(OpenBookmarksWindow(QString::fromStdString(PathOf(name).string()), BookmarkFileKind::Bookmarks, clipboard_,
                                         webDefaults_, &error))
            << name;
        EXPECT_EQ(error, BookmarkFileError) << name;
    }
}

TEST_F(BookmarksWindowTest, CopiedBookmarkIsPastedAsANamedWebEntry)
{
    const std::unique_ptr<TBkMarks> window =
        OpenBookmarksWindow(Export(), BookmarkFileKind::Bookmarks, clipboard_, webDefaults_, nullptr);
    ASSERT_TRUE(window);
    int copies = 0;
    QObject::connect(window.get(), &TBkMarks::copied, [&] { ++copies; });
    window->KSOutline()->setCurrentIndex(Find(*window->Model(), "Getting Started"));
    window->CopyAction()->trigger();
    EXPECT_EQ(copies, 1);
    TWebList list;
    ASSERT_EQ(clipboard_.Paste(list), 1);
    EXPECT_EQ(list[0].EntryName, "Getting Started");
    EXPECT_EQ(list[0].URL, "https://www.mozilla.org/en-US/firefox/central/");
    EXPECT_TRUE(list[0].NameSet);
    EXPECT_FALSE(list[0].Images);
    EXPECT_EQ(list[0].SpiderDepth, 1);
}

TEST_F(BookmarksWindowTest, DraggedFolderDropsItsBookmarksAndStopsAtItsEnd)
{
    const std::unique_ptr<TBkMarks> window =
        OpenBookmarksWindow(Export(), BookmarkFileKind::Bookmarks, clipboard_, webDefaults_, nullptr);
    ASSERT_TRUE(window);
    const std::unique_ptr<QMimeData> drag(window->Model()->mimeData({Find(*window->Model(), "Nachrichten & Wetter")}));
    ASSERT_TRUE(drag);
    const std::vector<BookmarkNode> nodes = BookmarksFromMimeData(*drag);
    ASSERT_EQ(nodes.size(), 5u);
    TWebList list;
    list.Create(EntryKind::Web, 0);
    EXPECT_EQ(DropBookmarks(list, nodes, 0, 1), 3);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list[1].URL, "https://www.tagesschau.de/");
    EXPECT_EQ(list[2].URL, "https://meteofrance.com/previsions-meteo-france/paris/75000");
    EXPECT_EQ(list[3].EntryName, "Regen <heute>");
}

TEST_F(BookmarksWindowTest, LinkFileShowsItsLinksAsAFlatList)
{
    WriteFile(PathOf("links.htm"), "<a href=\"http://a.example/\">A</a> <a href=\"http://b.example/\"><img src=b.gif></a>");
    const std::unique_ptr<TBkMarks> window = OpenBookmarksWindow(QString::fromStdString(PathOf("links.htm").string()),
                                                                 BookmarkFileKind::Links, clipboard_, webDefaults_, nullptr);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowTitle(), "links.htm");
    const QAbstractItemModel& model = *window->KSOutline()->model();
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.index(1, 0).data().toString(), "http://b.example/");
    EXPECT_EQ(model.rowCount(model.index(0, 0)), 0);
}

} // namespace
} // namespace rv::test
