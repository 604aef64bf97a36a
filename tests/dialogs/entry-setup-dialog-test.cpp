// The entry setup dialogs offscreen, driven through their controls: what a
// selection of several entries shows and what OK writes back, the messages
// that keep the dialog open, and how the dialog is left.
#include "client/briefs/user-message.h"
#include "client/shell/client-settings.h"
#include "client/shell/dialogs/run-entry-setup.h"
#include "tests/support/offscreen-widgets.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace rv::test
{
namespace
{

// A brief of three web entries, all selected, the first with the focus.
TBrief ThreeEntries(std::vector<bool> images)
{
    TBrief brief;
    for (std::size_t i = 0; i < images.size(); ++i)
    {
        const int at = brief.Entries.Create(EntryKind::Web, -1);
        brief.Entries[at].Images = images[i];
        brief.Entries[at].Frames = true;
        brief.Entries[at].URL = "http://host/" + std::to_string(i);
    }
    for (int i = 0; i < brief.Entries.Count(); ++i)
        brief.Entries.Select(i, true);
    brief.Entries.SetFocus(0);
    return brief;
}

template <typename Widget> Widget* Control(QWidget& dialog, const char* name)
{
    auto* widget = dialog.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

void Type(QWidget& dialog, const char* name, const QString& text)
{
    QLineEdit* edit = Control<QLineEdit>(dialog, name);
    edit->clear();
    QTest::keyClicks(edit, text);
}

void Click(QWidget& dialog, const char* name)
{
    Control<QAbstractButton>(dialog, name)->click();
}

class EntrySetupDialogTest : public ::testing::Test
{
protected:
    void SetUp() override { EnsureWidgetsApplication(); }
    ClientSettings settings;
};

struct ImagesRow
{
    const char* name;
    std::vector<bool> images;
    bool shown;
    int clicks;
    std::vector<bool> after;
};

void PrintTo(const ImagesRow& row, std::ostream* out)
{
    *out << row.name;
}

class MixedImagesTest : public EntrySetupDialogTest, public ::testing::WithParamInterface<ImagesRow>
{
};

TEST_P(MixedImagesTest, ShowsAValueOnlyWhereAllAgreeAndWritesOnlyWhatWasClicked)
{
    const ImagesRow& row = GetParam();
    TBrief brief = ThreeEntries(row.images);
    auto dialog = MakeEntrySetupDialog(brief.Entries, settings, {}, false, nullptr);
    dialog->show();
    EXPECT_EQ(Control<QCheckBox>(*dialog, "Images")->isChecked(), row.shown);
    EXPECT_TRUE(Control<QCheckBox>(*dialog, "Frames")->isChecked());
    EXPECT_FALSE(Control<QLineEdit>(*dialog, "URL")->isEnabled());
    for (int i = 0; i < row.clicks; ++i)
        Click(*dialog, "Images");
    Click(*dialog, "OkButton");
    EXPECT_FALSE(dialog->isVisible());
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(brief.Entries[i].Images, row.after[static_cast<std::size_t>(i)]) << "entry " << i;
        EXPECT_TRUE(brief.Entries[i].Frames) << "entry " << i;
        EXPECT_EQ(brief.Entries[i].URL, "http://host/" + std::to_string(i));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Selections, MixedImagesTest,
    ::testing::Values(ImagesRow{"DifferingLeftAlone", {true, false, true}, false, 0, {true, false, true}},
                      ImagesRow{"DifferingClickedOn", {true, false, true}, false, 1, {true, true, true}},
                      ImagesRow{"DifferingClickedOnAndOff", {true, false, true}, false, 2, {false, false, false}},
                      ImagesRow{"AgreeingShownAndKept", {true, true, true}, true, 0, {true, true, true}}));

struct RefusalRow
{
    const char* name;
    std::function<void(QWidget&)> act;
    UserMessage message;
};

void PrintTo(const RefusalRow& row, std::ostream* out)
{
    *out << row.name;
}

class RefusedSetupTest : public EntrySetupDialogTest, public ::testing::WithParamInterface<RefusalRow>
{
};

TEST_P(RefusedSetupTest, ShowsTheMessageStaysOpenAndWritesNothing)
{
    const RefusalRow& row = GetParam();
    TBrief brief = ThreeEntries({true, false, true});
    auto dialog = MakeEntrySetupDialog(brief.Entries, settings, {}, false, nullptr);
    dialog->show();
    Click(*dialog, "Images");
    Type(*dialog, "UserName", QStringLiteral("ann"));
    row.act(*dialog);
    QString shown;
    AnswerNextMessageBox(MessageAnswer::Ok, [&](MessageBox& box) { shown = box.windowTitle() + "|" + box.Text(); });
    Click(*dialog, "OkButton");
    EXPECT_EQ(shown.toStdString(), row.message.Caption + "|" + row.message.Text);
    EXPECT_TRUE(dialog->isVisible());
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(brief.Entries[i].UserName, "") << "entry " << i;
        EXPECT_EQ(brief.Entries[i].Password, "") << "entry " << i;
        EXPECT_EQ(brief.Entries[i].Images, i != 1) << "entry " << i;
        EXPECT_FALSE(brief.Entries[i].SmartSearch) << "entry " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Messages, RefusedSetupTest,
                         ::testing::Values(RefusalRow{"PasswordNotConfirmed",
                                                      [](QWidget& d)
                                                      {
                                                          Type(d, "Password", QStringLiteral("secret"));
                                                          Type(d, "ConfirmPassword", QStringLiteral("secrets"));
                                                      },
                                                      PasswordNotConfirmed},
                                           RefusalRow{"SmartSearchNotUnderstood",
                                                      [](QWidget& d)
                                                      {
                                                          Click(d, "SmartSearch");
                                                          Type(d, "SearchFor", QStringLiteral("news and ("));
                                                      },
                                                      SmartSearchNotUnderstood}));

TEST_F(EntrySetupDialogTest, ConfirmedCredentialsReachEverySelectedEntry)
{
    TBrief brief = ThreeEntries({true, true, true});
    auto dialog = MakeEntrySetupDialog(brief.Entries, settings, {}, false, nullptr);
    dialog->show();
    Type(*dialog, "Password", QStringLiteral("secret"));
    Type(*dialog, "ConfirmPassword", QStringLiteral("secret"));
    Click(*dialog, "OkButton");
    EXPECT_FALSE(dialog->isVisible());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(brief.Entries[i].Password, "secret") << "entry " << i;
}

struct LeaveRow
{
    const char* name;
    std::function<void(QDialog&)> leave;
    bool accepted;
};

void PrintTo(const LeaveRow& row, std::ostream* out)
{
    *out << row.name;
}

class LeaveNewEntryTest : public EntrySetupDialogTest, public ::testing::WithParamInterface<LeaveRow>
{
};

TEST_P(LeaveNewEntryTest, ReportsWhetherTheDialogWasLeftWithOk)
{
    const LeaveRow& row = GetParam();
    for (const EntryKind kind : {EntryKind::Web, EntryKind::Search, EntryKind::Yahoo})
    {
        TBrief brief;
        const int at = brief.Entries.Create(kind, -1);
        brief.Entries.Click(at);
        const std::string before = brief.Entries[at].EntryName + "|" + brief.Entries[at].URL;
        QString caption;
        WhenModal(
            [&](QDialog& dialog)
            {
                caption = dialog.windowTitle();
                QTest::keyClicks(dialog.focusWidget(), QStringLiteral("abc"));
                row.leave(dialog);
            });
        EXPECT_EQ(RunEntrySetup(nullptr, brief, {at}, true, settings), row.accepted) << caption.toStdString();
        EXPECT_EQ(brief.Entries[at].EntryName + "|" + brief.Entries[at].URL != before, row.accepted) << caption.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ways, LeaveNewEntryTest,
    ::testing::Values(LeaveRow{"Cancel", [](QDialog& d) { Click(d, "CancelButton"); }, false},
                      LeaveRow{"Escape", [](QDialog& d) { QTest::keyClick(d.focusWidget(), Qt::Key_Escape); }, false},
                      LeaveRow{"Enter", [](QDialog& d) { QTest::keyClick(d.focusWidget(), Qt::Key_Return); }, true},
                      LeaveRow{"Ok", [](QDialog& d) { Click(d, "OkButton"); }, true}));

TEST_F(EntrySetupDialogTest, LockedEntryShowsItsTextAndWritesNothing)
{
    TBrief brief = ThreeEntries({true});
    brief.Entries[0].EntryLocked = true;
    brief.Entries[0].LockedText = "Kept by the office";
    auto dialog = MakeEntrySetupDialog(brief.Entries, settings, {}, false, nullptr);
    dialog->show();
    EXPECT_EQ(Control<QLabel>(*dialog, "LockedText")->text(), QStringLiteral("Kept by the office"));
    EXPECT_TRUE(Control<QLabel>(*dialog, "LockedText")->isVisible());
    for (const char* name : {"Images", "URL", "SetDefaultButton", "Password"})
        EXPECT_FALSE(Control<QWidget>(*dialog, name)->isEnabled()) << name;
}

} // namespace
} // namespace rv::test
