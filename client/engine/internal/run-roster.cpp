#include "client/engine/internal/run-roster.h"

#include "store/archive-writer.h"
#include "store/link-cache.h"
#include "store/site-map.h"

#include <algorithm>
#include <mutex>

namespace rv
{

RunRoster::RunRoster(RunLock& lock, RunState& state) : lock_(lock), state_(state) {}

RunRoster::~RunRoster() = default;

void RunRoster::Clear()
{
    std::lock_guard guard(lock_);
    runs_.clear();
}

void RunRoster::Add(std::unique_ptr<BriefRun> run)
{
    std::lock_guard guard(lock_);
    state_.RunBriefs.push_back(run->Brief);
    state_.RunSummaryNames.push_back(run->SummaryName);
    runs_.push_back(std::move(run));
}

BriefRun* RunRoster::Of(const TBrief* brief)
{
    std::lock_guard guard(lock_);
    for (auto& run : runs_)
        if (run->Brief == brief)
            return run.get();
    return nullptr;
}

std::vector<BriefRun*> RunRoster::InOrder()
{
    std::lock_guard guard(lock_);
    std::vector<BriefRun*> runs;
    for (auto& run : runs_)
        runs.push_back(run.get());
    return runs;
}

void RunRoster::Remove(const BriefRun& run)
{
    std::lock_guard guard(lock_);
    for (std::size_t i = 0; i < runs_.size(); ++i)
    {
        if (runs_[i].get() != &run)
            continue;
        auto& briefs = state_.RunBriefs;
        briefs.erase(std::remove(briefs.begin(), briefs.end(), run.Brief), briefs.end());
        auto& names = state_.RunSummaryNames;
        names.erase(std::remove(names.begin(), names.end(), run.SummaryName), names.end());
        runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(i));
        return;
    }
}

bool RunRoster::Empty()
{
    std::lock_guard guard(lock_);
    return runs_.empty();
}

} // namespace rv
