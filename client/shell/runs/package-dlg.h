// TPackageDlg: the "Package Brief" dialog. It makes one archive of kept
// retrievals, either every entry of a brief from its newest surviving
// archive ("&Brief Organizer:") or chosen entries of one archive
// ("&Archived Brief:"), with the packaging tool's progress shown while the
// entries' pages are copied.
//
// Threads: the main thread; packaging runs on it and keeps the window
// painted through the progress callback.
#pragma once

#include "client/pages/package-sources.h"
#include "client/shell/runs/run-services.h"

#include <QDialog>
#include <vector>

class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace rv
{

class TPackageDlg : public QDialog
{
    Q_OBJECT

public:
    // briefFile: the current brief's file (organizer mode starts with it);
    // briefsFolder: where the file dialogs start without one.
    TPackageDlg(const QString& briefFile, const QString& briefsFolder, RunWindowServices services, QWidget* parent = nullptr);

    void SetOrganizerMode(bool organizer);
    void SetBriefFile(const QString& path);
    // Loads the archive's entries into "Brief Entries:"; false with a message
    // when it cannot be read.
    bool SetArchive(const QString& path);
    void SelectEntries(const std::vector<int>& rows);
    void AddClick();
    void RemoveClick();
    void ViewBriefClick();
    // Builds the package; true when it was written.
    bool PackageClick();
    int Percent() const;

private:
    void UpdateControls();
    QString StartFolder() const;

    QString briefsFolder_;
    RunWindowServices services_;
    std::vector<SummarySection> sections_;
    std::vector<int> chosen_;
    QRadioButton* organizer_ = nullptr;
    QRadioButton* custom_ = nullptr;
    QLineEdit* briefFile_ = nullptr;
    QLineEdit* archive_ = nullptr;
    QPushButton* selectBrief_ = nullptr;
    QPushButton* selectArchive_ = nullptr;
    QListWidget* entries_ = nullptr;
    QListWidget* selected_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* view_ = nullptr;
    QPushButton* package_ = nullptr;
    QProgressBar* progress_ = nullptr;
};

} // namespace rv
