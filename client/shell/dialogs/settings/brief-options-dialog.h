// TBriefOpts, "Brief Organizer Setup": a brief's name, active flag, comments and limits on the "Properties"
// page, and its schedule on the "Retrieval Time" page.
//
// The schedule list edits the brief at once (Add, Update, Remove); the other controls reach the brief on OK,
// which then saves it. While the brief is under a run its name, active flag and comments are read-only, and
// while it is under a run or its timers are locked every schedule and limit control is.
//
// Threads: the GUI thread only.
#pragma once

#include "client/briefs/brief-store.h"
#include "client/shell/schedule-entry.h"

#include <QDate>
#include <QDialog>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace rv
{

class ClockField;
class HelpOpener;

enum class BriefOptionsPage
{
    Properties,
    RetrievalTime, // Set Timers
};

// What the dialog asks of the window that opens it.
struct BriefOptionsHooks
{
    // Saves the brief after OK; SaveBrief by default. A failure shows the saving error.
    std::function<SaveStatus(TBrief&)> save;
    // The brief's name or active flag changed: the brief window updates its header.
    std::function<void()> headerChanged;
    // The date a Today entry is built for; the current date by default.
    std::function<QDate()> today;
};

// The help page of the dialog.
inline constexpr int BriefOptionsHelpContext = 40;

class TBriefOpts : public QDialog
{
    Q_OBJECT

public:
    TBriefOpts(TBrief& brief, BriefOptionsHooks hooks, QWidget* parent = nullptr);

    // Shows the brief on the page and waits until the dialog is closed.
    int Open(BriefOptionsPage page);

    // The schedule as the brief holds it now, for the scheduler after it removed a one-shot entry.
    void ReloadSchedule();

    // The entry text that the day and time controls build now.
    std::string BuiltEntry() const;
    HelpOpener& Help() const { return *help_; }

    void accept() override;

private:
    QWidget* MakePropertiesPage();
    QWidget* MakeRetrievalTimePage();
    QWidget* MakeDayGroup();
    QWidget* MakeTimeGroup();
    QWidget* MakeLimitsGroup();

    void LoadBrief();
    ScheduleChoice ChoiceFromControls() const;
    void ShowChoice(const ScheduleChoice& choice);
    void UpdateEnabled();

    void AddClick();
    void UpdateClick();
    void RemoveClick();
    void ScheduleListSelect();

    TBrief& brief_;
    BriefOptionsHooks hooks_;
    HelpOpener* help_ = nullptr;

    QTabWidget* pages_ = nullptr;
    QLineEdit* name_ = nullptr;
    QCheckBox* active_ = nullptr;
    QPlainTextEdit* comments_ = nullptr;

    QButtonGroup* days_ = nullptr;
    QComboBox* weeklyDay_ = nullptr;
    QComboBox* monthlyWhich_ = nullptr;
    QComboBox* monthlyWeekday_ = nullptr;
    QSpinBox* monthlyDay_ = nullptr;
    QLineEdit* date_ = nullptr;

    QButtonGroup* repeats_ = nullptr;
    QSpinBox* everyHours_ = nullptr;
    ClockField* startHour_ = nullptr;
    ClockField* startMinutes_ = nullptr;
    ClockField* startAmPm_ = nullptr;
    ClockField* endHour_ = nullptr;
    ClockField* endMinutes_ = nullptr;
    ClockField* endAmPm_ = nullptr;

    QListWidget* schedule_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* update_ = nullptr;
    QPushButton* remove_ = nullptr;
    QLabel* lockedTimers_ = nullptr;

    QWidget* scheduleControls_ = nullptr;
    QWidget* limitControls_ = nullptr;
    QRadioButton* sizeUnlimited_ = nullptr;
    QSpinBox* sizeMegs_ = nullptr;
    QRadioButton* timeUnlimited_ = nullptr;
    ClockField* limitHours_ = nullptr;
    ClockField* limitMinutes_ = nullptr;
    QRadioButton* archivesUnlimited_ = nullptr;
    QSpinBox* archives_ = nullptr;
};

} // namespace rv
