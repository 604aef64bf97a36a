// TStatusWin: the "Brief Status Log" window, a view of the main window's
// status log. Each line is drawn in three columns ("Brief", "Start Time",
// "Status"), the brief name shortened with "..." to fit the first column,
// which takes the window's extra width. A line with an archive can be viewed
// in the browser (also by double click), deleted after the page server let
// go of it, or copied elsewhere.
//
// Threads: the main thread only.
#pragma once

#include "client/shell/runs/run-services.h"

#include <QWidget>
#include <functional>
#include <string>

class QAbstractItemModel;
class QHeaderView;
class QKeyEvent;
class QListView;
class QPushButton;

namespace rv
{

inline constexpr const char* DeleteArchivedBriefCaption = "Delete Archived Brief?";
inline constexpr const char* DeleteArchivedBriefQuestion = "Are you sure you want to delete this archived brief?";
inline constexpr const char* ArchiveFilter = "Archive (*.RVD)";

// Copies an archive to a path the user chose, never over an existing file.
bool CopyArchive(const QString& from, const QString& to);

// The save dialog's title and folder for an archive, and the copy; false
// when cancelled or when the copy failed.
bool SaveArchiveAs(const RunWindowServices& services, const QString& title, const QString& archive, const QString& folder);

class TStatusWin : public QWidget
{
    Q_OBJECT

public:
    // lines: one row per status line, its text as DisplayRole (three fields
    // separated by 0x02) and its archive under archiveRole. removeArchive
    // drops every line of an archive from the log.
    TStatusWin(QAbstractItemModel& lines, int archiveRole, std::function<void(const std::string& archive)> removeArchive,
               RunWindowServices services, QWidget* parent = nullptr);

    // The archive of the selected line; empty when none.
    std::string SelectedArchive() const;
    void SelectRow(int row);

    void ListBox1Click();
    void ListBox1DblClick();
    void DeleteBriefClick();
    void SaveAsClick();

signals:
    // The window was clicked or activated: the notice hides.
    void Activated();

protected:
    bool event(QEvent* event) override;

private:
    // The enabled button whose "&" letter the key is, with Alt.
    QPushButton* ButtonForMnemonic(const QKeyEvent& key) const;

    QAbstractItemModel& lines_;
    int archiveRole_;
    std::function<void(const std::string&)> removeArchive_;
    RunWindowServices services_;
    QHeaderView* header_ = nullptr;
    QListView* list_ = nullptr;
    QPushButton* view_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* saveAs_ = nullptr;
};

} // namespace rv
