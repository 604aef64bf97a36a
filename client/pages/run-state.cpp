#include "client/pages/run-state.h"

#include "client/pages/retrieval-request.h"

#include <algorithm>

namespace rv
{

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
