// Schedule entry texts: building them from the choices of the brief setup dialog and reading them back,
// plus the parallel ScheduleState items and the list edits that keep both lists in step.
//
// An entry text is a day part ending in "\" and a time part, for example "Daily\8:00AM\\" or
// "Weekdays\9:00AM - 5:00PM \(2 hrs.)\". Pure functions; any thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace rv
{

struct TBrief;

enum class ScheduleDay
{
    Today, // the date given in TodayMonth/TodayDay/TodayYear
    Daily,
    Weekdays,
    Weekly,             // on Weekday
    MonthlyNthWeekday,  // the Nth (1 to 4) Weekday of the month
    MonthlyLastWeekday, // the last Weekday of the month
    MonthlyDay,         // day MonthDay (1 to 30)
    MonthlyLastDay,
    Date, // DateText as typed, "MM-DD-YY"
};

enum class ScheduleRepeat
{
    Once,
    Every15Minutes,
    EveryHours, // every Hours hours from start to end
};

// A time as typed: hour 1 to 12 and minutes kept as text so that a rebuilt entry matches its text byte
// for byte.
struct ScheduleTime
{
    std::string Hour = "12";
    std::string Minutes = "00";
    bool Pm = false;

    bool operator==(const ScheduleTime&) const = default;
};

// Everything the dialog's day and time controls hold.
struct ScheduleChoice
{
    ScheduleDay Day = ScheduleDay::Daily;
    int Weekday = 0; // 0 Sunday to 6 Saturday
    int Nth = 1;
    int MonthDay = 1;
    std::string DateText;
    int TodayMonth = 1, TodayDay = 1, TodayYear = 2000;

    ScheduleRepeat Repeat = ScheduleRepeat::Once;
    ScheduleTime Start;
    ScheduleTime End;
    int Hours = 1;

    bool operator==(const ScheduleChoice&) const = default;
};

// The three-letter weekday names, Sunday first; nothing for an index outside 0 to 6.
std::string_view WeekdayAbbreviation(int weekday);
// 0 to 6 for "Sun" to "Sat" (case as written), nothing otherwise.
std::optional<int> WeekdayFromAbbreviation(std::string_view name);

// The entry text for a choice.
std::string BuildScheduleEntry(const ScheduleChoice& choice);

// The choice that builds `text` again, for loading an entry back into the controls. A Today entry
// comes back as a Date whose DateText has "-" for "/"; it rebuilds to the same text. Parts that cannot
// be read keep the defaults of ScheduleChoice.
ScheduleChoice ParseScheduleEntry(std::string_view text);

// A ScheduleState item: "-1", or the hour, minute and day of month of the last firing ("22:30/8").
inline constexpr std::string_view ScheduleNeverFired = "-1";

struct ScheduleStamp
{
    int Hour = 0;
    int Minute = 0;
    int Day = 0;

    bool operator==(const ScheduleStamp&) const = default;
};

std::string FormatScheduleState(const ScheduleStamp& stamp);
// Nothing for "-1" and for any text that is not three unsigned numbers in that form.
std::optional<ScheduleStamp> ParseScheduleState(std::string_view text);

// List edits of the brief setup dialog. They keep ScheduleState as long as Schedule (filling with "-1"
// when a brief came with a shorter one) and change only the brief in memory; the caller saves.
void AddScheduleEntry(TBrief& brief, std::string text);
// Replaces the text at `index`; its state item stays. False when there is no such entry.
bool UpdateScheduleEntry(TBrief& brief, std::size_t index, std::string text);
// Removes the entry at `index` and its state item and gives the index to select next: the entry now at
// that position, else the new last one; nothing when the schedule became empty or `index` was invalid.
std::optional<std::size_t> RemoveScheduleEntry(TBrief& brief, std::size_t index);

} // namespace rv
