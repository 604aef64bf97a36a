#include "client/shell/schedule-check.h"

#include "client/briefs/brief.h"
#include "client/shell/schedule-entry.h"
#include "store/ascii-text.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <ctime>

namespace rv
{
namespace
{

// An entry's times in 24-hour form; defaults stand in for numbers that cannot be read.
struct EntryTimes
{
    int StartHour = 12;
    int StartMinute = 0;
    bool Window = false;
    int EndHour = 12; // 24 added when the window crosses midnight
    int EndMinute = 0;
    bool Every15Minutes = false;
    int EveryHours = 0; // 0: the window never fires
    bool CrossesMidnight = false;
};

int NumberOr(std::string_view text, int fallback)
{
    text = TrimSpaceOrTab(text);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end != text.data() ? value : fallback;
}

// Reads "h:mmAM" whose hour starts at `from` and ends at the colon `colon`; gives the position after the
// minutes and their AM/PM.
std::size_t ReadTime(std::string_view text, std::size_t from, std::size_t colon, int& hour, int& minute)
{
    hour = NumberOr(text.substr(from, colon - from), 12);
    const auto suffix = text.find_first_of("AP", colon + 1);
    minute = NumberOr(text.substr(colon + 1, suffix == std::string_view::npos ? text.npos : suffix - colon - 1), 0);
    if (suffix == std::string_view::npos)
        return text.size();
    const bool pm = text.substr(suffix, 2) == "PM";
    if (hour == 12)
        hour = pm ? 12 : 0;
    else if (pm)
        hour += 12;
    return suffix + 1;
}

EntryTimes ParseTimes(std::string_view entry)
{
    EntryTimes times;
    const auto colon = entry.find(':');
    if (colon == std::string_view::npos)
        return times;
    const auto slash = entry.rfind('\\', colon);
    const std::size_t after =
        ReadTime(entry, slash == std::string_view::npos ? 0 : slash + 1, colon, times.StartHour, times.StartMinute);
    const auto dash = entry.find('-', after);
    if (dash == std::string_view::npos)
        return times;
    times.Window = true;
    const auto endColon = entry.find(':', dash);
    if (endColon != std::string_view::npos)
        ReadTime(entry, dash + 1, endColon, times.EndHour, times.EndMinute);
    if (times.EndHour * 60 + times.EndMinute < times.StartHour * 60 + times.StartMinute)
    {
        times.EndHour += 24;
        times.CrossesMidnight = true;
    }
    const auto open = entry.find('(', dash);
    const std::string_view repeat = open == std::string_view::npos ? std::string_view{} : entry.substr(open + 1);
    if (repeat.substr(0, 8) == "15 mins.")
        times.Every15Minutes = true;
    else if (repeat.find(" hr") != std::string_view::npos)
        times.EveryHours = std::max(0, NumberOr(repeat.substr(0, repeat.find(" hr")), 0));
    return times;
}

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

struct DayMatch
{
    bool Matches = false;
    bool OneShot = false;
};

bool MonthlyMatches(std::string_view inner, const CivilTime& date)
{
    const int weekday = WeekdayOf(date.Year, date.Month, date.Day);
    const int lastDay = DaysInMonth(date.Year, date.Month);
    const auto named = [&](std::string_view name) { return WeekdayFromAbbreviation(name.substr(0, 3)) == weekday; };
    if (inner == "Last day")
        return date.Day == lastDay;
    if (inner.substr(0, 4) == "Day ")
        return date.Day == NumberOr(inner.substr(4), 1);
    if (inner.substr(0, 5) == "Last ")
        return named(inner.substr(5)) && date.Day > lastDay - 7;
    int nth = 1;
    std::string_view name;
    if (inner.substr(0, 3) == "Wk.")
    {
        const auto comma = inner.find(',');
        nth = NumberOr(inner.substr(3, comma == std::string_view::npos ? inner.npos : comma - 3), 1);
        name = comma == std::string_view::npos ? std::string_view{} : TrimSpaceOrTab(inner.substr(comma + 1));
    }
    else
    {
        const auto blank = inner.find(' ');
        nth = NumberOr(inner.substr(0, 1), 1);
        name = blank == std::string_view::npos ? std::string_view{} : inner.substr(blank + 1);
    }
    return named(name) && (date.Day - 1) / 7 + 1 == nth;
}

bool DateMatches(std::string_view day, const CivilTime& date)
{
    const auto first = day.find('/');
    const auto second = day.find('/', first + 1);
    const int month = NumberOr(day.substr(0, first), 1);
    const int dayOfMonth = NumberOr(day.substr(first + 1, second == std::string_view::npos ? day.npos : second - first - 1), 1);
    const int year = second == std::string_view::npos ? 0 : NumberOr(day.substr(second + 1), 0);
    return month == date.Month && dayOfMonth == date.Day && year % 100 == date.Year % 100;
}

DayMatch MatchDay(std::string_view entry, const CivilTime& date)
{
    const std::string_view day = entry.substr(0, entry.find('\\'));
    const auto open = day.find('(');
    const std::string_view inner = open == std::string_view::npos ? std::string_view{} : day.substr(open + 1);
    const std::string_view bracketed = inner.substr(0, inner.find(')'));
    const int weekday = WeekdayOf(date.Year, date.Month, date.Day);
    if (day.substr(0, 5) == "Daily")
        return {true, false};
    if (day.substr(0, 8) == "Weekdays")
        return {weekday >= 1 && weekday <= 5, false};
    if (day.substr(0, 6) == "Weekly")
        return {WeekdayFromAbbreviation(bracketed.substr(0, 3)) == weekday, false};
    if (day.substr(0, 7) == "Monthly")
        return {MonthlyMatches(bracketed, date), false};
    if (day.find('/') != std::string_view::npos)
        return {DateMatches(day, date), true};
    return {true, true};
}

CivilTime PreviousDay(const CivilTime& now)
{
    using namespace std::chrono;
    const sys_days today{year{now.Year} / month{static_cast<unsigned>(now.Month)} / day{static_cast<unsigned>(now.Day)}};
    const year_month_day before{today - days{1}};
    CivilTime shifted = now;
    shifted.Year = static_cast<int>(before.year());
    shifted.Month = static_cast<int>(static_cast<unsigned>(before.month()));
    shifted.Day = static_cast<int>(static_cast<unsigned>(before.day()));
    shifted.Hour += 24;
    return shifted;
}

bool WindowFires(const EntryTimes& times, int hour, int minute)
{
    if (times.Every15Minutes)
        return ((minute - times.StartMinute) % 15 + 15) % 15 == 0;
    return times.EveryHours >= 1 && (hour - times.StartHour) % times.EveryHours == 0 && hour <= times.EndHour &&
           minute == times.StartMinute;
}

} // namespace

CivilTime LocalCivilTime()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

int WeekdayOf(int year, int month, int day)
{
    using namespace std::chrono;
    const sys_days date{std::chrono::year{year} / std::chrono::month{static_cast<unsigned>(month)} /
                        std::chrono::day{static_cast<unsigned>(day)}};
    return static_cast<int>(weekday{date}.c_encoding());
}

int DaysInMonth(int year, int month)
{
    switch (month)
    {
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    case 2:
        return IsLeapYear(year) ? 29 : 28;
    default:
        return 31;
    }
}

EntryDecision DecideScheduleEntry(std::string_view entry, std::string& state, const CivilTime& now)
{
    const EntryTimes times = ParseTimes(entry);
    CivilTime at = now;
    // The small hours of a window that runs past midnight belong to the day on which the window opened.
    if (times.CrossesMidnight && now.Hour * 60 + now.Minute < times.StartHour * 60 + times.StartMinute)
        at = PreviousDay(now);
    EntryDecision decision{false, false, at.Hour, at.Minute, at.Day};

    const DayMatch day = MatchDay(entry, at);
    const auto stamp = ParseScheduleState(state);
    if (!stamp)
        state = ScheduleNeverFired;
    if (!day.Matches || (stamp && *stamp == ScheduleStamp{at.Hour, at.Minute, at.Day}))
        return decision;

    if (!times.Window)
    {
        decision.Fire = at.Hour == times.StartHour && at.Minute == times.StartMinute;
        decision.Remove = decision.Fire && day.OneShot;
        return decision;
    }
    const int nowMinutes = at.Hour * 60 + at.Minute;
    if (nowMinutes >= times.StartHour * 60 + times.StartMinute && nowMinutes <= times.EndHour * 60 + times.EndMinute)
        decision.Fire = WindowFires(times, at.Hour, at.Minute);
    else
        decision.Remove = day.OneShot && times.StartHour < at.Hour;
    return decision;
}

ScheduleCheck::ScheduleCheck(Clock clock, HandOver handOver, Save save)
    : clock_(std::move(clock)), handOver_(std::move(handOver)), save_(std::move(save))
{
}

TBrief* ScheduleCheck::Check(const std::vector<TBrief*>& openBriefs)
{
    if (running_)
        return nullptr;
    running_ = true;
    const CivilTime now = clock_();
    TBrief* started = nullptr;
    for (TBrief* brief : openBriefs)
    {
        if (brief == nullptr || !brief->BriefActive || brief->Retrieving)
            continue;
        if (CheckBrief(*brief, now))
        {
            started = brief;
            break;
        }
    }
    running_ = false;
    return started;
}

bool ScheduleCheck::CheckBrief(TBrief& brief, const CivilTime& now)
{
    brief.ScheduleState.resize(brief.Schedule.size(), std::string{ScheduleNeverFired});
    std::size_t index = 0;
    while (index < brief.Schedule.size())
    {
        const EntryDecision decision = DecideScheduleEntry(brief.Schedule[index], brief.ScheduleState[index], now);
        if (decision.Remove)
        {
            RemoveScheduleEntry(brief, index);
            if (save_)
                save_(brief);
        }
        if (decision.Fire)
        {
            if (!decision.Remove)
                brief.ScheduleState[index] = FormatScheduleState({decision.Hour, decision.Minute, decision.Day});
            if (handOver_)
                handOver_(brief, true);
            return true;
        }
        if (!decision.Remove)
            ++index;
    }
    return false;
}

} // namespace rv
