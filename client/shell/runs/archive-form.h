// TArchiveForm: the "Brief Archive" window. It lists a brief's kept
// retrievals, newest last, each drawn in columns of its date and time, and
// lets the user view one in the browser, delete it (after the page server
// let go of it), copy it elsewhere, open the cumulative view or package.
// While the brief runs, its newest archive is being written and can be
// neither deleted nor copied.
//
// Threads: the main thread only.
#pragma once

#include "client/shell/runs/run-services.h"

#include <QDialog>
#include <QStringList>
#include <functional>
#include <string>

class QListWidget;
class QPushButton;

namespace rv
{

struct TBrief;

// The columns of an archive caption "month/day/year, h:mm:ssAM": "Mar",
// the day, the year, the hour, minutes and seconds with a leading "0" below
// 10, and "AM" or "PM"; empty when the caption has another form.
QStringList ArchiveCaptionColumns(const QString& caption);

struct ArchiveFormHooks
{
    // Drops every status-log line of an archive (its full path).
    std::function<void(const std::string& archive)> RemoveStatusLines;
    // The brief's lists changed: save it.
    std::function<void()> BriefChanged;
    std::function<void()> ViewCumulative;
    std::function<void()> Package;
};

class TArchiveForm : public QDialog
{
    Q_OBJECT

public:
    TArchiveForm(TBrief& brief, ArchiveFormHooks hooks, RunWindowServices services, QWidget* parent = nullptr);

    void SelectRow(int row);
    int SelectedRow() const;
    // Fills the list again from the brief.
    void Reload();

    void ViewBriefClick();
    void DeleteBriefClick();
    void SaveAsClick();

private:
    void UpdateButtons();
    bool IsBeingWritten(int row) const;

    TBrief& brief_;
    ArchiveFormHooks hooks_;
    RunWindowServices services_;
    QListWidget* list_ = nullptr;
    QPushButton* view_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* saveAs_ = nullptr;
    QPushButton* cumulative_ = nullptr;
    QPushButton* package_ = nullptr;
    QPushButton* close_ = nullptr;
};

} // namespace rv
