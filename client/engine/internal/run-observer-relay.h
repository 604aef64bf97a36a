// RunObserverRelay: passes every call of the run driver to the real observer
// on the main thread, so that window code never runs on the retrieval thread.
// Texts are copied before the call crosses threads.
//
// The reports made for every page (progress labels, counts, requests started
// and finished, pages recorded) are queued and not waited for. The first
// report after a quiet spell wakes the main thread at once; while reports
// keep coming, the main thread takes what is queued every ReportInterval
// milliseconds instead of being woken for each page. Every other call waits
// until it, and everything queued
// before it, has reached the observer; calls made on the main thread itself
// run at once, after what is queued. Reports reach the observer in the order
// they were made.
#pragma once

#include "client/pages/run-observer.h"

#include <functional>
#include <mutex>
#include <vector>

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

    // Main thread: hands every queued report to the observer now.
    void Flush();

    // How long queued reports may wait for the main thread while a run is
    // busy: short enough for progress shown to the user.
    static constexpr int ReportInterval = 40;

private:
    void Queue(std::function<void()> report);
    void CallAfterQueued(const std::function<void()>& call);
    // Main thread: the posted flush, and the timer that keeps flushing
    // while reports keep coming.
    void OnFlushPosted();
    void OnInterval();

    RunObserver& target_;
    QObject* context_;
    std::mutex mutex_;
    std::vector<std::function<void()>> queued_; // under mutex_
    bool flushPosted_ = false;                  // under mutex_; no report needs to post a flush
    bool timing_ = false;                       // main thread, read under mutex_: the interval timer runs
};

} // namespace rv
