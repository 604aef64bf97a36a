#include "client/briefs/entry-setup.h"
#include "client/briefs/web-list.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

// ---- entries -------------------------------------------------------------------

TEST(EntryModel, NewEntriesHaveTheFixedDefaultsOfTheirKind)
{
    const TWebPage web = MakeEntry(EntryKind::Web);
    EXPECT_EQ(web.EntryName, "New Page");
    EXPECT_FALSE(web.NameSet);
    EXPECT_TRUE(web.Active && web.FullRetrieval && web.SearchHTML && web.Images && web.LocalOnly);
    EXPECT_TRUE(web.KeepUnfilteredPage);
    EXPECT_EQ(web.LockedText, "Locked Entry");
    EXPECT_EQ(web.LockedFontSize, 18);
    EXPECT_EQ(web.EngineListLength, 0);
    EXPECT_EQ(web.URL, "");
    EXPECT_FALSE(web.YahooSearch.has_value());
    EXPECT_EQ(ComputeRetrievalTypeCell(web).Text, "1 / 0");

    EXPECT_EQ(MakeEntry(EntryKind::Search).EntryName, "New Search");
    EXPECT_FALSE(MakeEntry(EntryKind::Search).NameSet);
    EXPECT_EQ(MakeEntry(EntryKind::Yahoo).EntryName, "New Yahoo! Entry");
    EXPECT_TRUE(MakeEntry(EntryKind::Yahoo).NameSet);
}

TEST(EntryModel, RetrievalTypeCellFollowsTheEntry)
{
    TWebPage e = MakeEntry(EntryKind::Web);
    e.LocalOnly = false;
    e.SpiderDepth = 3;
    e.ExternalDepth = 2;
    RetrievalTypeCell cell = ComputeRetrievalTypeCell(e);
    EXPECT_EQ(cell.Text, "3 / 2");
    EXPECT_FALSE(cell.DifferencesIcon || cell.MarkIcon || cell.SmartSearchIcon);

    e.FullRetrieval = false;
    e.MarkDiffs = true;
    e.SmartSearch = true;
    cell = ComputeRetrievalTypeCell(e);
    EXPECT_TRUE(cell.DifferencesIcon && cell.MarkIcon && cell.SmartSearchIcon);
    e.FullRetrieval = true;
    EXPECT_FALSE(ComputeRetrievalTypeCell(e).MarkIcon) << "marking only shows in a differences mode";
}

TEST(EntryModel, UserAgentChoicesMapBothWays)
{
    for (const auto choice :
         {UserAgentChoice::Default, UserAgentChoice::Ravelin, UserAgentChoice::InternetExplorer, UserAgentChoice::Navigator})
    {
        EXPECT_EQ(ChoiceForUserAgent(UserAgentForChoice(choice, "ignored")), choice);
    }
    EXPECT_EQ(UserAgentForChoice(UserAgentChoice::Ravelin, ""), "Ravelin/2.5");
    EXPECT_EQ(UserAgentForChoice(UserAgentChoice::UserSpecified, "Bot/1"), "Bot/1");
    EXPECT_EQ(ChoiceForUserAgent("Bot/1"), UserAgentChoice::UserSpecified);
}

TEST(EntryModel, EachKindTakesItsOwnDefaultsRecord)
{
    EntryDefaultsRecords defaults;
    defaults.Search.IsSet = true;
    defaults.Search.MarkDiffs = true;
    defaults.Search.SearchQuery = "ravelin";
    defaults.Search.SearchEngineList = "\x03one";
    defaults.Web.MarkDiffs = true; // not set: ignored
    TWebList list;
    list.Create(EntryKind::Search, -1, &defaults);
    list.Create(EntryKind::Web, -1, &defaults);
    EXPECT_TRUE(list[0].MarkDiffs);
    EXPECT_EQ(list[0].EntryName, "ravelin");
    EXPECT_EQ(list[0].EngineListLength, 4);
    EXPECT_FALSE(list[1].MarkDiffs);
}

// ---- the list --------------------------------------------------------------------

TWebList ListOf(int count)
{
    TWebList list;
    for (int i = 0; i < count; ++i)
    {
        list.Create(EntryKind::Web, -1);
        list[i].EntryName = "e" + std::to_string(i);
    }
    return list;
}

std::string Names(const TWebList& list)
{
    std::string names;
    for (int i = 0; i < list.Count(); ++i)
    {
        names += list[i].EntryName + (i + 1 < list.Count() ? " " : "");
    }
    return names;
}

TEST(WebList, CreateInsertsBeforeThePositionOrAppendsAndDeselectsAll)
{
    TWebList list = ListOf(3);
    list.Click(2);
    const int at = list.Create(EntryKind::Web, 2);
    EXPECT_EQ(at, 2);
    EXPECT_EQ(Names(list), "e0 e1 New Page e2");
    EXPECT_EQ(list.SelectedCount(), 0);
    EXPECT_EQ(list.Focus(), 3) << "the focus stays with its entry";
    EXPECT_EQ(list.Create(EntryKind::Web, 99), 4);
    EXPECT_EQ(list.Create(EntryKind::Web, -1), 5);
}

TEST(WebList, DeleteKeepsTheFocusIndexWithinTheList)
{
    TWebList list = ListOf(3);
    list.Click(2);
    list.Delete(2);
    EXPECT_EQ(list.Focus(), 1);
    EXPECT_EQ(list.SelectedCount(), 0);
    list.Click(0);
    list.Delete(1);
    EXPECT_EQ(list.Focus(), 0);
    EXPECT_EQ(list.SelectedCount(), 1);
    list.Delete(0);
    EXPECT_EQ(list.Focus(), -1);
    EXPECT_EQ(list.SelectedCount(), 0);
    EXPECT_FALSE(list.EntryActionsEnabled());
    list.Delete(0); // a stale position does nothing
}

TEST(WebList, SwapAndMoveCarryTheFocus)
{
    TWebList list = ListOf(5);
    list.Click(1);
    list.Swap(1, 3);
    EXPECT_EQ(Names(list), "e0 e3 e2 e1 e4");
    EXPECT_EQ(list.Focus(), 3);
    list.Move(3, 0);
    EXPECT_EQ(Names(list), "e1 e0 e3 e2 e4");
    EXPECT_EQ(list.Focus(), 0);
    list.Move(0, 4);
    EXPECT_EQ(Names(list), "e0 e3 e2 e4 e1");
    EXPECT_EQ(list.Focus(), 4);
}

TEST(WebList, ClickCtrlAndShiftSelection)
{
    TWebList list = ListOf(8);
    list.Click(3);
    list.Click(5);
    EXPECT_EQ(list.SelectedPositions(), std::vector<int>{5});
    list.CtrlClick(1);
    EXPECT_EQ(list.SelectedPositions(), (std::vector<int>{1, 5}));
    list.CtrlClick(5);
    EXPECT_EQ(list.SelectedPositions(), std::vector<int>{1});
    EXPECT_EQ(list.Focus(), 5);
    // Shift after Ctrl runs from the last clicked entry and keeps the rest.
    list.ShiftClick(7);
    EXPECT_EQ(list.SelectedPositions(), (std::vector<int>{1, 5, 6, 7}));
    EXPECT_EQ(list.Focus(), 7);
    list.ShiftClick(3);
    EXPECT_EQ(list.SelectedPositions(), (std::vector<int>{1, 3, 4, 5, 6, 7}));
    EXPECT_EQ(list.SelectedCount(), 6);
    list.Click(0);
    EXPECT_EQ(list.SelectedCount(), 1);
}

TEST(WebList, ShiftClickWithoutFocusActsAsAClick)
{
    TWebList list = ListOf(3);
    list.ShiftClick(2);
    EXPECT_EQ(list.SelectedPositions(), std::vector<int>{2});
    EXPECT_EQ(list.Focus(), 2);
}

TEST(WebList, HoldsAtMostTheEntriesAFileCanCount)
{
    TWebList list;
    for (int i = 0; i < MaxEntries; ++i)
    {
        ASSERT_GE(list.Insert(TWebPage{}, -1), 0);
    }
    EXPECT_EQ(list.Create(EntryKind::Web, -1), -1);
    EXPECT_EQ(list.Count(), MaxEntries);
}

// ---- applying a setup dialog to several entries ---------------------------------------

class EntrySetup : public ::testing::Test
{
protected:
    void SetUp() override
    {
        list_ = ListOf(3);
        list_.Click(0);
        list_.ShiftClick(2);
    }

    TWebList list_;
};

TEST_F(EntrySetup, ShowsOnlyWhatAllSelectedEntriesShare)
{
    list_[1].Images = false;
    const EntrySetupFields view = GatherEntrySetup(list_);
    EXPECT_FALSE(view.Images.has_value());
    EXPECT_EQ(view.Frames, false);
    EXPECT_EQ(view.SpiderDepth, 1);
    EXPECT_FALSE(view.EntryName.has_value()) << "a name belongs to one entry";
    list_.Click(1);
    EXPECT_EQ(GatherEntrySetup(list_).EntryName, "e1");
}

TEST_F(EntrySetup, WritesOnlyChangedControls)
{
    list_[1].Images = false;
    EntrySetupFields changed;
    changed.Frames = true;
    changed.SpiderDepth = 4;
    changed.EntryName = "ignored for several";
    ASSERT_FALSE(ApplyEntrySetup(list_, changed, "").has_value());
    EXPECT_TRUE(list_[0].Images);
    EXPECT_FALSE(list_[1].Images);
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_TRUE(list_[i].Frames);
        EXPECT_EQ(list_[i].SpiderDepth, 4);
        EXPECT_EQ(list_[i].EntryName, "e" + std::to_string(i));
    }
}

TEST_F(EntrySetup, CredentialsAreStoredTogetherAfterConfirmation)
{
    list_[0].Password = "p0";
    list_[1].Password = "p1";
    EntrySetupFields changed;
    changed.Password = "new";
    EXPECT_EQ(ApplyEntrySetup(list_, changed, "typo"), PasswordNotConfirmed);
    EXPECT_EQ(list_[0].Password, "p0");
    EXPECT_EQ(list_[2].Password, "");

    changed.UserName = "ann";
    ASSERT_FALSE(ApplyEntrySetup(list_, changed, "new").has_value());
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(list_[i].UserName, "ann");
        EXPECT_EQ(list_[i].Password, "new");
    }

    // A changed user name alone stores the password the dialog showed.
    EntrySetupFields userOnly;
    userOnly.UserName = "bob";
    ASSERT_FALSE(ApplyEntrySetup(list_, userOnly, "").has_value());
    EXPECT_EQ(list_[1].UserName, "bob");
    EXPECT_EQ(list_[1].Password, "new");
}

TEST_F(EntrySetup, RejectedSmartSearchQueryWritesNothing)
{
    EntrySetupFields changed;
    changed.SmartSearch = true;
    changed.SearchFor = "(unbalanced";
    changed.Images = false;
    EXPECT_EQ(ApplyEntrySetup(list_, changed, ""), SmartSearchNotUnderstood);
    EXPECT_TRUE(list_[0].Images);
    changed.SearchFor = "fine";
    EXPECT_FALSE(ApplyEntrySetup(list_, changed, "").has_value());
    EXPECT_TRUE(list_[2].SmartSearch);
}

TEST_F(EntrySetup, LockedEntriesAreLeftAlone)
{
    list_[1].EntryLocked = true;
    EntrySetupFields changed;
    changed.Active = false;
    ASSERT_FALSE(ApplyEntrySetup(list_, changed, "").has_value());
    EXPECT_FALSE(list_[0].Active);
    EXPECT_TRUE(list_[1].Active);
}

TEST_F(EntrySetup, NamingOneEntry)
{
    list_.Click(0);
    list_[0].NameSet = false;
    EntrySetupFields changed;
    changed.URL = "http://a/";
    ASSERT_FALSE(ApplyEntrySetup(list_, changed, "").has_value());
    EXPECT_EQ(list_[0].EntryName, "http://a/") << "an unnamed entry shows its address";
    changed.EntryName = "Mine";
    ASSERT_FALSE(ApplyEntrySetup(list_, changed, "").has_value());
    EXPECT_TRUE(list_[0].NameSet);
    EXPECT_EQ(list_[0].EntryName, "Mine");
    changed.EntryName = "";
    changed.URL = "";
    ASSERT_FALSE(ApplyEntrySetup(list_, changed, "").has_value());
    EXPECT_FALSE(list_[0].NameSet);
    EXPECT_EQ(list_[0].EntryName, "New Page");
}

} // namespace
} // namespace rv
