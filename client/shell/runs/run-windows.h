// RunWindows: the run windows of one main window, kept together. It owns the
// RunModel the engine reports to, opens the progress window when a run shows
// it and lets it close when the run ends, shows the stop window's steps and
// counts finished briefs in the available-briefs notice.
//
// Threads: the main thread only.
#pragma once

#include "client/shell/runs/run-model.h"
#include "client/shell/runs/run-services.h"

#include <QObject>
#include <QPointer>
#include <memory>

class QWidget;

namespace rv
{

class TAvailableBriefs;
class TBriefProcessing;
class TStopDlg;

class RunWindows : public QObject
{
    Q_OBJECT

public:
    // next: the main window's own observer, which sees every event after the
    // model. frame: the parent of the progress and stop windows.
    RunWindows(RunObserver* next, RunWindowServices services, QWidget* frame);
    ~RunWindows() override;

    RunModel& Model() { return model_; }
    const RunWindowServices& Services() const { return services_; }
    // Opens the progress window (or brings it to the front).
    void ShowProgress();
    TBriefProcessing* Progress() const;
    TStopDlg* StopDialog() const;
    TAvailableBriefs& Notice() { return *notice_; }
    // "&Hangup When Done" as the progress window shows it (kept while the
    // window is closed); the connect step sets it for each run.
    bool HangupWhenDone() const { return hangupWhenDone_; }
    void SetHangupWhenDone(bool on);

signals:
    // The progress window was shown or hidden (the menu command that opens
    // it is disabled while it is shown).
    void ProgressShown(bool shown);
    // "&Status Log" in the notice.
    void StatusLogWanted();

private:
    RunWindowServices services_;
    QWidget* frame_;
    RunModel model_;
    QPointer<TBriefProcessing> progress_;
    QPointer<TStopDlg> stop_;
    std::unique_ptr<TAvailableBriefs> notice_;
    bool hangupWhenDone_ = false;
};

} // namespace rv
