#include "client/pages/run-state.h"

#include "client/briefs/brief.h"
#include "client/pages/retrieval-request.h"

#include <algorithm>

namespace rv
{

void BriefProgress::Reset(const TBrief& brief)
{
    entries_.clear();
    Outstanding = 0;
    MatchesFound = false;
    for (int i = 0; i < brief.Entries.Count(); ++i)
        Track(&brief.Entries[i]);
}

EntryProgress* BriefProgress::Of(const TWebPage* entry)
{
    auto found = entries_.find(entry);
    return found == entries_.end() ? nullptr : &found->second;
}

const EntryProgress* BriefProgress::Of(const TWebPage* entry) const
{
    auto found = entries_.find(entry);
    return found == entries_.end() ? nullptr : &found->second;
}

bool BriefProgress::Skipped(const TWebPage* entry) const
{
    const EntryProgress* progress = Of(entry);
    return progress && progress->Skipped;
}

void CountOutstanding(BriefProgress& progress, const RetrievalRequest& request, std::int32_t delta)
{
    if (EntryProgress* entry = progress.Of(request.Entry))
        entry->Outstanding += delta;
    if (request.Brief)
        progress.Outstanding += delta;
}

void RunState::Reset()
{
    RunBusy = false;
    StopRequested = false;
    StopByUser = false;
    StopTarget = nullptr;
    PromptOpen = false;
    ActiveCount = 0;
    ActiveRequests.clear();
    RunBriefs.clear();
    RunRoots.clear();
    RunSummaryNames.clear();
    PagesLoaded = 0;
    ImagesLoaded = 0;
    BytesLoaded = 0;
    OutOfMemory = false;
    LineDropped = false;
    ScanCursor = nullptr;
    SkipEntryTarget = nullptr;
}

void RunState::AddActive(RetrievalRequest* request)
{
    auto slot = std::find(ActiveRequests.begin(), ActiveRequests.end(), nullptr);
    if (slot != ActiveRequests.end())
        *slot = request;
    else
        ActiveRequests.push_back(request);
    ++ActiveCount;
}

bool RunState::RemoveActive(RetrievalRequest* request)
{
    auto slot = std::find(ActiveRequests.begin(), ActiveRequests.end(), request);
    if (slot == ActiveRequests.end() || request == nullptr)
        return false;
    *slot = nullptr;
    --ActiveCount;
    return true;
}

bool Claim(RunState& state, RetrievalRequest& request)
{
    std::lock_guard lock(state.RequestLock);
    if (request.InUse)
        return false;
    request.InUse = 1;
    return true;
}

void Release(RunState& state, RetrievalRequest& request)
{
    std::lock_guard lock(state.RequestLock);
    request.InUse = 0;
}

} // namespace rv
