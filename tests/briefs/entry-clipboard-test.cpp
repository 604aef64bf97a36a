#include "client/briefs/entry-clipboard.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

TWebList ListOf(std::vector<std::string> names)
{
    TWebList list;
    for (const std::string& name : names)
    {
        const int at = list.Create(EntryKind::Web, -1);
        list[at].EntryName = name;
        list[at].NameSet = true;
    }
    return list;
}

std::string Names(const TWebList& list)
{
    std::string names;
    for (int i = 0; i < list.Count(); ++i)
    {
        names += (i > 0 ? " " : "") + list[i].EntryName;
    }
    return names;
}

TEST(EntryClipboard, CopyKeepsEveryFieldWithinTheTextLimits)
{
    TWebPage source = MakeEntry(EntryKind::Search);
    source.EntryName = std::string(300, 'n');
    source.Password = std::string(257, 'p');
    source.URL = std::string(300, 'u');
    source.EngineList = "\x02"
                        "ab";
    source.EngineListLength = 3;
    source.PageRefs = {"r1", "r2"};
    source.SummaryFragments = {{"f", "a.rvd"}};
    source.UserAgent = "Bot/1";
    source.Selected = true;
    const TWebPage copy = CopyEntry(source);
    EXPECT_EQ(copy.EntryName, std::string(256, 'n'));
    EXPECT_EQ(copy.Password, std::string(256, 'p'));
    EXPECT_EQ(copy.URL, source.URL) << "only the listed texts are limited";
    EXPECT_EQ(copy.Kind, EntryKind::Search);
    EXPECT_EQ(copy.EngineList, source.EngineList);
    EXPECT_EQ(copy.EngineListLength, 3);
    EXPECT_EQ(copy.PageRefs, source.PageRefs);
    EXPECT_EQ(copy.SummaryFragments, source.SummaryFragments);
    EXPECT_EQ(copy.UserAgent, "Bot/1");
    EXPECT_FALSE(copy.Selected);
}

TEST(EntryClipboard, PasteInsertsTheCopiesInOrderAtTheFocus)
{
    TWebList list = ListOf({"e0", "e1", "e2", "e3", "e4", "e5"});
    list.Click(1);
    list.CtrlClick(3);
    list.CtrlClick(5);
    EntryClipboard clipboard;
    clipboard.Copy(list);
    list.Click(0);
    EXPECT_EQ(clipboard.Paste(list), 3);
    EXPECT_EQ(Names(list), "e1 e3 e5 e0 e1 e2 e3 e4 e5");
    EXPECT_EQ(list.Focus(), 0);

    TWebList other = ListOf({"x"});
    other.SetFocus(-1);
    clipboard.Paste(other);
    EXPECT_EQ(Names(other), "x e1 e3 e5") << "without a focus the copies go after the last entry";
    EXPECT_EQ(other.Focus(), 0);
}

TEST(EntryClipboard, SpareEntryIsPastedWhileTheClipboardIsEmpty)
{
    EntryClipboard clipboard;
    EXPECT_FALSE(clipboard.CanPaste());
    TWebPage bookmark = MakeEntry(EntryKind::Web);
    bookmark.EntryName = "Bookmark";
    clipboard.SetSpare(bookmark);
    TWebList list = ListOf({"a"});
    EXPECT_EQ(clipboard.Paste(list), 1);
    EXPECT_EQ(Names(list), "a Bookmark");
}

TEST(EntryClipboard, CuttingTheLastEntryLeavesAnEmptyBriefAndSomethingToPaste)
{
    TWebList list = ListOf({"only"});
    list.Click(0);
    EntryClipboard clipboard;
    clipboard.Copy(list);
    const int focus = list.Focus();
    DeleteSelected(list);
    FocusAfterCut(list, focus);
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(list.Focus(), -1);
    EXPECT_TRUE(clipboard.CanPaste());
}

TEST(EntryClipboard, CutFocusesTheEntryThatTookTheOldPlace)
{
    TWebList list = ListOf({"a", "b", "c", "d"});
    list.Click(1);
    list.CtrlClick(3);
    const int focus = list.Focus();
    DeleteSelected(list);
    FocusAfterCut(list, focus);
    EXPECT_EQ(Names(list), "a c");
    EXPECT_EQ(list.Focus(), 1);
    EXPECT_EQ(list.SelectedPositions(), std::vector<int>{1});
}

TEST(EntryClipboard, DeleteQuestionSpeaksOfOneOrSeveralEntries)
{
    EXPECT_EQ(DeleteQuestion("Delete", 1),
              (UserMessage{"Delete Entry", "Are you sure you want to delete this Entry and all of its properties?"}));
    EXPECT_EQ(DeleteQuestion("Cut", 3),
              (UserMessage{"Cut Entry", "Are you sure you want to cut these Entries and all of their properties?"}));
}

TEST(EntryClipboard, MenuEntryGoesBeforeTheFocusAndCancelRemovesIt)
{
    TWebList list = ListOf({"e0", "e1", "e2", "e3"});
    list.Click(2);
    const int at = AddEntryFromMenu(list, EntryKind::Web, nullptr);
    EXPECT_EQ(at, 2);
    EXPECT_EQ(Names(list), "e0 e1 New Page e2 e3");
    EXPECT_EQ(list.Focus(), 2);
    EXPECT_EQ(list.SelectedPositions(), std::vector<int>{2});
    list.Delete(at);
    EXPECT_EQ(Names(list), "e0 e1 e2 e3");

    const int search = AddEntryFromMenu(list, EntryKind::Search, nullptr);
    EXPECT_EQ(list[search].EngineListLength, -1);
    EXPECT_EQ(list[search].EntryName, "New Search");

    TWebList empty;
    EXPECT_EQ(AddEntryFromMenu(empty, EntryKind::Yahoo, nullptr), 0);
}

TEST(EntryClipboard, DraggingWithinABrief)
{
    TWebList list = ListOf({"e0", "e1", "e2", "e3", "e4", "e5"});
    EXPECT_TRUE(DropEntryWithin(list, 2, 4, false));
    EXPECT_EQ(Names(list), "e0 e1 e3 e4 e2 e5");
    EXPECT_EQ(list.Focus(), 4);
    EXPECT_FALSE(DropEntryWithin(list, 4, 4, false)) << "dropping on its own row does nothing";
    EXPECT_TRUE(DropEntryWithin(list, 0, 99, false));
    EXPECT_EQ(Names(list), "e1 e3 e4 e2 e5 e0");

    list.SetFocus(3);
    EXPECT_TRUE(DropEntryWithin(list, 3, 1, true));
    EXPECT_EQ(Names(list), "e1 e2 e3 e4 e2 e5 e0");
    EXPECT_EQ(list.Focus(), 4) << "the focus stays on the source";
}

TEST(EntryClipboard, DraggingOntoAnotherBriefCopies)
{
    TWebList source = ListOf({"a", "b"});
    TWebList target = ListOf({"x", "y"});
    EXPECT_EQ(DropEntryOnto(target, source[1], 1), 1);
    EXPECT_EQ(Names(target), "x b y");
    EXPECT_EQ(target.Focus(), 1);
    EXPECT_EQ(Names(source), "a b");
}

TEST(EntryClipboard, DroppedBookmarksBecomeNamedWebEntries)
{
    const std::vector<BookmarkNode> nodes = {
        {0, "News", ""}, {1, "Daily", "http://d/"}, {1, "Sub", ""}, {2, "Deep", "http://deep/"}, {0, "Other", "http://o/"},
    };
    TWebList list = ListOf({"a"});
    EXPECT_EQ(DropBookmarks(list, nodes, 0, 0), 2);
    EXPECT_EQ(Names(list), "Daily Deep a");
    EXPECT_EQ(list[1].URL, "http://deep/");
    EXPECT_TRUE(list[1].NameSet);
    EXPECT_EQ(list.Focus(), 0);
}

TEST(EntryClipboard, SortingIgnoresTheCaseOfLetters)
{
    TWebList list = ListOf({"beta", "Alpha", "alpha2", "_x"});
    list.Click(0);
    SortEntriesByName(list);
    EXPECT_EQ(Names(list), "Alpha alpha2 beta _x");
    EXPECT_EQ(list.Focus(), 2) << "the focus follows its entry";
}

} // namespace
} // namespace rv
