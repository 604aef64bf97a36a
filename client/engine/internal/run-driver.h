// RunDriver: runs briefs. The first brief started begins a run on the
// retrieval thread (TKestrelThread); every brief started while the run is
// under way joins it. The thread connects, runs the scan loop (scan-loop.h)
// until no brief is left, and closes the run. The parts: BriefSetup makes a
// joining brief's BriefRun, RunRoster holds the briefs of the run,
// BriefFinisher closes them, BriefPageWriter and ArchiveTrimmer serve both.
//
// Threads: construct, start, stop and skip on the main thread, which must
// run a Qt event loop while a run is under way (the transfer worker's sockets
// and the observer's calls live there). The retrieval thread blocks on a
// wait condition when it has nothing to do; it never spins.
//
// Ownership: the caller owns the briefs and keeps them alive and unchanged
// in shape (no entries added or removed) until the run has ended; the
// driver writes the run's results into them (archives, captions, summary
// fragments) on the main thread and saves their files. What the run learns
// on the way (counts, skipped entries, differences, matches, inaccessible
// pages) stays in its own records (BriefRun::Progress) and reaches the main
// thread only as values through the observer.
#pragma once

#include "client/engine/internal/archive-trimmer.h"
#include "client/engine/internal/brief-finisher.h"
#include "client/engine/internal/brief-page-writer.h"
#include "client/engine/internal/brief-setup.h"
#include "client/engine/internal/fetch.h"
#include "client/engine/internal/run-observer-relay.h"
#include "client/engine/internal/run-roster.h"
#include "client/engine/internal/scan-loop.h"
#include "client/engine/internal/transfer-worker.h"
#include "client/pages/entry-target.h"
#include "client/pages/page-context.h"
#include "client/pages/retrieval-list.h"
#include "client/pages/run-state.h"

#include <QObject>
#include <QThread>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rv
{

class RunDriver;

// The retrieval thread: runs one run and ends.
class TKestrelThread : public QThread
{
public:
    explicit TKestrelThread(RunDriver& driver) : driver_(driver) {}

protected:
    void run() override;

private:
    RunDriver& driver_;
};

// The texts of the error messages a run can end with.
inline constexpr const char* DiskErrorCaption = "Disk Error";
inline constexpr const char* DiskErrorText =
    "Ravelin Pro was unable to complete the retrieval. Brief storage limit settings appear to have been exceeded.";
inline constexpr const char* MemoryErrorCaption = "Memory Error";
inline constexpr const char* MemoryErrorText = "Ravelin Pro was unable to complete the retrieval. Your computer is out of "
                                               "available memory. Please shut down some programs and try again.";

class RunDriver : public QObject, private TransferObserver
{
public:
    using TargetsOf = BriefSetup::TargetsOf;
    using ConnectStep = std::function<bool()>;
    using ArchiveCloser = ArchiveTrimmer::ArchiveCloser;

    // The driver keeps a copy of the settings; the caller's object may change
    // or go at any time.
    RunDriver(const RetrievalSettings& settings, RunObserver& observer);
    ~RunDriver() override;
    RunDriver(const RunDriver&) = delete;
    RunDriver& operator=(const RunDriver&) = delete;

    // The addresses an entry starts from; by default a web entry's URL.
    void SetTargetsOf(TargetsOf targets) { setup_.SetTargetsOf(std::move(targets)); }
    // Makes the network usable (dial-up); by default it always succeeds.
    void SetConnect(ConnectStep connect) { connect_ = std::move(connect); }
    // Tells the page server to close an archive before it is deleted or
    // replaced: by trimming, by a run rolled back, by a target name.
    void SetArchiveCloser(ArchiveCloser closer)
    {
        trimmer_.SetCloser(closer);
        setup_.SetCloser(closer);
        closeArchive_ = std::move(closer);
    }
    // Called on the main thread when a run has ended.
    void SetRunEnded(std::function<void()> ended) { runEnded_ = std::move(ended); }

    // Starts a brief: begins a run, or joins the one under way. targetName
    // names the archive to write instead of a new one (empty: a new one).
    void StartBrief(TBrief& brief, const std::string& targetName = {}, bool scheduled = false);
    // Stop Brief, confirmed by the user, for the brief chosen in the
    // progress window.
    void StopBrief(TBrief& brief);
    // Skip Entry, confirmed: the entry's open requests are dropped; when it
    // was the brief's last pending entry, the brief is stopped.
    void SkipEntry(TBrief& brief, TWebPage& entry);

    bool RunActive() const;
    RunState& State() { return state_; }
    // The settings the next run starts with (main thread). A run under way
    // keeps those it started with.
    const RetrievalSettings& Settings() const { return nextSettings_; }
    void SetSettings(const RetrievalSettings& settings) { nextSettings_ = settings; }

private:
    friend class TKestrelThread;
    struct PendingStart
    {
        TBrief* Brief;
        std::string TargetName;
        bool Scheduled;
    };
    enum class Failure
    {
        None,
        Disk,
        Memory
    };

    // TransferObserver (main thread).
    void TransferEnded(RetrievalRequest& request) override;
    void StatusText(std::string_view text) override { userObserver_.TransferStatus(text); }

    // Starting and joining (run-driver.cpp).
    void BeginRun(const PendingStart& start);
    void ThreadBody();
    void OnThreadFinished();
    [[nodiscard]] bool JoinBrief(TBrief& brief, const std::string& targetName, bool scheduled);
    void RollBack(BriefStatus status);
    void CloseRun();

    // After a store failure: every brief still in the run is closed as far
    // as its files allow.
    void FinishAllBriefs();

    // Shared by the files above.
    void QueueCounted(std::unique_ptr<RetrievalRequest> request, bool force);

    RetrievalSettings nextSettings_; // main thread
    RetrievalSettings settings_;     // the run's copy, set as it begins
    RunObserver& userObserver_;
    RunObserverRelay observer_;
    RunLock lock_;
    RunState state_;
    TRetrievalList queue_;
    TAsyncThread worker_;
    TFetch fetch_;
    RunRoster roster_;
    BriefPageWriter pages_;
    BriefSetup setup_;
    ArchiveTrimmer trimmer_;
    ArchiveCloser closeArchive_;
    BriefFinisher finisher_;
    ConnectStep connect_;
    RunBuffers buffers_; // the run's text buffers
    RunFlags flags_;
    ScanLoop scan_;
    std::function<void()> runEnded_;
    std::unique_ptr<TKestrelThread> thread_;

    // The run under way.
    PendingStart first_{};
    std::vector<PendingStart> waitingStarts_; // started during the closing phase
    Failure failure_ = Failure::None;
};

} // namespace rv
