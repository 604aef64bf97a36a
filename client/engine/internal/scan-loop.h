// ScanLoop: the retrieval thread's work. Each pass walks the retrieval
// queue: it gives waiting requests a connection within the limit of
// NumSocks, holding back a second connection to a site that already has one
// on every other attempt; it hands every completed page to page processing;
// and it closes each brief when its last request is done, when the user
// stops it, or when one of its limits is reached. With nothing to do it
// blocks on a wait condition that Poke signals; it never spins.
//
// Threads: Run and everything it calls run on the retrieval thread; Poke
// may be called from any thread.
#pragma once

#include "client/pages/brief-limits.h"
#include "client/pages/page-context.h"
#include "client/pages/retrieval-list.h"
#include "client/pages/retrieval-settings.h"
#include "client/pages/run-state.h"
#include "store/run-lock.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

class QObject;

namespace rv
{

class BriefFinisher;
class RunObserver;
class RunRoster;
class TAsyncThread;
class TFetch;

// What the driver and the scan loop tell each other about the run as a
// whole.
struct RunFlags
{
    std::atomic<bool> Closing{false};     // the run is ending: a brief started now waits for the next run
    std::atomic<bool> FailureStop{false}; // a store failure is closing every brief; limits no longer count
    std::atomic<bool> StopAll{false};     // the driver is going away: close every brief
    int Joining = 0;                      // briefs being joined on the main thread; under the run lock
};

class ScanLoop
{
public:
    // Everything given outlives the loop; mainThread lives on the main
    // thread and the observer relays to it.
    ScanLoop(QObject* mainThread, RunObserver& observer, const RetrievalSettings& settings, RunState& state, RunLock& lock,
             TRetrievalList& queue, TAsyncThread& worker, TFetch& fetch, RunRoster& roster, BriefFinisher& finisher,
             RunBuffers& buffers, RunFlags& flags, const std::function<bool()>& connect);

    // Runs until no brief is left in the run and none is joining; sets
    // flags.Closing as it returns.
    void Run();
    // Wakes the loop: a transfer ended, a request was queued, or the user
    // stopped or skipped something.
    void Poke();
    // Forgets the state of a previous run.
    void Reset() { fruitless_ = 0; }

private:
    bool ScanPass();
    bool WalkQueue(bool handleComplete);
    // Starts waiting requests from the head of the queue while connections
    // are free, up to the first one that may not start now.
    void StartWaitingAtHead();
    void Reconnect();
    // attempt: a held-back start on a site with a connection counts as one
    // of its attempts (every other one is held back).
    // Returns true when the transfer was handed to the main thread, with the
    // request's claim.
    bool StartRequest(BriefRun* run, RetrievalRequest& request, bool attempt);
    void BeginTransfer(RetrievalRequest& request);
    bool HandleComplete(TRetrievalList::Node* node);
    void StoreFile(BriefRun& run, RetrievalRequest& request);
    void ProcessBody(BriefRun& run, RetrievalRequest& request);
    bool LimitsReached(const BriefRun& run);
    void StopForLimits(BriefRun& run);
    [[nodiscard]] bool FetchNow(RetrievalRequest& request, std::chrono::seconds limit);
    PageContext ContextFor(BriefRun& run);
    void WaitForWork();

    QObject* mainThread_;
    RunObserver& observer_;
    const RetrievalSettings& settings_;
    RunState& state_;
    RunLock& lock_;
    TRetrievalList& queue_;
    TAsyncThread& worker_;
    TFetch& fetch_;
    RunRoster& roster_;
    BriefFinisher& finisher_;
    RunBuffers& buffers_;
    RunFlags& flags_;
    const std::function<bool()>& connect_;
    int fruitless_ = 0;
    DiskReserveWatch diskReserve_;
    std::mutex wakeMutex_;
    std::condition_variable wake_;
    bool poked_ = false;
};

} // namespace rv
