#include "client/briefs/brief.h"
#include "client/shell/schedule-entry.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

ScheduleChoice Choice(ScheduleDay day, ScheduleRepeat repeat)
{
    ScheduleChoice choice;
    choice.Day = day;
    choice.Repeat = repeat;
    choice.Start = {"9", "00", false};
    choice.End = {"5", "30", true};
    return choice;
}

TEST(ScheduleEntryTextTest, EveryDayChoiceBuildsItsDayPart)
{
    ScheduleChoice today = Choice(ScheduleDay::Today, ScheduleRepeat::Once);
    today.TodayMonth = 3;
    today.TodayDay = 7;
    today.TodayYear = 2005;
    EXPECT_EQ(BuildScheduleEntry(today), "3/7/05\\9:00AM\\\\");

    EXPECT_EQ(BuildScheduleEntry(Choice(ScheduleDay::Daily, ScheduleRepeat::Once)), "Daily\\9:00AM\\\\");
    EXPECT_EQ(BuildScheduleEntry(Choice(ScheduleDay::Weekdays, ScheduleRepeat::Once)), "Weekdays\\9:00AM\\\\");

    ScheduleChoice weekly = Choice(ScheduleDay::Weekly, ScheduleRepeat::Once);
    weekly.Weekday = 1;
    EXPECT_EQ(BuildScheduleEntry(weekly), "Weekly (Mon)\\9:00AM\\\\");

    ScheduleChoice nth = Choice(ScheduleDay::MonthlyNthWeekday, ScheduleRepeat::Once);
    nth.Nth = 3;
    nth.Weekday = 6;
    EXPECT_EQ(BuildScheduleEntry(nth), "Monthly (3rd Sat)\\9:00AM\\\\");

    ScheduleChoice last = Choice(ScheduleDay::MonthlyLastWeekday, ScheduleRepeat::Once);
    last.Weekday = 0;
    EXPECT_EQ(BuildScheduleEntry(last), "Monthly (Last Sun)\\9:00AM\\\\");

    ScheduleChoice dayOfMonth = Choice(ScheduleDay::MonthlyDay, ScheduleRepeat::Once);
    dayOfMonth.MonthDay = 30;
    EXPECT_EQ(BuildScheduleEntry(dayOfMonth), "Monthly (Day 30)\\9:00AM\\\\");
    EXPECT_EQ(BuildScheduleEntry(Choice(ScheduleDay::MonthlyLastDay, ScheduleRepeat::Once)), "Monthly (Last day)\\9:00AM\\\\");

    ScheduleChoice date = Choice(ScheduleDay::Date, ScheduleRepeat::Once);
    date.DateText = "12-08-26";
    EXPECT_EQ(BuildScheduleEntry(date), "12/08/26\\9:00AM\\\\");
}

TEST(ScheduleEntryTextTest, EveryTimeChoiceBuildsItsTimePart)
{
    EXPECT_EQ(BuildScheduleEntry(Choice(ScheduleDay::Daily, ScheduleRepeat::Every15Minutes)),
              "Daily\\9:00AM - 5:30PM \\(15 mins.)\\");
    ScheduleChoice hours = Choice(ScheduleDay::Weekdays, ScheduleRepeat::EveryHours);
    EXPECT_EQ(BuildScheduleEntry(hours), "Weekdays\\9:00AM - 5:30PM \\(1 hr.)\\");
    hours.Hours = 12;
    EXPECT_EQ(BuildScheduleEntry(hours), "Weekdays\\9:00AM - 5:30PM \\(12 hrs.)\\");
}

TEST(ScheduleEntryTextTest, EveryTextFormRebuildsByteForByteFromWhatIsReadBack)
{
    const char* texts[] = {
        "3/7/05\\9:00AM\\\\",
        "12/08/26\\11:45PM\\\\",
        "Daily\\8:00AM\\\\",
        "Weekdays\\9:00AM - 5:00PM \\(2 hrs.)\\",
        "Weekly (Sat)\\12:05AM - 12:00PM \\(15 mins.)\\",
        "Monthly (1st Mon)\\7:00AM\\\\",
        "Monthly (4th Fri)\\10:30PM - 1:30AM \\(1 hr.)\\",
        "Monthly (Last Wed)\\6:00PM\\\\",
        "Monthly (Day 15)\\09:07AM\\\\",
        "Monthly (Last day)\\12:00PM - 11:00PM \\(11 hrs.)\\",
        "\\8:00AM\\\\",
    };
    for (const char* text : texts)
        EXPECT_EQ(BuildScheduleEntry(ParseScheduleEntry(text)), text);
}

TEST(ScheduleEntryTextTest, ReadingGivesTheControlsBack)
{
    const ScheduleChoice window = ParseScheduleEntry("Weekly (Tue)\\10:30PM - 1:30AM \\(3 hrs.)\\");
    EXPECT_EQ(window.Day, ScheduleDay::Weekly);
    EXPECT_EQ(window.Weekday, 2);
    EXPECT_EQ(window.Repeat, ScheduleRepeat::EveryHours);
    EXPECT_EQ(window.Hours, 3);
    EXPECT_EQ(window.Start, (ScheduleTime{"10", "30", true}));
    EXPECT_EQ(window.End, (ScheduleTime{"1", "30", false}));

    // The older monthly form loads as the n-th weekday and is saved in today's form.
    const ScheduleChoice older = ParseScheduleEntry("Monthly (Wk.2, Thu)\\7:00AM\\\\");
    EXPECT_EQ(older.Day, ScheduleDay::MonthlyNthWeekday);
    EXPECT_EQ(older.Nth, 2);
    EXPECT_EQ(older.Weekday, 4);
    EXPECT_EQ(BuildScheduleEntry(older), "Monthly (2nd Thu)\\7:00AM\\\\");
}

TEST(ScheduleStateTest, StampsAreWrittenWithoutLeadingZerosAndDamagedItemsAreRefused)
{
    EXPECT_EQ(FormatScheduleState({24, 5, 7}), "24:5/7");
    EXPECT_EQ(ParseScheduleState("24:5/7"), (ScheduleStamp{24, 5, 7}));
    for (const char* damaged : {"-1", "", "7:30", "7/30:1", "a:1/2", "1:2/", "99999:1/1"})
        EXPECT_FALSE(ParseScheduleState(damaged)) << damaged;
}

TEST(ScheduleListTest, AddUpdateAndRemoveKeepTheStateListInStep)
{
    TBrief brief;
    AddScheduleEntry(brief, "Daily\\8:00AM\\\\");
    AddScheduleEntry(brief, "Daily\\9:00AM\\\\");
    AddScheduleEntry(brief, "Daily\\10:00AM\\\\");
    brief.ScheduleState[1] = "9:0/8";
    EXPECT_TRUE(UpdateScheduleEntry(brief, 1, "Weekdays\\9:00AM\\\\"));
    EXPECT_EQ(brief.ScheduleState[1], "9:0/8");
    EXPECT_FALSE(UpdateScheduleEntry(brief, 3, "x"));

    EXPECT_EQ(RemoveScheduleEntry(brief, 0), 0u);
    EXPECT_EQ(brief.Schedule, (std::vector<std::string>{"Weekdays\\9:00AM\\\\", "Daily\\10:00AM\\\\"}));
    EXPECT_EQ(brief.ScheduleState, (std::vector<std::string>{"9:0/8", "-1"}));
    EXPECT_EQ(RemoveScheduleEntry(brief, 1), 0u); // the last one went: the new last is selected
    EXPECT_EQ(RemoveScheduleEntry(brief, 0), std::nullopt);
    EXPECT_TRUE(brief.ScheduleState.empty());
    EXPECT_EQ(RemoveScheduleEntry(brief, 0), std::nullopt);

    // A brief whose state list came shorter gets "-1" items rather than a mismatch.
    brief.Schedule = {"Daily\\8:00AM\\\\", "Daily\\9:00AM\\\\"};
    AddScheduleEntry(brief, "Daily\\10:00AM\\\\");
    EXPECT_EQ(brief.ScheduleState, (std::vector<std::string>{"-1", "-1", "-1"}));
}

} // namespace
} // namespace rv
