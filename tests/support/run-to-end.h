// Runs the driver's event loop until its run has ended, for tests of whole
// brief runs. `start` starts the briefs (and may arrange stops or skips).
// Returns false when the run was still going after `limit`.
#pragma once

#include "client/engine/internal/run-driver.h"

#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <functional>

namespace rv::test
{

inline bool RunToEnd(RunDriver& driver, const std::function<void()>& start,
                     std::chrono::milliseconds limit = std::chrono::minutes(1))
{
    QEventLoop loop;
    driver.SetRunEnded([&] { loop.quit(); });
    QTimer::singleShot(limit, &loop, [&] { loop.quit(); });
    start();
    if (driver.RunActive())
        loop.exec();
    return !driver.RunActive();
}

// Keeps the outcome of the entry that finished last.
class OutcomeObserver : public RunObserver
{
public:
    void EntryFinished(const TBrief&, const TWebPage&, const EntryOutcome& outcome) override { last = outcome; }
    EntryOutcome last;
};

// The same for one brief started by the user.
inline bool RunToEnd(RunDriver& driver, TBrief& brief, std::chrono::milliseconds limit = std::chrono::minutes(1))
{
    return RunToEnd(
        driver, [&] { driver.StartBrief(brief); }, limit);
}

} // namespace rv::test
