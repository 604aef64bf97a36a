// RunObserverRelay: passes every call of the run driver to the real observer
// on the main thread and waits for it, so that window code never runs on the
// retrieval thread. Texts are copied before the call crosses threads.
#pragma once

#include "client/pages/run-observer.h"

class QObject;

namespace rv
{

class RunObserverRelay : public RunObserver
{
public:
    // mainThreadObject lives on the observer's thread; both outlive the relay.
    RunObserverRelay(RunObserver& target, QObject* mainThreadObject) : target_(target), context_(mainThreadObject) {}

    void AddStatusLine(const TBrief& brief, std::string_view startTime, BriefStatus status) override;
    void UpdateStatusLine(const TBrief& brief, BriefStatus status, std::string_view summaryFile) override;
    void UpdateStatusDetail(const TBrief& brief, std::string_view detail) override;
    void RemoveStatusLine(std::string_view summaryFile) override;
    void SetProgressLabel(ProgressLabel label, std::string_view text) override;
    void ShowProgressWindow(bool shown) override;
    void AddBriefToProgress(const TBrief& brief) override;
    void RemoveBriefFromProgress(const TBrief& brief) override;
    void EntryStarted(const TBrief& brief, const TWebPage& entry) override;
    void EntryFinished(const TBrief& brief, const TWebPage& entry, const EntryOutcome& outcome) override;
    void CountsChanged(const RunCounts& counts) override;
    void RequestStarted(const TBrief& brief, std::string_view address, int pending) override;
    void RequestFinished(const TBrief& brief, std::uint64_t received, int pending) override;
    void PageRecorded(const TBrief& brief, std::string_view address, PageFate fate) override;
    void EntryPageNotRetrieved(const TBrief& brief, const TWebPage& entry, std::string_view address) override;
    void EnableControls(bool enabled) override;
    void RefreshBrief(const TBrief& brief) override;
    void StopDialogStep(StopStep step, int percent) override;
    void CloseStopDialog() override;
    void ErrorMessage(std::string_view caption, std::string_view text) override;
    void AvailableBriefsNotice(const std::vector<std::string>& briefNames) override;
    void Beep() override;

private:
    RunObserver& target_;
    QObject* context_;
};

} // namespace rv
