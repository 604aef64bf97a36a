// RunRoster: the briefs of the run under way, in joining order, each with
// its BriefRun. The roster owns the BriefRuns; a brief leaves it when it is
// finished. Every method takes the run lock, so both threads may call them;
// a BriefRun found here stays valid until the thread that finishes its brief
// removes it.
#pragma once

#include "client/pages/page-context.h"
#include "client/pages/run-state.h"
#include "store/run-lock.h"

#include <memory>
#include <vector>

namespace rv
{

struct TBrief;

class RunRoster
{
public:
    RunRoster(RunLock& lock, RunState& state);
    ~RunRoster();
    RunRoster(const RunRoster&) = delete;
    RunRoster& operator=(const RunRoster&) = delete;

    // Forgets every brief (a new run begins).
    void Clear();
    // Adds a brief that joined; the run state's lists of briefs and summary
    // names follow.
    void Add(std::unique_ptr<BriefRun> run);
    // The brief's BriefRun, or null when the brief is not in the run.
    BriefRun* Of(const TBrief* brief);
    std::vector<BriefRun*> InOrder();
    void Remove(const BriefRun& run);
    bool Empty();

private:
    RunLock& lock_;
    RunState& state_;
    std::vector<std::unique_ptr<BriefRun>> runs_;
};

} // namespace rv
