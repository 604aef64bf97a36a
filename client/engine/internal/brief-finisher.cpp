#include "client/engine/internal/brief-finisher.h"

#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "client/briefs/user-message.h"
#include "client/engine/internal/archive-trimmer.h"
#include "client/engine/internal/brief-page-writer.h"
#include "client/engine/internal/main-thread-call.h"
#include "client/engine/internal/run-roster.h"
#include "client/engine/internal/transfer-worker.h"
#include "client/pages/link-resolver.h"
#include "client/pages/page-processing.h"
#include "client/pages/summary-page.h"
#include "store/archive-writer.h"
#include "store/link-cache.h"
#include "store/site-map.h"

namespace rv
{

namespace
{

std::string SummaryFilePath(const BriefRun& run)
{
    return run.ArchivePath.string();
}

} // namespace

BriefFinisher::BriefFinisher(QObject* mainThread, RunObserver& observer, RunState& state, RunLock& lock, TRetrievalList& queue,
                             TAsyncThread& worker, RunRoster& roster, BriefPageWriter& pages, ArchiveTrimmer& trimmer)
    : mainThread_(mainThread), observer_(observer), state_(state), lock_(lock), queue_(queue), worker_(worker), roster_(roster),
      pages_(pages), trimmer_(trimmer)
{
}

void BriefFinisher::FinishBrief(BriefRun& run, bool notify, NewArchive fate)
{
    TBrief& brief = *run.Brief;
    bool byUser = state_.StopByUser && state_.StopTarget.load() == &brief;
    if (byUser)
        observer_.StopDialogStep(StopStep::StoppingCurrentRetrievals, 0);
    StopTimer();
    observer_.StopDialogStep(StopStep::ClearingPendingRetrievals, 0);
    DropRequests(&brief, nullptr, run.IndexDB.get());
    // No request of the brief is left to ask the link cache, and its
    // resident part goes before the site maps take their memory.
    run.Cache.reset();
    observer_.StopDialogStep(StopStep::BuildingSiteMaps, 0);
    pages_.BuildSiteMaps(run);
    observer_.StopDialogStep(StopStep::ReleasingMemory, 0);
    pages_.WriteSummary(run, true);
    run.IndexDB->Close();
    run.SiteMap->Destroy();
    observer_.RemoveBriefFromProgress(brief);
    const std::string summaryFile = SummaryFilePath(run);
    bool saved = true;
    CallOnThreadOf(mainThread_,
                   [&]
                   {
                       if (!run.TemporaryPageBrief && !brief.FilePath.empty())
                           saved = SaveBriefAfterRun(brief, false) == SaveStatus::Saved;
                   });
    if (!saved)
        ReportSaveFailure(brief, notify);
    else if (notify && !run.TemporaryPageBrief)
    {
        observer_.UpdateStatusLine(brief, BriefStatus::Available, summaryFile);
        const std::string detail = IncompletePagesText(run.CutPages, run.UndecodedPages);
        if (!detail.empty())
            observer_.UpdateStatusDetail(brief, detail);
        observer_.AvailableBriefsNotice({brief.BriefName});
    }
    observer_.EnableControls(true);
    observer_.CloseStopDialog();
    if (fate == NewArchive::Kept && saved && !trimmer_.Trim(run))
        ReportSaveFailure(brief, true);
    CallOnThreadOf(mainThread_,
                   [&]
                   {
                       brief.Retrieving = false;
                       worker_.SetTimerEnabled(true);
                   });
    observer_.RefreshBrief(brief);
    roster_.Remove(run);
}

// Every open request of the entry goes, recorded as skipped.
void BriefFinisher::FinishSkippedEntry(TWebPage& entry)
{
    StopTimer();
    TBrief* brief = nullptr;
    for (BriefRun* run : roster_.InOrder())
        for (int i = 0; i < run->Brief->Entries.Count(); ++i)
            if (&run->Brief->Entries[i] == &entry)
                brief = run->Brief;
    BriefRun* run = roster_.Of(brief);
    DropRequests(nullptr, &entry, run ? run->IndexDB.get() : nullptr);
    EntryOutcome outcome;
    {
        std::lock_guard guard(lock_);
        if (EntryProgress* progress = run ? run->Progress.Of(&entry) : nullptr)
        {
            outcome = progress->Outcome();
            outcome.Skipped = true;
            run->Progress.Outstanding -= progress->Outstanding.exchange(0);
            progress->Skipped = false;
        }
    }
    if (brief)
        observer_.EntryFinished(*brief, entry, outcome);
    observer_.EnableControls(true);
    CallOnThreadOf(mainThread_, [&] { worker_.SetTimerEnabled(true); });
}

// Drops every request of the brief (or of the entry) that is not handled
// yet: spilled ones from the overflow file, open ones after their transfer
// is stopped, waiting ones at once; each is recorded in the archive as
// skipped.
void BriefFinisher::DropRequests(const TBrief* brief, const TWebPage* entry, TKSDB* archive)
{
    BriefRun* run = brief ? roster_.Of(brief) : nullptr;
    auto matches = [&](const RetrievalRequest& request) { return brief ? request.Brief == brief : request.Entry == entry; };
    std::vector<TRetrievalList::Node*> nodes;
    {
        std::lock_guard guard(lock_);
        if (brief)
            queue_.DropBrief(brief, archive);
        else
            queue_.DropEntry(entry, archive);
        for (auto* node = queue_.First(); node; node = node->Next)
            if (matches(*node->Request))
                nodes.push_back(node);
    }
    CallOnThreadOf(mainThread_,
                   [&]
                   {
                       for (auto* node : nodes)
                           worker_.Cancel(*node->Request);
                   });
    std::lock_guard guard(lock_);
    for (auto* node : nodes)
    {
        RetrievalRequest& request = *node->Request;
        bool pending = !request.Processed && !request.RetryScheduled && !request.TimedOut;
        state_.RemoveActive(&request);
        if (pending && !request.Uncounted && run)
            CountOutstanding(run->Progress, request, -1);
        if (pending && archive)
            RecordSkipped(*archive, request);
        queue_.Remove(node);
    }
}

// Keeps the socket worker's one-second check from walking the requests
// while they are dropped. The check runs on the main thread, so once the
// main thread has turned it off no check is under way and none starts.
void BriefFinisher::StopTimer()
{
    CallOnThreadOf(mainThread_, [&] { worker_.SetTimerEnabled(false); });
}

// The brief's file could not be written after its run: the user is told, and
// a line that would have said "Available" says "Disk Error".
void BriefFinisher::ReportSaveFailure(const TBrief& brief, bool updateLine)
{
    observer_.ErrorMessage(BriefSavingError.Caption, BriefSavingError.Text);
    if (updateLine)
        observer_.UpdateStatusLine(brief, BriefStatus::DiskError, "");
}

} // namespace rv
