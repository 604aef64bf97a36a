#include "client/engine/internal/run-observer-relay.h"

#include "client/engine/internal/main-thread-call.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <QTimer>
#include <string>
#include <utility>

namespace rv
{

void RunObserverRelay::Queue(std::function<void()> report)
{
    if (QThread::currentThread() == context_->thread())
    {
        Flush();
        report();
        return;
    }
    bool post = false;
    {
        std::lock_guard guard(mutex_);
        queued_.push_back(std::move(report));
        post = !std::exchange(flushPosted_, true);
    }
    // Posted to the relay's context: a context destroyed first takes the
    // posted flush with it, and the queue goes with the relay.
    if (post)
        QMetaObject::invokeMethod(
            context_, [this] { OnFlushPosted(); }, Qt::QueuedConnection);
}

void RunObserverRelay::OnFlushPosted()
{
    if (!timing_)
    {
        timing_ = true;
        QTimer::singleShot(ReportInterval, context_, [this] { OnInterval(); });
    }
    Flush();
}

// While the timer runs, reports do not post: whatever came since the last
// flush goes now. The timer stops at the first interval without reports,
// decided under the lock, so that the next report posts again.
void RunObserverRelay::OnInterval()
{
    {
        std::lock_guard guard(mutex_);
        if (queued_.empty())
        {
            timing_ = false;
            flushPosted_ = false;
            return;
        }
    }
    Flush();
    QTimer::singleShot(ReportInterval, context_, [this] { OnInterval(); });
}

void RunObserverRelay::CallAfterQueued(const std::function<void()>& call)
{
    CallOnThreadOf(context_,
                   [&]
                   {
                       Flush();
                       call();
                   });
}

void RunObserverRelay::Flush()
{
    std::vector<std::function<void()>> batch;
    for (;;)
    {
        {
            std::lock_guard guard(mutex_);
            if (queued_.empty())
            {
                flushPosted_ = timing_;
                return;
            }
            batch.swap(queued_);
        }
        for (auto& report : batch)
            report();
        batch.clear();
    }
}

void RunObserverRelay::AddStatusLine(const TBrief& brief, std::string_view startTime, BriefStatus status)
{
    CallAfterQueued([&, time = std::string(startTime), status] { target_.AddStatusLine(brief, time, status); });
}

void RunObserverRelay::UpdateStatusLine(const TBrief& brief, BriefStatus status, std::string_view summaryFile)
{
    CallAfterQueued([&, status, file = std::string(summaryFile)] { target_.UpdateStatusLine(brief, status, file); });
}

void RunObserverRelay::UpdateStatusDetail(const TBrief& brief, std::string_view detail)
{
    CallAfterQueued([&, text = std::string(detail)] { target_.UpdateStatusDetail(brief, text); });
}

void RunObserverRelay::RemoveStatusLine(std::string_view summaryFile)
{
    CallAfterQueued([&, file = std::string(summaryFile)] { target_.RemoveStatusLine(file); });
}

void RunObserverRelay::SetProgressLabel(ProgressLabel label, std::string_view text)
{
    Queue([&target = target_, label, value = std::string(text)] { target.SetProgressLabel(label, value); });
}

void RunObserverRelay::ShowProgressWindow(bool shown)
{
    CallAfterQueued([&, shown] { target_.ShowProgressWindow(shown); });
}

void RunObserverRelay::AddBriefToProgress(const TBrief& brief)
{
    CallAfterQueued([&] { target_.AddBriefToProgress(brief); });
}

void RunObserverRelay::RemoveBriefFromProgress(const TBrief& brief)
{
    CallAfterQueued([&] { target_.RemoveBriefFromProgress(brief); });
}

void RunObserverRelay::EntryStarted(const TBrief& brief, const TWebPage& entry)
{
    CallAfterQueued([&] { target_.EntryStarted(brief, entry); });
}

void RunObserverRelay::EntryFinished(const TBrief& brief, const TWebPage& entry, const EntryOutcome& outcome)
{
    CallAfterQueued([&, outcome] { target_.EntryFinished(brief, entry, outcome); });
}

void RunObserverRelay::CountsChanged(const RunCounts& counts)
{
    Queue([&target = target_, counts] { target.CountsChanged(counts); });
}

void RunObserverRelay::RequestStarted(const TBrief& brief, std::string_view address, int pending)
{
    Queue([&target = target_, &brief, url = std::string(address), pending] { target.RequestStarted(brief, url, pending); });
}

void RunObserverRelay::RequestFinished(const TBrief& brief, std::uint64_t received, int pending)
{
    Queue([&target = target_, &brief, received, pending] { target.RequestFinished(brief, received, pending); });
}

void RunObserverRelay::PageRecorded(const TBrief& brief, std::string_view address, PageFate fate)
{
    // Records are written while the run lock may be held (requests dropped
    // from the queue): the report must not wait for the main thread.
    Queue([&target = target_, &brief, url = std::string(address), fate] { target.PageRecorded(brief, url, fate); });
}

void RunObserverRelay::EntryPageNotRetrieved(const TBrief& brief, const TWebPage& entry, std::string_view address)
{
    CallAfterQueued([&, url = std::string(address)] { target_.EntryPageNotRetrieved(brief, entry, url); });
}

void RunObserverRelay::EnableControls(bool enabled)
{
    CallAfterQueued([&, enabled] { target_.EnableControls(enabled); });
}

void RunObserverRelay::RefreshBrief(const TBrief& brief)
{
    CallAfterQueued([&] { target_.RefreshBrief(brief); });
}

void RunObserverRelay::StopDialogStep(StopStep step, int percent)
{
    CallAfterQueued([&, step, percent] { target_.StopDialogStep(step, percent); });
}

void RunObserverRelay::CloseStopDialog()
{
    CallAfterQueued([&] { target_.CloseStopDialog(); });
}

void RunObserverRelay::ErrorMessage(std::string_view caption, std::string_view text)
{
    CallAfterQueued([&, title = std::string(caption), body = std::string(text)] { target_.ErrorMessage(title, body); });
}

void RunObserverRelay::AvailableBriefsNotice(const std::vector<std::string>& briefNames)
{
    CallAfterQueued([&, names = briefNames] { target_.AvailableBriefsNotice(names); });
}

void RunObserverRelay::Beep()
{
    CallAfterQueued([&] { target_.Beep(); });
}

} // namespace rv
