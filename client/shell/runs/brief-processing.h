// TBriefProcessing: the "Generating Brief" window. While briefs run it shows
// the brief chosen in "Brief:", its pending entries and how many of its
// entries are done, the current brief, entry and file, the download counts
// and the transfer state; "Skip &Entry" and "&Stop Brief" ask first and then
// go to the engine. It closes only after the run let it (the may-close flag).
//
// Threads: the main thread only.
#pragma once

#include "client/shell/runs/run-model.h"
#include "client/shell/runs/run-services.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace rv
{

inline constexpr const char* SkipEntryCaption = "Skip Entry?";
inline constexpr const char* SkipEntryQuestion = "Are you sure you want to skip this entry?";
inline constexpr const char* StopBriefCaption = "Stop Brief?";
inline constexpr const char* StopBriefQuestion = "Are you sure you want to stop this brief?";

// The labels whose texts are shortened to the statistics group's width.
enum class ProgressItem
{
    ProcessingBrief,
    CurrentEntry,
    CurrentFile,
};

class TBriefProcessing : public QDialog
{
    Q_OBJECT

public:
    TBriefProcessing(RunModel& model, RunWindowServices services, QWidget* parent = nullptr);

    void UpdateItem(ProgressItem item, const QString& text);
    QString ItemText(ProgressItem item) const;
    bool HangupWhenDone() const;
    void SetHangupWhenDone(bool on);
    // Set by the run when it ends; until then closing is refused.
    void SetMayClose(bool mayClose) { mayClose_ = mayClose; }

    void BriefListChange();
    void ListBox1Click();
    void SkipClick();
    void AbortClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void reject() override;

private:
    void Refresh();
    void SetControls(bool enabled);
    const RunModel::BriefProgress* Selected() const;

    RunModel& model_;
    RunWindowServices services_;
    QComboBox* briefList_ = nullptr;
    QLabel* items_[3] = {};
    QString itemTexts_[3];
    QGroupBox* statistics_ = nullptr;
    QLabel* pages_ = nullptr;
    QLabel* images_ = nullptr;
    QLabel* size_ = nullptr;
    QProgressBar* entriesDone_ = nullptr;
    QListWidget* entryList_ = nullptr;
    QLabel* transfer_ = nullptr;
    QPushButton* skip_ = nullptr;
    QPushButton* stop_ = nullptr;
    QCheckBox* hangup_ = nullptr;
    bool mayClose_ = false;
    bool promptOpen_ = false;
};

} // namespace rv
