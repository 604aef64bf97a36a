#include "client/shell/schedule-entry.h"

#include "client/briefs/brief.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace rv
{
namespace
{

constexpr std::array<std::string_view, 7> WeekdayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<std::string_view, 4> NthNames = {"1st ", "2nd ", "3rd ", "4th "};

std::string TimeText(const ScheduleTime& time)
{
    return time.Hour + ":" + time.Minutes + (time.Pm ? "PM" : "AM");
}

std::string DayPart(const ScheduleChoice& choice)
{
    const std::string weekday{WeekdayAbbreviation(choice.Weekday)};
    switch (choice.Day)
    {
    case ScheduleDay::Today:
        return std::to_string(choice.TodayMonth) + "/" + std::to_string(choice.TodayDay) + "/" +
               std::to_string(choice.TodayYear % 100 / 10) + std::to_string(choice.TodayYear % 10) + "\\";
    case ScheduleDay::Daily:
        return "Daily\\";
    case ScheduleDay::Weekdays:
        return "Weekdays\\";
    case ScheduleDay::Weekly:
        return "Weekly (" + weekday + ")\\";
    case ScheduleDay::MonthlyNthWeekday:
    {
        const auto nth = NthNames[static_cast<std::size_t>(std::clamp(choice.Nth, 1, 4) - 1)];
        return "Monthly (" + std::string{nth} + weekday + ")\\";
    }
    case ScheduleDay::MonthlyLastWeekday:
        return "Monthly (Last " + weekday + ")\\";
    case ScheduleDay::MonthlyDay:
        return "Monthly (Day " + std::to_string(choice.MonthDay) + ")\\";
    case ScheduleDay::MonthlyLastDay:
        return "Monthly (Last day)\\";
    case ScheduleDay::Date:
    {
        std::string date = choice.DateText;
        for (char& c : date)
            if (c == '-')
                c = '/';
        return date + "\\";
    }
    }
    return "\\";
}

std::string TimePart(const ScheduleChoice& choice)
{
    if (choice.Repeat == ScheduleRepeat::Once)
        return TimeText(choice.Start) + "\\\\";
    std::string text = TimeText(choice.Start) + " - " + TimeText(choice.End) + " ";
    if (choice.Repeat == ScheduleRepeat::Every15Minutes)
        return text + "\\(15 mins.)\\";
    return text + "\\(" + std::to_string(choice.Hours) + " hr" + (choice.Hours > 1 ? "s" : "") + ".)\\";
}

std::optional<int> Number(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end == text.data())
        return std::nullopt;
    return value;
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// "(1st Mon)", "(Last Mon)", "(Day 12)", "(Last day)" or the older "(Wk.2, Mon)".
void ParseMonthly(std::string_view inner, ScheduleChoice& choice)
{
    if (inner == "Last day")
    {
        choice.Day = ScheduleDay::MonthlyLastDay;
        return;
    }
    if (StartsWith(inner, "Day "))
    {
        choice.Day = ScheduleDay::MonthlyDay;
        choice.MonthDay = Number(inner.substr(4)).value_or(1);
        return;
    }
    if (StartsWith(inner, "Last "))
    {
        choice.Day = ScheduleDay::MonthlyLastWeekday;
        choice.Weekday = WeekdayFromAbbreviation(inner.substr(5, 3)).value_or(0);
        return;
    }
    choice.Day = ScheduleDay::MonthlyNthWeekday;
    if (StartsWith(inner, "Wk."))
    {
        choice.Nth = Number(inner.substr(3)).value_or(1);
        const auto comma = inner.find(", ");
        if (comma != std::string_view::npos)
            choice.Weekday = WeekdayFromAbbreviation(inner.substr(comma + 2, 3)).value_or(0);
        return;
    }
    choice.Nth = Number(inner).value_or(1);
    const auto blank = inner.find(' ');
    if (blank != std::string_view::npos)
        choice.Weekday = WeekdayFromAbbreviation(inner.substr(blank + 1, 3)).value_or(0);
}

void ParseDayPart(std::string_view day, ScheduleChoice& choice)
{
    const auto open = day.find('(');
    const auto close = day.rfind(')');
    const std::string_view inner = open != std::string_view::npos && close != std::string_view::npos && close > open
                                       ? day.substr(open + 1, close - open - 1)
                                       : std::string_view{};
    if (day == "Daily")
        choice.Day = ScheduleDay::Daily;
    else if (day == "Weekdays")
        choice.Day = ScheduleDay::Weekdays;
    else if (StartsWith(day, "Weekly"))
    {
        choice.Day = ScheduleDay::Weekly;
        choice.Weekday = WeekdayFromAbbreviation(inner.substr(0, 3)).value_or(0);
    }
    else if (StartsWith(day, "Monthly"))
        ParseMonthly(inner, choice);
    else
    {
        choice.Day = ScheduleDay::Date;
        choice.DateText.assign(day);
        for (char& c : choice.DateText)
            if (c == '/')
                c = '-';
    }
}

// "9:00AM" at the start of `text`; gives the length read.
std::size_t ParseTime(std::string_view text, ScheduleTime& time)
{
    const auto colon = text.find(':');
    if (colon == std::string_view::npos)
        return 0;
    time.Hour.assign(text.substr(0, colon));
    const auto suffix = text.find_first_of("AP", colon + 1);
    const auto minutesEnd = suffix == std::string_view::npos ? text.find_first_of(" \\", colon + 1) : suffix;
    time.Minutes.assign(text.substr(colon + 1, minutesEnd == std::string_view::npos ? text.npos : minutesEnd - colon - 1));
    time.Pm = suffix != std::string_view::npos && text.substr(suffix, 2) == "PM";
    if (suffix == std::string_view::npos)
        return minutesEnd == std::string_view::npos ? text.size() : minutesEnd;
    return std::min(text.size(), suffix + 2);
}

void ParseTimePart(std::string_view part, ScheduleChoice& choice)
{
    const std::size_t used = ParseTime(part, choice.Start);
    const auto dash = part.find('-', used);
    if (dash == std::string_view::npos)
    {
        choice.Repeat = ScheduleRepeat::Once;
        return;
    }
    std::string_view rest = part.substr(dash + 1);
    while (!rest.empty() && rest.front() == ' ')
        rest.remove_prefix(1);
    ParseTime(rest, choice.End);
    const auto open = rest.find('(');
    const std::string_view repeat = open == std::string_view::npos ? std::string_view{} : rest.substr(open + 1);
    if (StartsWith(repeat, "15 mins."))
        choice.Repeat = ScheduleRepeat::Every15Minutes;
    else
    {
        choice.Repeat = ScheduleRepeat::EveryHours;
        choice.Hours = Number(repeat).value_or(1);
    }
}

} // namespace

std::string_view WeekdayAbbreviation(int weekday)
{
    if (weekday < 0 || weekday > 6)
        return {};
    return WeekdayNames[static_cast<std::size_t>(weekday)];
}

std::optional<int> WeekdayFromAbbreviation(std::string_view name)
{
    for (std::size_t i = 0; i < WeekdayNames.size(); ++i)
        if (WeekdayNames[i] == name)
            return static_cast<int>(i);
    return std::nullopt;
}

std::string BuildScheduleEntry(const ScheduleChoice& choice)
{
    return DayPart(choice) + TimePart(choice);
}

ScheduleChoice ParseScheduleEntry(std::string_view text)
{
    ScheduleChoice choice;
    const auto slash = text.find('\\');
    ParseDayPart(text.substr(0, slash), choice);
    if (slash != std::string_view::npos)
        ParseTimePart(text.substr(slash + 1), choice);
    return choice;
}

std::string FormatScheduleState(const ScheduleStamp& stamp)
{
    return std::to_string(stamp.Hour) + ":" + std::to_string(stamp.Minute) + "/" + std::to_string(stamp.Day);
}

std::optional<ScheduleStamp> ParseScheduleState(std::string_view text)
{
    const auto colon = text.find(':');
    const auto slash = text.find('/');
    if (colon == std::string_view::npos || slash == std::string_view::npos || slash < colon)
        return std::nullopt;
    const auto digitsOnly = [](std::string_view part)
    { return !part.empty() && part.size() <= 4 && part.find_first_not_of("0123456789") == std::string_view::npos; };
    const auto hour = text.substr(0, colon);
    const auto minute = text.substr(colon + 1, slash - colon - 1);
    const auto day = text.substr(slash + 1);
    if (!digitsOnly(hour) || !digitsOnly(minute) || !digitsOnly(day))
        return std::nullopt;
    return ScheduleStamp{*Number(hour), *Number(minute), *Number(day)};
}

void AddScheduleEntry(TBrief& brief, std::string text)
{
    brief.ScheduleState.resize(brief.Schedule.size(), std::string{ScheduleNeverFired});
    brief.Schedule.push_back(std::move(text));
    brief.ScheduleState.emplace_back(ScheduleNeverFired);
}

bool UpdateScheduleEntry(TBrief& brief, std::size_t index, std::string text)
{
    if (index >= brief.Schedule.size())
        return false;
    brief.Schedule[index] = std::move(text);
    return true;
}

std::optional<std::size_t> RemoveScheduleEntry(TBrief& brief, std::size_t index)
{
    if (index >= brief.Schedule.size())
        return std::nullopt;
    brief.ScheduleState.resize(brief.Schedule.size(), std::string{ScheduleNeverFired});
    const auto offset = static_cast<std::ptrdiff_t>(index);
    brief.Schedule.erase(brief.Schedule.begin() + offset);
    brief.ScheduleState.erase(brief.ScheduleState.begin() + offset);
    if (brief.Schedule.empty())
        return std::nullopt;
    return std::min(index, brief.Schedule.size() - 1);
}

} // namespace rv
