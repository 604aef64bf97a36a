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

#include "client/pages/run-observer.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace rv
{

struct RetrievalRequest;
struct TBrief;
struct TWebPage;

// What a run learns about one entry of a brief. The entry itself (TWebPage)
// stays the main thread's and is never written by the run.
//
// Outstanding and Skipped are read by both threads (Skip Entry looks at the
// other entries); the flags belong to the retrieval thread, which hands
// them to the main thread as values in the entry's finished event.
struct EntryProgress
{
    std::atomic<std::int32_t> Outstanding{0}; // requests of the entry not handled yet
    std::atomic<bool> Skipped{false};         // Skip Entry confirmed; cleared once its requests are gone
    bool Inaccessible = false;                // a page of the entry could not be reached
    bool DifferencesFound = false;            // its start page changed since the previous retrieval
    bool MatchesFound = false;                // a page of the entry matched its Smart Search
    bool Started = false;                     // its first request was started

    // The flags as the entry's finished event carries them.
    EntryOutcome Outcome() const { return {Skipped.load(), Inaccessible, DifferencesFound, MatchesFound}; }
};

// What a run learns about one brief: its counts and one EntryProgress per
// entry. Entries are tracked when the brief joins the run and none is added
// afterwards, so either thread may look one up at any time.
class BriefProgress
{
public:
    BriefProgress() = default;
    BriefProgress(const BriefProgress&) = delete;
    BriefProgress& operator=(const BriefProgress&) = delete;

    // Forgets everything and tracks every entry of the brief.
    void Reset(const TBrief& brief);
    // Tracks one more entry (before the brief's requests are queued).
    void Track(const TWebPage* entry) { entries_.try_emplace(entry); }
    // The entry's record; null for an entry that is not tracked.
    EntryProgress* Of(const TWebPage* entry);
    const EntryProgress* Of(const TWebPage* entry) const;
    // Whether Skip Entry waits for the entry's requests to go.
    bool Skipped(const TWebPage* entry) const;

    std::atomic<std::int32_t> Outstanding{0}; // requests of the brief not handled yet
    bool MatchesFound = false;                // retrieval thread

private:
    std::map<const TWebPage*, EntryProgress> entries_;
};

// Counts a request of the brief as outstanding (delta 1) or done (-1), for
// the brief and for the request's entry.
void CountOutstanding(BriefProgress& progress, const RetrievalRequest& request, std::int32_t delta);

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
