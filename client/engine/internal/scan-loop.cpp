#include "client/engine/internal/scan-loop.h"

#include "client/briefs/brief.h"
#include "client/engine/internal/brief-finisher.h"
#include "client/engine/internal/fetch.h"
#include "client/engine/internal/main-thread-call.h"
#include "client/engine/internal/run-failure.h"
#include "client/engine/internal/run-roster.h"
#include "client/engine/internal/transfer-worker.h"
#include "client/pages/brief-limits.h"
#include "client/pages/entry-page.h"
#include "client/pages/link-resolver.h"
#include "client/pages/page-processing.h"
#include "client/pages/same-site.h"
#include "client/pages/url-parts.h"
#include "store/archive-writer.h"
#include "store/link-cache.h"

namespace rv
{

namespace
{

// After this many attempts that started nothing, one request is let through
// past the rule that holds back a second connection to a busy site.
constexpr int FruitlessAttemptLimit = 50;

TRetrievalList::Node* NextOf(RunLock& lock, TRetrievalList::Node* node)
{
    std::lock_guard guard(lock);
    return node->Next;
}

bool BelongsToSkippedEntry(const BriefRun* run, const RetrievalRequest& request)
{
    return request.SkipRequested || (run && run->Progress.Skipped(request.Entry));
}

} // namespace

ScanLoop::ScanLoop(QObject* mainThread, RunObserver& observer, const RetrievalSettings& settings, RunState& state,
                   RunLock& lock, TRetrievalList& queue, TAsyncThread& worker, TFetch& fetch, RunRoster& roster,
                   BriefFinisher& finisher, RunBuffers& buffers, RunFlags& flags, const std::function<bool()>& connect)
    : mainThread_(mainThread), observer_(observer), settings_(settings), state_(state), lock_(lock), queue_(queue),
      worker_(worker), fetch_(fetch), roster_(roster), finisher_(finisher), buffers_(buffers), flags_(flags), connect_(connect)
{
}

void ScanLoop::Run()
{
    for (;;)
    {
        if (state_.OutOfMemory)
            throw std::bad_alloc();
        if (flags_.StopAll)
        {
            for (BriefRun* run : roster_.InOrder())
                finisher_.FinishBrief(*run, true);
        }
        if (TWebPage* entry = state_.SkipEntryTarget.exchange(nullptr))
        {
            finisher_.FinishSkippedEntry(*entry);
            continue;
        }
        bool progressed = ScanPass();
        for (BriefRun* run : roster_.InOrder())
        {
            bool done = false;
            {
                std::lock_guard guard(lock_);
                done = run->Progress.Outstanding <= 0;
            }
            if (done)
            {
                finisher_.FinishBrief(*run, true);
                progressed = true;
            }
        }
        if (state_.StopRequested)
        {
            BriefRun* run = roster_.Of(state_.StopTarget.load());
            if (run)
                finisher_.FinishBrief(*run, true);
            state_.StopRequested = false;
            state_.StopByUser = false;
            state_.StopTarget = nullptr;
            progressed = true;
        }
        if (state_.LineDropped.exchange(false))
        {
            Reconnect();
            progressed = true;
        }
        {
            std::lock_guard guard(lock_);
            if (roster_.Empty() && flags_.Joining == 0)
            {
                flags_.Closing = true;
                return;
            }
        }
        if (!progressed)
            WaitForWork();
    }
}

// The line was lost: connect again; when that fails every brief of the
// run is closed as it stands.
void ScanLoop::Reconnect()
{
    if (connect_())
    {
        for (BriefRun* run : roster_.InOrder())
            observer_.UpdateStatusLine(*run->Brief, BriefStatus::Loading, "");
        return;
    }
    for (BriefRun* run : roster_.InOrder())
        finisher_.FinishBrief(*run, true);
}

// Starts what may start, then handles what has completed: a free connection
// fetches the next page while this thread works on the last one. Returns
// whether anything was started or handled.
bool ScanLoop::ScanPass()
{
    const bool started = WalkQueue(false);
    return WalkQueue(true) || started;
}

// One walk over the queue; completed requests are handled only when asked.
bool ScanLoop::WalkQueue(bool handleComplete)
{
    // With every connection taken, a walk that only starts requests would
    // claim and release each queued one for nothing.
    const auto connectionsTaken = [this] { return state_.ActiveCount >= settings_.NumSocks; };
    if (!handleComplete && connectionsTaken())
        return false;
    TRetrievalList::Node* node = nullptr;
    {
        std::lock_guard guard(lock_);
        node = queue_.First();
        if (!node && queue_.Spilled() > 0)
            return true; // the call only read spilled requests back
    }
    bool progressed = false;
    while (node)
    {
        if (state_.StopRequested || state_.SkipEntryTarget)
            break;
        TRetrievalList::Node* next = NextOf(lock_, node);
        RetrievalRequest& request = *node->Request;
        if (!Claim(state_, request))
        {
            node = next;
            continue;
        }
        RequestState now = StateOf(request);
        // A request whose brief was closed meanwhile (a retry queued while
        // the brief finished) is only freed.
        BriefRun* run = roster_.Of(request.Brief);
        bool orphan = request.Brief && !run;
        if (orphan || now == RequestState::Complete || now == RequestState::Handled)
        {
            if (handleComplete)
                progressed |= HandleComplete(node);
            else
                Release(state_, request);
        }
        else
        {
            if (now == RequestState::Waiting && !BelongsToSkippedEntry(run, request))
            {
                if (handleComplete && fruitless_ >= FruitlessAttemptLimit)
                {
                    fruitless_ = 0;
                    request.Deferred = 1;
                }
                if (StartRequest(run, request, handleComplete))
                {
                    // The claim went with the start to the main thread.
                    progressed = true;
                    if (!handleComplete && connectionsTaken())
                        break;
                    node = next;
                    continue;
                }
                if (handleComplete)
                    ++fruitless_;
            }
            Release(state_, request);
        }
        node = next;
    }
    return progressed;
}

void ScanLoop::StartWaitingAtHead()
{
    if (state_.ActiveCount >= settings_.NumSocks)
        return;
    TRetrievalList::Node* node = nullptr;
    {
        std::lock_guard guard(lock_);
        node = queue_.First();
    }
    // Requests under way or complete come first in the queue; the walk
    // stops at the first waiting one that does not start, so that it stays
    // short however long the queue is.
    while (node && !state_.StopRequested && !state_.SkipEntryTarget)
    {
        TRetrievalList::Node* next = NextOf(lock_, node);
        RetrievalRequest& request = *node->Request;
        if (Claim(state_, request))
        {
            BriefRun* run = roster_.Of(request.Brief);
            const bool waiting = (!request.Brief || run) && StateOf(request) == RequestState::Waiting;
            if (waiting && !BelongsToSkippedEntry(run, request) && StartRequest(run, request, false))
            {
                if (state_.ActiveCount >= settings_.NumSocks)
                    return;
            }
            else
            {
                Release(state_, request);
                if (waiting)
                    return;
            }
        }
        node = next;
    }
}

bool ScanLoop::StartRequest(BriefRun* run, RetrievalRequest& request, bool attempt)
{
    if (state_.ActiveCount >= settings_.NumSocks || !request.NotStarted || request.Uncounted)
        return false;
    bool sameSiteOpen = false;
    for (RetrievalRequest* other : state_.ActiveRequests)
    {
        // A transfer that has ended holds no connection, even before its
        // page is handled.
        if (!other || other == &request || other->Processed || other->LoadAsFile || !other->InProgress)
            continue;
        if (SameSite(request.URL, other->URL))
        {
            // Outside an attempt, a site with a connection is passed over
            // without counting as one of its held-back attempts.
            if (!attempt)
                return false;
            request.Deferred ^= 1;
            sameSiteOpen = true;
            break;
        }
    }
    if ((sameSiteOpen && request.Deferred) || BelongsToSkippedEntry(run, request))
        return false;
    if (EntryProgress* progress = run ? run->Progress.Of(request.Entry) : nullptr; progress && !progress->Started)
    {
        progress->Started = true;
        observer_.EntryStarted(*run->Brief, *request.Entry);
    }
    request.Deferred = 0;
    request.NotStarted = 0;
    request.StartTime = std::chrono::steady_clock::now();
    // Cleaned here, before other starts read it among the active requests,
    // so that the fetch finds nothing to change.
    request.URL = RemoveLineBreaks(request.URL);
    int pending = 0;
    {
        std::lock_guard guard(lock_);
        state_.AddActive(&request);
        if (run)
            pending = run->Progress.Outstanding;
    }
    if (run)
        observer_.RequestStarted(*run->Brief, request.URL, pending);
    // The transfer begins on the main thread without this thread waiting for
    // it. The claim goes with it and is released there once the transfer is
    // under way; the worker's own claims on this request come later, from
    // its event loop.
    PostToThreadOf(mainThread_, [this, &request] { BeginTransfer(request); });
    return true;
}

// Main thread: the request is claimed by the start that posted this.
void ScanLoop::BeginTransfer(RetrievalRequest& request)
{
    fetch_.Fetch(request);
    if (request.StartFailed)
    {
        request.InProgress = 0;
        request.BodyReady = 1;
    }
    // A request that ended at once (a page stored in its place) is handled
    // by the next pass.
    const bool ended = !request.InProgress || request.BodyReady;
    Release(state_, request);
    if (ended)
        Poke();
}

// Handles one complete request (claimed); frees it and removes its node.
bool ScanLoop::HandleComplete(TRetrievalList::Node* node)
{
    RetrievalRequest& request = *node->Request;
    // A transfer whose end was told holds nothing left to cancel.
    if (!request.WorkerDone.load(std::memory_order_acquire))
        CallOnThreadOf(mainThread_, [&] { worker_.Cancel(request); });
    BriefRun* run = roster_.Of(request.Brief);
    bool replaced = request.RetryScheduled || request.TimedOut;
    EntryProgress* progress = run ? run->Progress.Of(request.Entry) : nullptr;
    if (progress && request.PageInaccessible)
        progress->Inaccessible = true;
    int pending = 0;
    if (!request.Uncounted)
    {
        std::lock_guard guard(lock_);
        if (run)
        {
            CountOutstanding(run->Progress, request, -1);
            pending = run->Progress.Outstanding;
        }
        state_.RemoveActive(&request);
    }
    if (run && !request.Uncounted && !request.NotStarted)
    {
        // A failed fetch holds the explanatory page made for it, not bytes that arrived.
        const std::uint64_t received = request.PageInaccessible          ? 0
                                       : request.TempFile.Path().empty() ? request.Data.Size()
                                                                         : request.TempFile.Size();
        observer_.RequestFinished(*run->Brief, received, pending);
    }
    if (run && !replaced && !request.Processed && !request.Uncounted)
    {
        request.Processed = 1;
        // The connection this request held is free again: it fetches the
        // next page while this one is scanned and stored.
        StartWaitingAtHead();
        run->StoringInaccessible = request.PageInaccessible;
        try
        {
            ProcessBody(*run, request);
        }
        catch (const std::exception& error)
        {
            run->StoringInaccessible = false;
            if (IsStoreFailure(error))
            {
                Release(state_, request);
                throw;
            }
        }
        run->StoringInaccessible = false;
        if (request.PageInaccessible && request.IsEntryPage && request.Entry && !request.UnfilteredCopy)
            observer_.EntryPageNotRetrieved(*run->Brief, *request.Entry, request.URL);
    }
    request.Processed = 1;
    request.InProgress = 0;
    if (progress && !request.Uncounted)
    {
        bool entryDone = false;
        EntryOutcome outcome;
        {
            std::lock_guard guard(lock_);
            entryDone = progress->Outstanding <= 0;
            outcome = progress->Outcome();
            if (entryDone)
                progress->Skipped = false;
        }
        if (entryDone && !replaced)
            observer_.EntryFinished(*run->Brief, *request.Entry, outcome);
    }
    std::lock_guard guard(lock_);
    queue_.Remove(node);
    return true;
}

void ScanLoop::ProcessBody(BriefRun& run, RetrievalRequest& request)
{
    if (!request.TempFile.Path().empty())
        return StoreFile(run, request);
    if (request.Data.Size() == 0)
        return;
    PageContext context = ContextFor(run);
    if (request.IsEntryPage)
        ProcessEntryPage(context, request);
    else
        ProcessPage(context, request);
}

// A body received straight into a temporary file: stored as a file unless
// the brief has reached a limit.
void ScanLoop::StoreFile(BriefRun& run, RetrievalRequest& request)
{
    state_.ImagesLoaded += 1;
    state_.BytesLoaded += static_cast<std::uint32_t>(request.TempFile.Size());
    observer_.SetProgressLabel(ProgressLabel::Images, std::to_string(state_.ImagesLoaded.load()));
    observer_.SetProgressLabel(ProgressLabel::SizeKB, std::to_string(state_.BytesLoaded.load() / 1024));
    observer_.CountsChanged({state_.PagesLoaded.load(), state_.ImagesLoaded.load(), state_.BytesLoaded.load()});
    request.TempFile.Close();
    if (LimitsReached(run))
    {
        request.TempFile.Discard();
        RecordSkipped(*run.IndexDB, request);
        return StopForLimits(run);
    }
    const std::string caption = request.Entry ? request.Entry->EntryName : request.URL;
    std::string url = StoreForm(request.URL.substr(0, request.URL.find('#')));
    run.IndexDB->AddFromFile(url, request.ContentType, &request.Redirects, request.TempFile.Path(), caption,
                             static_cast<std::int16_t>(request.LinkNumber));
    request.TempFile.Discard();
}

bool ScanLoop::LimitsReached(const BriefRun& run)
{
    if (flags_.FailureStop)
        return false;
    if (diskReserve_.Reached(run.ArchivePath, run.IndexDB->WritePosition(), settings_.DiskBuffer))
        return true;
    return BriefLimitsExceeded(*run.Brief, run.StartTime, std::chrono::system_clock::now(), run.IndexDB->WritePosition());
}

void ScanLoop::StopForLimits(BriefRun& run)
{
    if (state_.StopRequested)
        return;
    run.StoppedForLimits = true;
    state_.StopTarget = run.Brief;
    state_.StopByUser = false;
    state_.StopRequested = true;
}

PageContext ScanLoop::ContextFor(BriefRun& run)
{
    return PageContext{state_,
                       settings_,
                       queue_,
                       observer_,
                       buffers_,
                       run,
                       [this, &run] { return LimitsReached(run); },
                       [this, &run] { StopForLimits(run); },
                       [this](RetrievalRequest& request, std::chrono::seconds limit) { return FetchNow(request, limit); }};
}

// Fetches one uncounted request outside the queue and waits for it.
bool ScanLoop::FetchNow(RetrievalRequest& request, std::chrono::seconds limit)
{
    request.Uncounted = 1;
    request.Retries = settings_.Retries; // no retry copies: the caller falls back by itself
    request.NotStarted = 0;
    request.InProgress = 1;
    request.TimeOut = static_cast<std::int32_t>(limit.count());
    request.StartTime = std::chrono::steady_clock::now();
    CallOnThreadOf(mainThread_, [&] { fetch_.Fetch(request); });
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;)
    {
        {
            RequestClaim claim(state_, request);
            if (claim.Held() && !request.InProgress)
                break;
        }
        if (std::chrono::steady_clock::now() >= deadline || state_.StopRequested)
            break;
        std::unique_lock wait(wakeMutex_);
        wake_.wait_until(wait, deadline, [this] { return poked_; });
        poked_ = false;
    }
    CallOnThreadOf(mainThread_, [&] { worker_.Cancel(request); });
    RequestClaim claim(state_, request);
    return !request.InProgress && request.Success;
}

void ScanLoop::Poke()
{
    {
        std::lock_guard guard(wakeMutex_);
        poked_ = true;
    }
    wake_.notify_all();
}

// Sleeps until a transfer ends, a request is queued, or the user stops or
// skips something. The one-second bound only guards against a lost wake-up.
void ScanLoop::WaitForWork()
{
    std::unique_lock wait(wakeMutex_);
    wake_.wait_for(wait, std::chrono::seconds(1), [this] { return poked_; });
    poked_ = false;
}

} // namespace rv
