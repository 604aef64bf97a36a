// The brief setup dialog offscreen: every day and time choice builds its schedule text and loads back from it,
// the list's selection rules, the typing checks and spin steps of the clock fields, and the locks.
#include "client/briefs/brief.h"
#include "client/shell/dialogs/settings/brief-options-dialog.h"
#include "client/shell/dialogs/settings/clock-field.h"
#include "tests/settings-dialogs/typing.h"
#include "tests/support/offscreen-widgets.h"
#include "widgets/help-opener.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace rv::test
{
namespace
{

struct Clock
{
    const char* hour;
    const char* minutes;
    bool pm;
};

struct ScheduleRow
{
    const char* day; // object name of the day's radio button
    int weekly = 0, monthlyWhich = 0, monthlyWeekday = 0, monthDay = 1;
    const char* date = "";
    const char* repeat = "RepeatOnce";
    int hours = 1;
    Clock start{"8", "00", false};
    Clock end{"5", "00", true};
    const char* expected = "";
};

class BriefOptionsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureWidgetsApplication();
        brief.BriefName = "News";
        hooks.save = [this](TBrief&)
        {
            ++saves;
            return SaveStatus::Saved;
        };
        hooks.today = [] { return QDate(2024, 3, 7); };
    }

    template <typename Widget> Widget& Find(TBriefOpts& dialog, const char* name)
    {
        auto* widget = dialog.findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return *widget;
    }

    // Types into a field as a user does: the old text selected, the new one typed over it.
    void Type(TBriefOpts& dialog, const char* field, const char* text)
    {
        auto& clock = Find<ClockField>(dialog, field);
        clock.selectAll();
        TypeKeys(clock, QString::fromLatin1(text));
    }

    void SetClock(TBriefOpts& dialog, const char* prefix, const Clock& clock)
    {
        const std::string name = prefix;
        Type(dialog, (name + "Hour").c_str(), clock.hour);
        Type(dialog, (name + "Minutes").c_str(), clock.minutes);
        auto& amPm = Find<ClockField>(dialog, (name + "AmPm").c_str());
        if ((amPm.Text() == "PM") != clock.pm)
            amPm.stepBy(1);
    }

    void Choose(TBriefOpts& dialog, const ScheduleRow& row)
    {
        Find<QRadioButton>(dialog, row.day).click();
        Find<QComboBox>(dialog, "WeeklyDay").setCurrentIndex(row.weekly);
        Find<QComboBox>(dialog, "MonthlyWhich").setCurrentIndex(row.monthlyWhich);
        Find<QComboBox>(dialog, "MonthlyWeekday").setCurrentIndex(row.monthlyWeekday);
        Find<QSpinBox>(dialog, "MonthlyDay").setValue(row.monthDay);
        Find<QLineEdit>(dialog, "DateText").setText(QString::fromLatin1(row.date));
        Find<QRadioButton>(dialog, row.repeat).click();
        Find<QSpinBox>(dialog, "EveryHours").setValue(row.hours);
        SetClock(dialog, "Start", row.start);
        SetClock(dialog, "End", row.end);
    }

    TBrief brief;
    BriefOptionsHooks hooks;
    int saves = 0;
};

const ScheduleRow ScheduleRows[] = {
    {.day = "DayToday", .expected = "3/7/24\\8:00AM\\\\"},
    {.day = "DayDaily",
     .repeat = "RepeatEveryHours",
     .start = {"10", "30", true},
     .end = {"1", "30", false},
     .expected = "Daily\\10:30PM - 1:30AM \\(1 hr.)\\"},
    {.day = "DayWeekdays",
     .repeat = "RepeatEveryHours",
     .hours = 2,
     .start = {"9", "00", false},
     .end = {"5", "00", true},
     .expected = "Weekdays\\9:00AM - 5:00PM \\(2 hrs.)\\"},
    {.day = "DayWeekly", .weekly = 1, .start = {"7", "00", false}, .expected = "Weekly (Mon)\\7:00AM\\\\"},
    {.day = "DayMonthly",
     .monthlyWhich = 1,
     .monthlyWeekday = 2,
     .repeat = "RepeatEvery15Minutes",
     .start = {"11", "15", false},
     .end = {"12", "45", true},
     .expected = "Monthly (2nd Tue)\\11:15AM - 12:45PM \\(15 mins.)\\"},
    {.day = "DayMonthly", .monthlyWhich = 3, .monthlyWeekday = 6, .expected = "Monthly (4th Sat)\\8:00AM\\\\"},
    {.day = "DayMonthly", .monthlyWhich = 4, .monthlyWeekday = 5, .expected = "Monthly (Last Fri)\\8:00AM\\\\"},
    {.day = "DayMonthly", .monthlyWhich = 5, .monthDay = 30, .expected = "Monthly (Day 30)\\8:00AM\\\\"},
    {.day = "DayMonthly", .monthlyWhich = 6, .start = {"12", "00", true}, .expected = "Monthly (Last day)\\12:00PM\\\\"},
    {.day = "DayDate",
     .date = "12-25-24",
     .repeat = "RepeatEveryHours",
     .hours = 12,
     .start = {"6", "05", false},
     .end = {"6", "05", true},
     .expected = "12/25/24\\6:05AM - 6:05PM \\(12 hrs.)\\"},
};

TEST_F(BriefOptionsTest, EveryDayAndTimeChoiceBuildsItsTextAndSelectingTheEntryLoadsItBack)
{
    TBriefOpts dialog(brief, hooks);
    std::vector<std::string> expected;
    for (const ScheduleRow& row : ScheduleRows)
    {
        Choose(dialog, row);
        Find<QPushButton>(dialog, "AddButton").click();
        expected.push_back(row.expected);
    }
    EXPECT_EQ(brief.Schedule, expected);
    EXPECT_EQ(brief.ScheduleState, std::vector<std::string>(expected.size(), "-1"));

    // Selecting each entry in turn replaces every control the previous one set.
    auto& list = Find<QListWidget>(dialog, "ScheduleList");
    for (std::size_t i = 0; i < expected.size(); ++i)
    {
        list.setCurrentRow(int(i));
        EXPECT_EQ(dialog.BuiltEntry(), expected[i]) << "entry " << i;
    }
    dialog.findChild<QTabWidget*>("Pages")->setCurrentIndex(1);
    SaveScreenshot(dialog, "retrieval-time");
}

TEST_F(BriefOptionsTest, UpdateReplacesTheSelectedEntryAndKeepsItsState)
{
    brief.Schedule = {"Daily\\8:00AM\\\\", "Weekdays\\9:00AM\\\\"};
    brief.ScheduleState = {"8:0/7", "-1"};
    TBriefOpts dialog(brief, hooks);
    Find<QListWidget>(dialog, "ScheduleList").setCurrentRow(0);
    Type(dialog, "StartHour", "9");
    Find<QPushButton>(dialog, "UpdateButton").click();
    EXPECT_EQ(brief.Schedule, (std::vector<std::string>{"Daily\\9:00AM\\\\", "Weekdays\\9:00AM\\\\"}));
    EXPECT_EQ(brief.ScheduleState, (std::vector<std::string>{"8:0/7", "-1"}));
    EXPECT_EQ(Find<QListWidget>(dialog, "ScheduleList").item(0)->text(), "Daily\\9:00AM\\\\");
}

TEST_F(BriefOptionsTest, RemovingTheLastEntrySelectsTheNewLastAndRemovingTheOnlyOneDisablesUpdateAndRemove)
{
    brief.Schedule = {"Daily\\8:00AM\\\\", "Weekdays\\9:00AM\\\\", "Weekly (Mon)\\7:00AM\\\\"};
    brief.ScheduleState = {"-1", "-1", "-1"};
    TBriefOpts dialog(brief, hooks);
    auto& list = Find<QListWidget>(dialog, "ScheduleList");
    auto& remove = Find<QPushButton>(dialog, "RemoveButton");
    list.setCurrentRow(2);
    remove.click();
    EXPECT_EQ(list.currentRow(), 1);
    EXPECT_EQ(dialog.BuiltEntry(), "Weekdays\\9:00AM\\\\");
    list.setCurrentRow(0);
    remove.click();
    EXPECT_EQ(list.currentRow(), 0);
    remove.click();
    EXPECT_TRUE(brief.Schedule.empty());
    EXPECT_TRUE(brief.ScheduleState.empty());
    EXPECT_FALSE(remove.isEnabled());
    EXPECT_FALSE(Find<QPushButton>(dialog, "UpdateButton").isEnabled());
}

struct FieldRow
{
    const char* field;
    const char* start; // the text before typing
    const char* typed;
    const char* shown;
    int beeps;
    int steps; // then stepped by the spin buttons
    const char* stepped;
};

const FieldRow FieldRows[] = {
    {"StartHour", "12", "13", "1", 1, 0, "1"},      {"StartHour", "12", "0", "0", 0, 0, "0"},
    {"EndHour", "5", "12", "12", 0, 1, "1"},        {"StartMinutes", "00", "60", "6", 1, 0, "6"},
    {"StartMinutes", "00", "59", "59", 0, 1, "00"}, {"EndMinutes", "00", "5x", "5", 1, -6, "59"},
    {"LimitHours", "0", "99", "99", 0, 1, "0"},     {"LimitHours", "0", "123", "12", 0, -13, "99"},
    {"LimitMinutes", "00", "7a", "7", 1, 0, "7"},   {"StartAmPm", "AM", "", "AM", 0, 1, "PM"},
    {"EndAmPm", "PM", "", "PM", 0, -1, "AM"},
};

TEST_F(BriefOptionsTest, ClockFieldsRefuseOutOfRangeTypingWithABeepAndStepCyclically)
{
    brief.MaxHours = 0;
    brief.MaxMins = 0;
    TBriefOpts dialog(brief, hooks);
    Find<QRadioButton>(dialog, "RepeatEveryHours").click();
    int beeps = 0;
    ClockField::Beep() = [&beeps] { ++beeps; };
    for (const FieldRow& row : FieldRows)
    {
        auto& field = Find<ClockField>(dialog, row.field);
        field.SetText(QString::fromLatin1(row.start));
        beeps = 0;
        field.selectAll();
        if (*row.typed)
            TypeKeys(field, QString::fromLatin1(row.typed));
        EXPECT_EQ(field.Text(), QString::fromLatin1(row.shown)) << row.field << " typed " << row.typed;
        EXPECT_EQ(beeps, row.beeps) << row.field << " typed " << row.typed;
        field.stepBy(row.steps);
        EXPECT_EQ(field.Text(), QString::fromLatin1(row.stepped)) << row.field << " stepped " << row.steps;
    }
    ClockField::Beep() = [] {};
}

TEST_F(BriefOptionsTest, OkCopiesNameCommentsAndLimitsAndSavesOnce)
{
    TBriefOpts dialog(brief, hooks);
    Find<QLineEdit>(dialog, "BriefName").setText("Sports");
    Find<QRadioButton>(dialog, "SizeUpTo").click();
    Find<QSpinBox>(dialog, "SizeMegs").setValue(40);
    Find<QRadioButton>(dialog, "TimeUpTo").click();
    Type(dialog, "LimitHours", "2");
    Type(dialog, "LimitMinutes", "05");
    SaveScreenshot(dialog, "properties");
    dialog.accept();
    EXPECT_EQ(brief.BriefName, "Sports");
    EXPECT_EQ(brief.NumMegs, 40);
    EXPECT_EQ(brief.MaxHours, 2);
    EXPECT_EQ(brief.MaxMins, 5);
    EXPECT_EQ(brief.NumArchives, -1);
    EXPECT_EQ(saves, 1);
}

TEST_F(BriefOptionsTest, ARunOrLockedTimersDisableTheScheduleAndLimits)
{
    struct Lock
    {
        bool retrieving, timersLocked, nameOpen, timersOpen;
    };
    for (const Lock lock : {Lock{true, false, false, false}, Lock{false, true, true, false}, Lock{false, false, true, true}})
    {
        brief.Retrieving = lock.retrieving;
        brief.TimersLocked = lock.timersLocked;
        brief.Schedule = {"Daily\\8:00AM\\\\"};
        TBriefOpts dialog(brief, hooks);
        Find<QListWidget>(dialog, "ScheduleList").setCurrentRow(0);
        EXPECT_EQ(Find<QLineEdit>(dialog, "BriefName").isEnabled(), lock.nameOpen);
        for (const char* name : {"AddButton", "UpdateButton", "RemoveButton"})
            EXPECT_EQ(Find<QPushButton>(dialog, name).isEnabled(), lock.timersOpen) << name;
        EXPECT_EQ(Find<QSpinBox>(dialog, "SizeMegs").isEnabled() || Find<QRadioButton>(dialog, "SizeUpTo").isEnabled(),
                  lock.timersOpen);
        if (lock.timersLocked)
        {
            dialog.findChild<QTabWidget*>("Pages")->setCurrentIndex(1);
            SaveScreenshot(dialog, "locked-timers");
        }
    }
}

TEST_F(BriefOptionsTest, HelpOpensTheDialogsHelpPage)
{
    TBriefOpts dialog(brief, hooks);
    QString opened;
    dialog.Help().launch = [&opened](const QString& url)
    {
        opened = url;
        return BrowserLoad::Started;
    };
    Find<QPushButton>(dialog, "HelpButton").click();
    EXPECT_TRUE(opened.endsWith("/help/40.html")) << opened.toStdString();
}

} // namespace
} // namespace rv::test
