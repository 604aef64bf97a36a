// RunModel: the run as the run windows see it. It stands between the engine
// and the main window's own observer: every event goes on to that observer
// unchanged, and the progress events are kept here (the briefs under way,
// their pending entries, the labels, counts and transfer state).
//
// Labels, counts, transfer state and the pending lists change many times a
// second in a fast run; they are gathered and announced by Changed() at most
// every UpdateIntervalMs. Showing and hiding the progress window, the
// controls and the stop dialog are announced at once.
//
// Threads: the engine calls it on the main thread (its relay makes every
// call from the retrieval thread a blocking call there).
#pragma once

#include "client/pages/run-observer.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <map>
#include <vector>

namespace rv
{

class RunModel : public QObject, public RunObserver
{
    Q_OBJECT

public:
    // A few updates a second keep the window current without flooding the
    // event loop.
    static constexpr int UpdateIntervalMs = 250;

    struct PendingEntry
    {
        QString Text;
        int Position = 0; // in the brief
    };
    struct BriefProgress
    {
        const TBrief* Brief = nullptr;
        QString Name;
        std::vector<PendingEntry> Pending;
        int Entries = 0; // taking part in this run
    };

    // next receives every event after the model has seen it; it may be null.
    explicit RunModel(RunObserver* next, QObject* parent = nullptr);

    const std::vector<BriefProgress>& Briefs() const { return briefs_; }
    const BriefProgress* ProgressOf(const TBrief& brief) const;
    QString Label(ProgressLabel label) const;
    QString CurrentEntry() const { return currentEntry_; }
    QString Transfer() const { return transfer_; }
    bool ControlsEnabled() const { return controlsEnabled_; }
    // The run has the progress window shown: it may not close.
    bool RunShowsProgress() const { return runShows_; }

    // The user skipped the entry: its line leaves the pending list at once.
    void DropPending(const TBrief& brief, int position);
    // Announces gathered changes now.
    void Flush();

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
    void TransferStatus(std::string_view text) override;
    void EnableControls(bool enabled) override;
    void RefreshBrief(const TBrief& brief) override;
    void StopDialogStep(StopStep step, int percent) override;
    void CloseStopDialog() override;
    void ErrorMessage(std::string_view caption, std::string_view text) override;
    void AvailableBriefsNotice(const std::vector<std::string>& briefNames) override;
    void Beep() override;

signals:
    void Changed();
    void ProgressWindowShown(bool shown);
    void ControlsChanged(bool enabled);
    void StopStepReached(rv::StopStep step, int percent);
    void StopDialogClosed();
    void BriefsAvailable(int count);

private:
    void Touch();
    BriefProgress* Find(const TBrief& brief);

    RunObserver* next_;
    QTimer timer_;
    std::vector<BriefProgress> briefs_;
    std::map<ProgressLabel, QString> labels_;
    QString currentEntry_;
    QString transfer_;
    bool controlsEnabled_ = true;
    bool runShows_ = false;
};

// The text of an entry in the pending list: its caption, or its address
// when the caption is empty.
QString PendingText(const TWebPage& entry);

} // namespace rv
