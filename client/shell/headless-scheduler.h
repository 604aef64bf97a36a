// The headless scheduler: keeps briefs open without windows and runs each
// at its scheduled times.
//
//   RVClient --schedule FILE.brf ...
//
// Once a second the schedule check looks at every brief; a due brief is
// handed to the run driver with the scheduled flag (it starts a run or joins
// the one under way). Status lines are printed as by the headless runner.
// SIGTERM (or SIGINT) ends it cleanly: no new run starts, a run under way
// is finished first and its briefs saved, then the program exits 0.
//
// Threads: the main thread, which runs the Qt event loop.
#pragma once

#include "client/shell/headless-runner.h"
#include "client/shell/schedule-check.h"

#include <chrono>
#include <functional>

namespace rv
{

struct ScheduleOptions
{
    // The wall clock; tests pass a simulated one.
    ScheduleCheck::Clock Clock = LocalCivilTime;
    // How often the schedule is checked.
    std::chrono::milliseconds Tick = std::chrono::seconds(1);
    // Called after every check; returning true ends the scheduler as a
    // SIGTERM does (tests use it in place of the signal).
    std::function<bool()> StopAfterCheck;
};

// Loads the briefs and schedules them until SIGTERM or SIGINT. Returns 0
// after a clean stop, 2 when a brief file could not be loaded.
int ScheduleBriefsHeadless(const HeadlessOptions& options, const ScheduleOptions& schedule, PrintingObserver& observer);

} // namespace rv
