#include "client/engine/internal/run-driver.h"

#include "client/briefs/archive-catalogue.h"
#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "client/engine/internal/main-thread-call.h"
#include "client/engine/internal/page-fates.h"
#include "client/engine/internal/run-failure.h"
#include "store/archive-writer.h"
#include "store/link-cache.h"
#include "store/site-map.h"

#include <QEventLoop>
#include <filesystem>
#include <new>

namespace rv
{

void TKestrelThread::run()
{
    driver_.ThreadBody();
}

RunDriver::RunDriver(const RetrievalSettings& settings, RunObserver& observer)
    : nextSettings_(settings), settings_(settings), userObserver_(observer), observer_(observer, this),
      queue_(lock_, settings.ProgramFolder), worker_(state_, settings, *this), fetch_(state_, settings, worker_, queue_),
      roster_(lock_, state_), pages_(this, observer_), setup_(settings_, lock_, pages_), trimmer_(this, observer_),
      finisher_(this, observer_, state_, lock_, queue_, worker_, roster_, pages_, trimmer_),
      scan_(this, observer_, settings_, state_, lock_, queue_, worker_, fetch_, roster_, finisher_, buffers_, flags_, connect_)
{
    auto requeue = [this](std::unique_ptr<RetrievalRequest> request) { QueueCounted(std::move(request), true); };
    worker_.SetQueue(&queue_);
    worker_.SetRetryQueue(requeue);
    fetch_.SetRequeue(requeue);
    connect_ = [] { return true; };
}

RunDriver::~RunDriver()
{
    if (thread_)
    {
        // Every brief of the run is closed as it stands.
        flags_.StopAll = true;
        QObject::disconnect(thread_.get(), nullptr, this, nullptr);
        // The thread's calls into this thread are answered by an event loop
        // that runs until the thread has finished.
        QEventLoop loop;
        QObject::connect(thread_.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        scan_.Poke();
        if (!thread_->isFinished())
            loop.exec();
        thread_->wait();
        observer_.Flush();
    }
}

bool RunDriver::RunActive() const
{
    return thread_ != nullptr;
}

void RunDriver::StartBrief(TBrief& brief, const std::string& targetName, bool scheduled)
{
    PendingStart start{&brief, targetName, scheduled};
    if (!thread_)
        return BeginRun(start);
    {
        std::lock_guard guard(lock_);
        if (!state_.RunBusy || flags_.Closing)
        {
            waitingStarts_.push_back(start);
            return;
        }
        ++flags_.Joining;
    }
    bool joined = JoinBrief(brief, targetName, scheduled);
    {
        std::lock_guard guard(lock_);
        --flags_.Joining;
    }
    if (!joined)
        userObserver_.ErrorMessage(DiskErrorCaption, DiskErrorText);
    scan_.Poke();
}

void RunDriver::StopBrief(TBrief& brief)
{
    state_.StopTarget = &brief;
    state_.StopByUser = true;
    state_.StopRequested = true;
    scan_.Poke();
}

void RunDriver::SkipEntry(TBrief& brief, TWebPage& entry)
{
    bool otherPending = false;
    {
        std::lock_guard guard(lock_);
        BriefRun* run = roster_.Of(&brief);
        EntryProgress* skipped = run ? run->Progress.Of(&entry) : nullptr;
        for (int i = 0; run && i < brief.Entries.Count(); ++i)
        {
            const EntryProgress* other = run->Progress.Of(&brief.Entries[i]);
            if (other && other != skipped && other->Outstanding > 0 && !other->Skipped)
                otherPending = true;
        }
        if (otherPending && skipped)
            skipped->Skipped = true;
    }
    if (!otherPending)
        return StopBrief(brief);
    state_.SkipEntryTarget = &entry;
    scan_.Poke();
}

void RunDriver::BeginRun(const PendingStart& start)
{
    state_.Reset();
    settings_ = nextSettings_;
    worker_.SetSettings(settings_);
    fetch_.SetSettings(settings_);
    state_.RunBusy = true;
    flags_.Closing = false;
    flags_.FailureStop = false;
    flags_.StopAll = false;
    failure_ = Failure::None;
    scan_.Reset();
    roster_.Clear();
    first_ = start;
    if (!JoinBrief(*start.Brief, start.TargetName, start.Scheduled))
    {
        state_.RunBusy = false;
        userObserver_.ErrorMessage(DiskErrorCaption, DiskErrorText);
        if (runEnded_)
            runEnded_();
        return;
    }
    thread_ = std::make_unique<TKestrelThread>(*this);
    QObject::connect(
        thread_.get(), &QThread::finished, this, [this] { OnThreadFinished(); }, Qt::QueuedConnection);
    thread_->start(QThread::LowestPriority);
}

void RunDriver::OnThreadFinished()
{
    if (!thread_ || !thread_->isFinished())
        return;
    thread_.reset();
    if (!waitingStarts_.empty())
    {
        std::vector<PendingStart> starts = std::move(waitingStarts_);
        waitingStarts_.clear();
        for (const PendingStart& start : starts)
            StartBrief(*start.Brief, start.TargetName, start.Scheduled);
        return;
    }
    if (runEnded_)
        runEnded_();
}

void RunDriver::ThreadBody()
{
    buffers_.Scratch.reserve(100);
    buffers_.First.reserve(5000);
    buffers_.Second.reserve(5000);
    if (!connect_())
        return RollBack(BriefStatus::ConnectionFailure);
    BriefRun* firstRun = roster_.InOrder().front();
    observer_.SetProgressLabel(ProgressLabel::BriefName, firstRun->Brief->BriefName);
    observer_.SetProgressLabel(ProgressLabel::Pages, "0");
    observer_.SetProgressLabel(ProgressLabel::Images, "0");
    observer_.SetProgressLabel(ProgressLabel::SizeKB, "0");
    observer_.ShowProgressWindow(true);
    observer_.RefreshBrief(*firstRun->Brief);
    try
    {
        scan_.Run();
    }
    catch (const std::bad_alloc&)
    {
        failure_ = Failure::Memory;
    }
    catch (const std::exception& error)
    {
        failure_ = IsStoreFailure(error) ? Failure::Disk : Failure::Memory;
    }
    if (failure_ != Failure::None)
        FinishAllBriefs();
    CloseRun();
}

// Joins a brief to the run (main thread): its archive, summary page and
// first requests, the stamp, the run's catalogue and its status line.
bool RunDriver::JoinBrief(TBrief& brief, const std::string& targetName, bool scheduled)
{
    std::vector<std::unique_ptr<RetrievalRequest>> firstRequests;
    bool diskFull = false;
    std::unique_ptr<BriefRun> run;
    try
    {
        run = setup_.SetUp(brief, targetName, scheduled, firstRequests, diskFull);
    }
    catch (const std::exception&)
    {
        diskFull = true;
    }
    if (!run || diskFull)
        return false;
    ReportPageFates(*run, observer_);
    brief.Retrieving = true;
    brief.RunCaption = run->Stamp;
    brief.RunStartTime = run->StartTime;
    brief.ArchiveFiles.push_back(run->SummaryName);
    brief.ArchiveCaptions.push_back(run->Stamp);
    // The ".ca~" tells the next load that a run was under way; without it an
    // interrupted run's archive is not listed, so the user hears of it now.
    if (!run->TemporaryPageBrief && !brief.FilePath.empty() &&
        !SaveCatalogue(brief, CataloguePath(brief.FilePath, true), false))
        userObserver_.ErrorMessage(BriefSavingError.Caption, BriefSavingError.Text);
    userObserver_.AddStatusLine(brief, run->Stamp, BriefStatus::Loading);
    userObserver_.AddBriefToProgress(brief);
    std::lock_guard guard(lock_);
    roster_.Add(std::move(run));
    for (auto& request : firstRequests)
        QueueCounted(std::move(request), false);
    return true;
}

// The connection could not be made: every brief of the run is rolled back,
// its new archive deleted and its kept retrievals as before.
void RunDriver::RollBack(BriefStatus status)
{
    for (BriefRun* run : roster_.InOrder())
    {
        TBrief& brief = *run->Brief;
        observer_.UpdateStatusLine(brief, status, "");
        std::filesystem::path archive = run->ArchivePath;
        finisher_.FinishBrief(*run, false, BriefFinisher::NewArchive::Discarded);
        bool saved = true;
        CallOnThreadOf(this,
                       [&]
                       {
                           if (closeArchive_)
                               closeArchive_(archive);
                           std::error_code ignored;
                           std::filesystem::remove(archive, ignored);
                           if (!brief.ArchiveFiles.empty())
                               DropArchive(brief, brief.ArchiveFiles.size() - 1);
                           if (!brief.FilePath.empty())
                               saved = SaveBriefAfterRun(brief, false) == SaveStatus::Saved;
                       });
        if (!saved)
            observer_.ErrorMessage(BriefSavingError.Caption, BriefSavingError.Text);
    }
    CloseRun();
}

// Ends the run: what is left in the queue goes, the buffers are freed, and
// an error that ended it is shown.
void RunDriver::CloseRun()
{
    flags_.Closing = true;
    observer_.ShowProgressWindow(false);
    finisher_.StopTimer();
    CallOnThreadOf(this,
                   [&]
                   {
                       for (RetrievalRequest* request : state_.ActiveRequests)
                           if (request)
                               worker_.Cancel(*request);
                   });
    {
        std::lock_guard guard(lock_);
        queue_.Clear();
        state_.ActiveRequests.clear();
        state_.ActiveCount = 0;
    }
    if (failure_ == Failure::Disk)
        observer_.ErrorMessage(DiskErrorCaption, DiskErrorText);
    else if (failure_ == Failure::Memory)
        observer_.ErrorMessage(MemoryErrorCaption, MemoryErrorText);
    else if (!first_.Scheduled)
        observer_.Beep();
    buffers_ = RunBuffers{};
    CallOnThreadOf(this, [&] { worker_.SetTimerEnabled(true); });
    std::lock_guard guard(lock_);
    state_.RunBusy = false;
}

// After a store failure: every brief still in the run is closed as far as
// its files allow, in joining order.
void RunDriver::FinishAllBriefs()
{
    flags_.FailureStop = true;
    for (BriefRun* run : roster_.InOrder())
    {
        try
        {
            finisher_.FinishBrief(*run, false);
        }
        catch (const std::exception&)
        {
            CallOnThreadOf(this, [&] { run->Brief->Retrieving = false; });
            roster_.Remove(*run);
        }
    }
}

void RunDriver::QueueCounted(std::unique_ptr<RetrievalRequest> request, bool force)
{
    {
        std::lock_guard guard(lock_);
        if (BriefRun* run = roster_.Of(request->Brief); run && !request->Uncounted)
            CountOutstanding(run->Progress, *request, 1);
        queue_.Add(std::move(request), force);
    }
    scan_.Poke();
}

void RunDriver::TransferEnded(RetrievalRequest&)
{
    scan_.Poke();
}

} // namespace rv
