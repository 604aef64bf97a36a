// The once-a-second schedule check: compares every entry of every open, active, idle brief with the clock
// and hands at most one brief per check to the retrieval engine, with the scheduled flag set.
//
// The clock, the run hand-over and the brief save are handed in, so that the windows, a headless runner
// and tests drive the same check. Main thread only; the callbacks are called on the calling thread,
// from inside Check.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

struct TBrief;

// A local date and time of the wall clock.
struct CivilTime
{
    int Year = 2000;
    int Month = 1; // 1 to 12
    int Day = 1;   // 1 to 31
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
};

// The wall clock now, in local time.
CivilTime LocalCivilTime();

// 0 Sunday to 6 Saturday.
int WeekdayOf(int year, int month, int day);
int DaysInMonth(int year, int month);

// What one schedule entry asks of a check at `now`: fire, remove itself (a one-shot entry that fired or
// whose window has passed), or both, with the time to record in its ScheduleState item when it fires.
// `state` is that item; a damaged one is put back to "-1".
struct EntryDecision
{
    bool Fire = false;
    bool Remove = false;
    int Hour = 0; // now's hour, 24 and above in the small hours of a window that crosses midnight
    int Minute = 0;
    int Day = 0; // day of month, of the previous day in those small hours
};
EntryDecision DecideScheduleEntry(std::string_view entry, std::string& state, const CivilTime& now);

class ScheduleCheck
{
public:
    using Clock = std::function<CivilTime()>;
    // Starts a run of the brief (the run hand-over); `scheduled` is always true from here.
    using HandOver = std::function<void(TBrief& brief, bool scheduled)>;
    // Writes the brief file after a one-shot entry went away; the dialog, when open, reloads its list.
    using Save = std::function<void(TBrief& brief)>;

    ScheduleCheck(Clock clock, HandOver handOver, Save save);

    // One check over the open briefs in window order (the caller leaves out the temporary page-loading
    // brief). Gives the brief handed over, or nullptr. Does nothing when called again from inside one of
    // its callbacks.
    TBrief* Check(const std::vector<TBrief*>& openBriefs);

private:
    bool CheckBrief(TBrief& brief, const CivilTime& now);

    Clock clock_;
    HandOver handOver_;
    Save save_;
    bool running_ = false;
};

} // namespace rv
