#include "client/engine/internal/run-observer-relay.h"

#include "client/engine/internal/main-thread-call.h"

#include <string>

namespace rv
{

void RunObserverRelay::AddStatusLine(const TBrief& brief, std::string_view startTime, BriefStatus status)
{
    CallOnThreadOf(context_, [&, time = std::string(startTime), status] { target_.AddStatusLine(brief, time, status); });
}

void RunObserverRelay::UpdateStatusLine(const TBrief& brief, BriefStatus status, std::string_view summaryFile)
{
    CallOnThreadOf(context_, [&, status, file = std::string(summaryFile)] { target_.UpdateStatusLine(brief, status, file); });
}

void RunObserverRelay::UpdateStatusDetail(const TBrief& brief, std::string_view detail)
{
    CallOnThreadOf(context_, [&, text = std::string(detail)] { target_.UpdateStatusDetail(brief, text); });
}

void RunObserverRelay::RemoveStatusLine(std::string_view summaryFile)
{
    CallOnThreadOf(context_, [&, file = std::string(summaryFile)] { target_.RemoveStatusLine(file); });
}

void RunObserverRelay::SetProgressLabel(ProgressLabel label, std::string_view text)
{
    CallOnThreadOf(context_, [&, label, value = std::string(text)] { target_.SetProgressLabel(label, value); });
}

void RunObserverRelay::ShowProgressWindow(bool shown)
{
    CallOnThreadOf(context_, [&, shown] { target_.ShowProgressWindow(shown); });
}

void RunObserverRelay::AddBriefToProgress(const TBrief& brief)
{
    CallOnThreadOf(context_, [&] { target_.AddBriefToProgress(brief); });
}

void RunObserverRelay::RemoveBriefFromProgress(const TBrief& brief)
{
    CallOnThreadOf(context_, [&] { target_.RemoveBriefFromProgress(brief); });
}

void RunObserverRelay::EntryStarted(const TBrief& brief, const TWebPage& entry)
{
    CallOnThreadOf(context_, [&] { target_.EntryStarted(brief, entry); });
}

void RunObserverRelay::EntryFinished(const TBrief& brief, const TWebPage& entry, const EntryOutcome& outcome)
{
    CallOnThreadOf(context_, [&, outcome] { target_.EntryFinished(brief, entry, outcome); });
}

void RunObserverRelay::CountsChanged(const RunCounts& counts)
{
    CallOnThreadOf(context_, [&, counts] { target_.CountsChanged(counts); });
}

void RunObserverRelay::RequestStarted(const TBrief& brief, std::string_view address, int pending)
{
    CallOnThreadOf(context_, [&, url = std::string(address), pending] { target_.RequestStarted(brief, url, pending); });
}

void RunObserverRelay::RequestFinished(const TBrief& brief, std::uint64_t received, int pending)
{
    CallOnThreadOf(context_, [&, received, pending] { target_.RequestFinished(brief, received, pending); });
}

void RunObserverRelay::PageRecorded(const TBrief& brief, std::string_view address, PageFate fate)
{
    // Records are written while the run lock may be held (requests dropped
    // from the queue): the report must not wait for the main thread.
    PostToThreadOf(context_,
                   [&target = target_, &brief, url = std::string(address), fate] { target.PageRecorded(brief, url, fate); });
}

void RunObserverRelay::EntryPageNotRetrieved(const TBrief& brief, const TWebPage& entry, std::string_view address)
{
    CallOnThreadOf(context_, [&, url = std::string(address)] { target_.EntryPageNotRetrieved(brief, entry, url); });
}

void RunObserverRelay::EnableControls(bool enabled)
{
    CallOnThreadOf(context_, [&, enabled] { target_.EnableControls(enabled); });
}

void RunObserverRelay::RefreshBrief(const TBrief& brief)
{
    CallOnThreadOf(context_, [&] { target_.RefreshBrief(brief); });
}

void RunObserverRelay::StopDialogStep(StopStep step, int percent)
{
    CallOnThreadOf(context_, [&, step, percent] { target_.StopDialogStep(step, percent); });
}

void RunObserverRelay::CloseStopDialog()
{
    CallOnThreadOf(context_, [&] { target_.CloseStopDialog(); });
}

void RunObserverRelay::ErrorMessage(std::string_view caption, std::string_view text)
{
    CallOnThreadOf(context_,
                   [&, title = std::string(caption), body = std::string(text)] { target_.ErrorMessage(title, body); });
}

void RunObserverRelay::AvailableBriefsNotice(const std::vector<std::string>& briefNames)
{
    CallOnThreadOf(context_, [&, names = briefNames] { target_.AvailableBriefsNotice(names); });
}

void RunObserverRelay::Beep()
{
    CallOnThreadOf(context_, [&] { target_.Beep(); });
}

} // namespace rv
