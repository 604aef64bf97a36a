// BriefFinisher: closes a brief of the run (done, stopped by the user, over
// a limit, or rolled back) and drops a skipped entry's requests. Closing a
// brief walks the stop dialog's steps: its open and waiting requests go and
// are recorded as skipped, its site maps and finished summary page are
// written, its archive is closed, its file saved and its kept retrievals
// trimmed; the status line then says how the run ended.
//
// Threads: called on the retrieval thread; what belongs to the main thread
// (the brief, the socket worker) is changed there through blocking calls.
#pragma once

#include "client/pages/retrieval-list.h"
#include "client/pages/run-state.h"
#include "store/run-lock.h"

class QObject;

namespace rv
{

class ArchiveTrimmer;
class BriefPageWriter;
class RunObserver;
class RunRoster;
class TAsyncThread;
class TKSDB;
struct BriefRun;
struct TBrief;
struct TWebPage;

class BriefFinisher
{
public:
    // A run that keeps its new archive trims the oldest kept ones over the
    // brief's limit; a rolled-back run deletes its own and trims nothing.
    enum class NewArchive
    {
        Kept,
        Discarded,
    };

    // Everything given outlives the finisher; mainThread lives on the main
    // thread and the observer relays to it.
    BriefFinisher(QObject* mainThread, RunObserver& observer, RunState& state, RunLock& lock, TRetrievalList& queue,
                  TAsyncThread& worker, RunRoster& roster, BriefPageWriter& pages, ArchiveTrimmer& trimmer);

    // Closes the brief and takes it out of the roster. With notify, its
    // status line says "Available" (or "Disk Error" when its file could not
    // be saved).
    void FinishBrief(BriefRun& run, bool notify, NewArchive fate = NewArchive::Kept);
    // Every open request of a skipped entry goes, recorded as skipped.
    void FinishSkippedEntry(TWebPage& entry);
    // Keeps the socket worker's one-second check from walking the requests
    // while they are dropped.
    void StopTimer();

private:
    void DropRequests(const TBrief* brief, const TWebPage* entry, TKSDB* archive);
    void ReportSaveFailure(const TBrief& brief, bool updateLine);

    QObject* mainThread_;
    RunObserver& observer_;
    RunState& state_;
    RunLock& lock_;
    TRetrievalList& queue_;
    TAsyncThread& worker_;
    RunRoster& roster_;
    BriefPageWriter& pages_;
    ArchiveTrimmer& trimmer_;
};

} // namespace rv
