#include "client/briefs/brief.h"
#include "client/shell/schedule-check.h"
#include "client/shell/schedule-entry.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>

namespace rv
{
namespace
{

using namespace std::chrono;

CivilTime At(int year, int month, int day, int hour, int minute, int second = 0)
{
    return {year, month, day, hour, minute, second};
}

CivilTime CivilOf(sys_seconds moment)
{
    const sys_days date = floor<days>(moment);
    const year_month_day ymd{date};
    const hh_mm_ss time{moment - date};
    return {static_cast<int>(ymd.year()),
            static_cast<int>(static_cast<unsigned>(ymd.month())),
            static_cast<int>(static_cast<unsigned>(ymd.day())),
            static_cast<int>(time.hours().count()),
            static_cast<int>(time.minutes().count()),
            static_cast<int>(time.seconds().count())};
}

std::string Label(const std::string& brief, const CivilTime& time)
{
    char text[64];
    std::snprintf(text, sizeof text, "%s %02d %02d:%02d", brief.c_str(), time.Day, time.Hour, time.Minute);
    return text;
}

// Drives the check second by second with a simulated clock; a run lasts `runSeconds` of that clock.
struct SimulatedClient
{
    explicit SimulatedClient(sys_seconds start) : now(start) {}

    sys_seconds now;
    std::vector<std::string> runs;
    std::vector<std::string> saves;
    std::vector<std::pair<TBrief*, sys_seconds>> running;
    int runSeconds = 20;
    ScheduleCheck check{[this] { return CivilOf(now); },
                        [this](TBrief& brief, bool scheduled)
                        {
                            EXPECT_TRUE(scheduled);
                            brief.Retrieving = true;
                            running.emplace_back(&brief, now + seconds{runSeconds});
                            runs.push_back(Label(brief.BriefName, CivilOf(now)));
                        },
                        [this](TBrief& brief) { saves.push_back(brief.BriefName); }};

    void RunUntil(sys_seconds end, const std::vector<TBrief*>& briefs)
    {
        for (; now < end; now += seconds{1})
        {
            std::erase_if(running,
                          [this](auto& run)
                          {
                              if (run.second > now)
                                  return false;
                              run.first->Retrieving = false;
                              return true;
                          });
            check.Check(briefs);
        }
    }
};

TBrief Brief(std::string name, std::vector<std::string> schedule)
{
    TBrief brief;
    brief.BriefName = std::move(name);
    for (auto& text : schedule)
        AddScheduleEntry(brief, std::move(text));
    return brief;
}

TEST(ScheduleCheckTest, ASimulatedWeekFiresExactlyTheExpectedRuns)
{
    // Monday 7 December 2026 to Sunday 13 December, midnight to midnight.
    TBrief a = Brief(
        "A", {"Weekly (Mon)\\7:00AM\\\\", "Weekdays\\9:00AM - 5:00PM \\(2 hrs.)\\", "Daily\\10:30PM - 1:30AM \\(1 hr.)\\"});
    TBrief b = Brief(
        "B", {"Monthly (2nd Wed)\\12:00PM - 12:45PM \\(15 mins.)\\", "12/10/26\\6:15PM\\\\", "Monthly (Day 9)\\9:00AM\\\\"});
    TBrief idle = Brief("C", {"Daily\\8:00AM\\\\"});
    idle.BriefActive = false;

    SimulatedClient client{sys_days{2026y / December / 7}};
    client.RunUntil(sys_days{2026y / December / 14}, {&a, &b, &idle});

    std::vector<std::string> expected;
    for (int day = 7; day <= 13; ++day)
    {
        for (int hour : {0, 1})
            expected.push_back(Label("A", At(2026, 12, day, hour, 30)));
        for (int hour : {22, 23})
            expected.push_back(Label("A", At(2026, 12, day, hour, 30)));
        if (day <= 11)
            for (int hour = 9; hour <= 17; hour += 2)
                expected.push_back(Label("A", At(2026, 12, day, hour, 0)));
    }
    expected.push_back(Label("A", At(2026, 12, 7, 7, 0)));
    for (int minute = 0; minute <= 45; minute += 15)
        expected.push_back(Label("B", At(2026, 12, 9, 12, minute)));
    expected.push_back(Label("B", At(2026, 12, 10, 18, 15)));
    // On the 9th A's 9:00 run comes first; B's entry for 9:00 starts in the next second.
    expected.push_back(Label("B", At(2026, 12, 9, 9, 0)));
    std::sort(expected.begin(), expected.end(),
              [](const std::string& x, const std::string& y) { return x.substr(2) + x[0] < y.substr(2) + y[0]; });
    EXPECT_EQ(client.runs, expected);
    // The dated entry went after firing, and the brief was saved once for it.
    EXPECT_EQ(b.Schedule.size(), 2u);
    EXPECT_EQ(b.ScheduleState.size(), 2u);
    EXPECT_EQ(client.saves, std::vector<std::string>{"B"});
}

TEST(ScheduleCheckTest, AWindowPastMidnightCountsItsSmallHoursAsThePreviousDay)
{
    std::string state{ScheduleNeverFired};
    const std::string daily = "Weekly (Mon)\\10:30PM - 1:30AM \\(1 hr.)\\";
    // Tuesday 0:30 belongs to Monday's window: hour 24, day 7.
    EntryDecision decision = DecideScheduleEntry(daily, state, At(2026, 12, 8, 0, 30));
    EXPECT_TRUE(decision.Fire);
    EXPECT_EQ((ScheduleStamp{decision.Hour, decision.Minute, decision.Day}), (ScheduleStamp{24, 30, 7}));
    EXPECT_TRUE(DecideScheduleEntry(daily, state, At(2026, 12, 8, 1, 30)).Fire);
    EXPECT_FALSE(DecideScheduleEntry(daily, state, At(2026, 12, 8, 2, 30)).Fire);
    // Monday's own small hours belong to Sunday, which does not match.
    EXPECT_FALSE(DecideScheduleEntry(daily, state, At(2026, 12, 7, 0, 30)).Fire);
    // Across a month and a year end.
    EXPECT_TRUE(DecideScheduleEntry("12/31/26\\11:00PM - 2:00AM \\(1 hr.)\\", state, At(2027, 1, 1, 1, 0)).Fire);

    // A dated window that ran past midnight goes once it has passed, not before it opened.
    const std::string dated = "12/07/26\\10:30PM - 1:30AM \\(1 hr.)\\";
    EXPECT_FALSE(DecideScheduleEntry(dated, state, At(2026, 12, 7, 12, 0)).Remove);
    EXPECT_TRUE(DecideScheduleEntry(dated, state, At(2026, 12, 8, 0, 30)).Fire);
    EXPECT_TRUE(DecideScheduleEntry(dated, state, At(2026, 12, 8, 1, 45)).Remove);
}

TEST(ScheduleCheckTest, DayPartsMatchTheirDays)
{
    std::string state{ScheduleNeverFired};
    const auto fires = [&](const std::string& day, const CivilTime& at)
    { return DecideScheduleEntry(day + "\\8:00AM\\\\", state, at).Fire; };
    // The last day of February, in and out of leap years.
    EXPECT_TRUE(fires("Monthly (Last day)", At(2028, 2, 29, 8, 0)));
    EXPECT_FALSE(fires("Monthly (Last day)", At(2028, 2, 28, 8, 0)));
    EXPECT_TRUE(fires("Monthly (Last day)", At(2027, 2, 28, 8, 0)));
    EXPECT_TRUE(fires("Monthly (Last day)", At(2000, 2, 29, 8, 0)));
    EXPECT_TRUE(fires("Monthly (Last day)", At(2100, 2, 28, 8, 0)));
    EXPECT_TRUE(fires("Monthly (Last day)", At(2026, 4, 30, 8, 0)));
    EXPECT_FALSE(fires("Monthly (Last day)", At(2026, 12, 30, 8, 0)));
    // December 2026: Thursday 31st is its last Thursday and 2nd Wednesday is the 9th.
    EXPECT_TRUE(fires("Monthly (Last Thu)", At(2026, 12, 31, 8, 0)));
    EXPECT_FALSE(fires("Monthly (Last Thu)", At(2026, 12, 24, 8, 0)));
    EXPECT_TRUE(fires("Monthly (2nd Wed)", At(2026, 12, 9, 8, 0)));
    EXPECT_TRUE(fires("Monthly (Wk.2, Wed)", At(2026, 12, 9, 8, 0)));
    EXPECT_FALSE(fires("Monthly (Wk.2, Wed)", At(2026, 12, 16, 8, 0)));
    EXPECT_FALSE(fires("Weekdays", At(2026, 12, 12, 8, 0)));
    EXPECT_TRUE(fires("Weekdays", At(2026, 12, 11, 8, 0)));
    EXPECT_TRUE(fires("12/8/26", At(2026, 12, 8, 8, 0)));
    EXPECT_FALSE(fires("12/8/26", At(2126, 11, 8, 8, 0)));
    EXPECT_TRUE(fires("", At(2026, 12, 8, 8, 0)));
    EXPECT_TRUE(DecideScheduleEntry("\\8:00AM\\\\", state, At(2026, 12, 8, 8, 0)).Remove);
}

TEST(ScheduleCheckTest, BadNumbersFallBackOrNeverFire)
{
    std::string state = "garbage";
    // An unreadable hour is 12, here 12 AM.
    EXPECT_TRUE(DecideScheduleEntry("Daily\\x:yyAM\\\\", state, At(2026, 12, 8, 0, 0)).Fire);
    EXPECT_EQ(state, "-1");
    EXPECT_FALSE(DecideScheduleEntry("Daily\\9:00AM - 5:00PM \\(0 hrs.)\\", state, At(2026, 12, 8, 9, 0)).Fire);
    EXPECT_FALSE(DecideScheduleEntry("Daily\\9:00AM - 5:00PM \\(x hrs.)\\", state, At(2026, 12, 8, 9, 0)).Fire);
    EXPECT_FALSE(DecideScheduleEntry("Weekly (Xyz)\\9:00AM\\\\", state, At(2026, 12, 8, 9, 0)).Fire);
}

TEST(ScheduleCheckTest, AnEntryFiresOnceInItsMinuteThoughCheckedEverySecond)
{
    TBrief brief = Brief("A", {"Weekly (Mon)\\7:00AM\\\\"});
    SimulatedClient client{sys_days{2026y / December / 7} + hours{6} + minutes{59}};
    client.runSeconds = 0; // the run is over before the next check
    client.RunUntil(sys_days{2026y / December / 7} + hours{7} + minutes{2}, {&brief});
    EXPECT_EQ(client.runs, std::vector<std::string>{"A 07 07:00"});
    EXPECT_EQ(brief.ScheduleState[0], "7:0/7");
}

TEST(ScheduleCheckTest, OneShotEntriesStayUntilFiredOrPassedAndGoWithASave)
{
    TBrief brief = Brief("A", {"12/8/26\\8:00AM\\\\", "12/8/26\\9:00AM - 10:00AM \\(15 mins.)\\", "12/8/26\\7:00PM\\\\"});
    SimulatedClient client{sys_days{2026y / December / 8} + hours{9} + minutes{30}};
    client.runSeconds = 0;
    client.RunUntil(sys_days{2026y / December / 8} + hours{18} + minutes{59}, {&brief});
    // The 8:00 entry added after its time never fires and stays; the window fired and then went.
    EXPECT_EQ(client.runs, (std::vector<std::string>{"A 08 09:30", "A 08 09:45", "A 08 10:00"}));
    EXPECT_EQ(brief.Schedule, (std::vector<std::string>{"12/8/26\\8:00AM\\\\", "12/8/26\\7:00PM\\\\"}));
    EXPECT_EQ(client.saves.size(), 1u);

    client.RunUntil(sys_days{2026y / December / 9}, {&brief});
    EXPECT_EQ(client.runs.back(), "A 08 19:00");
    EXPECT_EQ(brief.Schedule, std::vector<std::string>{"12/8/26\\8:00AM\\\\"});
    EXPECT_EQ(brief.ScheduleState, std::vector<std::string>{"-1"});
    EXPECT_EQ(client.saves.size(), 2u);
}

TEST(ScheduleCheckTest, ARunningBriefIsSkippedAndOnlyOneBriefStartsPerSecond)
{
    TBrief a = Brief("A", {"Daily\\8:00AM\\\\"});
    TBrief b = Brief("B", {"Daily\\8:00AM\\\\"});
    TBrief c = Brief("C", {"Daily\\8:00AM\\\\"});
    a.Retrieving = true;
    SimulatedClient client{sys_days{2026y / December / 8} + hours{8}};
    client.runSeconds = 3600;
    client.RunUntil(client.now + seconds{2}, {&a, &b, &c});
    EXPECT_EQ(client.runs, (std::vector<std::string>{"B 08 08:00", "C 08 08:00"}));
    EXPECT_EQ(a.ScheduleState[0], "-1");
}

TEST(ScheduleCheckTest, ACheckStartedFromInsideAHandOverDoesNothing)
{
    TBrief a = Brief("A", {"Daily\\8:00AM\\\\"});
    std::vector<TBrief*> briefs{&a};
    ScheduleCheck* self = nullptr;
    int handOvers = 0;
    ScheduleCheck check{[] { return At(2026, 12, 8, 8, 0); },
                        [&](TBrief&, bool)
                        {
                            ++handOvers;
                            EXPECT_EQ(self->Check(briefs), nullptr);
                        },
                        nullptr};
    self = &check;
    EXPECT_EQ(check.Check(briefs), &a);
    EXPECT_EQ(handOvers, 1);
}

} // namespace
} // namespace rv
