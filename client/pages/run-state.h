// The run state: one set of flags, counters and lists for the whole client
// process, shared by the retrieval thread and the main thread.
//
// Flags and counters are atomics so that either thread may read or write
// one alone at any time. The lists (ActiveRequests, RunBriefs, RunRoots,
// RunSummaryNames) belong to the thread that runs the scan loop and to the
// main thread's timer routine; both hold RequestLock while they change them.
//
// RequestLock guards every request's InUse byte and the scan cursor. Claim
// and Release are the only ways to set and clear InUse: a thread that cannot
// claim a request passes it over and never waits for it.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace rv
{

struct RetrievalRequest;
struct TBrief;
struct TWebPage;

struct RunState
{
    std::atomic<bool> RunBusy{false};
    std::atomic<bool> StopRequested{false};
    std::atomic<bool> StopByUser{false};
    std::atomic<TBrief*> StopTarget{nullptr};
    std::atomic<bool> PromptOpen{false};
    std::atomic<std::int32_t> ActiveCount{0};
    std::vector<RetrievalRequest*> ActiveRequests; // a finished one leaves a null slot for reuse
    std::vector<TBrief*> RunBriefs;                // in joining order
    std::vector<RetrievalRequest*> RunRoots;       // per brief, its first request
    std::vector<std::string> RunSummaryNames;      // parallel to RunBriefs
    std::atomic<std::int32_t> PagesLoaded{0};
    std::atomic<std::int32_t> ImagesLoaded{0};
    std::atomic<std::uint32_t> BytesLoaded{0};
    std::atomic<bool> OutOfMemory{false};
    std::atomic<bool> LineDropped{false};
    std::mutex RequestLock;
    void* ScanCursor = nullptr; // queue node where the next scan begins; under RequestLock
    std::atomic<TWebPage*> SkipEntryTarget{nullptr};

    // Puts everything back to the state of a new run (RunBusy cleared).
    // Call it only while no other thread works on the run.
    void Reset();

    // Puts request into the first empty slot of ActiveRequests (or a new
    // one) and counts it in ActiveCount; RemoveActive empties its slot.
    void AddActive(RetrievalRequest* request);
    bool RemoveActive(RetrievalRequest* request);
};

// Under RequestLock: fails when the request is in use, else marks it so.
bool Claim(RunState& state, RetrievalRequest& request);
// Clears InUse (under RequestLock).
void Release(RunState& state, RetrievalRequest& request);

// Holds a claim for the life of the object when it could be taken.
class RequestClaim
{
public:
    RequestClaim(RunState& state, RetrievalRequest& request) : state_(state), request_(request)
    {
        held_ = Claim(state, request);
    }
    ~RequestClaim()
    {
        if (held_)
            Release(state_, request_);
    }
    RequestClaim(const RequestClaim&) = delete;
    RequestClaim& operator=(const RequestClaim&) = delete;
    bool Held() const { return held_; }

private:
    RunState& state_;
    RetrievalRequest& request_;
    bool held_ = false;
};

} // namespace rv
