// EntrySetupDialog: what the three entry setup dialogs share. It edits the
// selected entries of one brief at once through the brief layer's setup
// rules (client/briefs/entry-setup.h): the controls show a value only where
// every selected entry agrees, and OK writes only the controls the user
// touched. Its pages hold the properties every kind of entry has: depths
// and the content to fetch, the retrieval type, Smart Search, credentials,
// user agent, proxy cache and the exclusion lists. Each kind's dialog adds
// its own first page and the fields that belong to it.
//
// A message of the setup rules ("Password not correctly confirmed.", the
// Smart Search message) is shown over the dialog, which then stays open
// with nothing written. While the focused entry is locked or the brief is
// under a run every control is read-only and OK writes nothing.
//
// The dialog holds references to the entry list and the settings; both must
// outlive it. Threads: the GUI thread only.
#pragma once

#include "client/briefs/entry-setup.h"
#include "client/briefs/web-list.h"
#include "client/shell/dialogs/change-tracker.h"

#include <QDialog>
#include <QString>
#include <optional>
#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QVBoxLayout;

namespace rv
{

class HelpOpener;
class SettingsStore;
struct ClientSettings;
struct DefinitionSet;

// What the dialogs use besides the brief and the settings.
struct EntrySetupEnvironment
{
    // Where Set Default and the exclusion suggestions are stored; null keeps
    // them in the settings object only.
    SettingsStore* store = nullptr;
    // The search engines and directories the program knows; null: none.
    const DefinitionSet* definitions = nullptr;
    QString programDir;   // holds "help/"
    QString settingsPath; // names the browser that shows the help
};

// The brief layer keeps texts as bytes; the windows show them as Latin-1.
QString DialogText(const std::string& text);
std::string DialogBytes(const QString& text);

class EntrySetupDialog : public QDialog
{
    Q_OBJECT

public:
    EntrySetupDialog(TWebList& list, EntryKind kind, ClientSettings& settings, EntrySetupEnvironment environment,
                     int helpContext, bool readOnly, QWidget* parent);
    ~EntrySetupDialog() override;

    EntryKind Kind() const { return kind_; }
    HelpOpener* Help() const { return help_; }

    // OK: applies the touched controls; stays open with a message when the
    // setup rules refuse them.
    void OkClick();
    // Stores the dialog's values as the defaults of its kind.
    void SetDefaultClick();
    void ExclusionListsClick();

protected:
    // For the kind's dialog: its page goes first, the shared ones follow.
    void AddOwnPage(QWidget* page, const QString& title);
    // Call once every control is built and loaded: tracking starts here.
    void FinishSetup(QWidget* firstFocus);

    virtual void CollectOwnChanges(EntrySetupFields& /*changed*/) const {}
    // Writes the kind's own lists after the shared fields were accepted.
    virtual void ApplyOwnChanges() {}
    virtual void FillOwnDefaults(EntryDefaults& /*record*/) const {}
    // Every editing control of the kind's page, disabled when read-only.
    virtual std::vector<QWidget*> OwnControls() const { return {}; }

    // The entries OK writes: the selected ones that are not locked.
    std::vector<int> WritablePositions() const;

    TWebList& list_;
    EntryKind kind_;
    ClientSettings& settings_;
    EntrySetupEnvironment environment_;
    EntrySetupFields shown_;
    ChangeTracker tracker_;
    bool readOnly_;
    bool single_; // exactly one entry selected: name and address are editable

private:
    QWidget* BuildRetrievalPage();
    QWidget* BuildSmartSearchPage();
    QWidget* BuildAdvancedPage();
    void Load();
    EntrySetupFields CollectChanges() const;
    void ShowDepthWarning();

    int helpContext_;
    HelpOpener* help_ = nullptr;
    QVBoxLayout* layout_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QLabel* locked_ = nullptr;
    QCheckBox* active_ = nullptr;

    QSpinBox* spiderDepth_ = nullptr;
    QLabel* depthWarning_ = nullptr;
    QSpinBox* externalDepth_ = nullptr;
    QCheckBox* followExternal_ = nullptr;
    QCheckBox* stayInSubdir_ = nullptr;
    QCheckBox* images_ = nullptr;
    QCheckBox* frames_ = nullptr;
    QCheckBox* plugIns_ = nullptr;
    QCheckBox* applets_ = nullptr;
    QCheckBox* activeX_ = nullptr;
    QCheckBox* other_ = nullptr;
    QButtonGroup* retrievalType_ = nullptr;
    QRadioButton* fullPage_ = nullptr;
    QRadioButton* markDiffs_ = nullptr;
    QRadioButton* extractDiffs_ = nullptr;
    QCheckBox* keepUnfiltered_ = nullptr;

    QCheckBox* smartSearch_ = nullptr;
    QLineEdit* searchFor_ = nullptr;
    QCheckBox* caseSensitive_ = nullptr;
    QCheckBox* checkHeader_ = nullptr;
    QCheckBox* searchHTML_ = nullptr;
    QCheckBox* preserveOnly_ = nullptr;

    QLineEdit* userName_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* confirmPassword_ = nullptr;
    QComboBox* userAgent_ = nullptr;
    QCheckBox* bypassProxyCache_ = nullptr;
    QCheckBox* exclusionLists_ = nullptr;
    QPushButton* editExclusions_ = nullptr;
    std::optional<std::vector<std::string>> exList_;
    std::optional<std::vector<std::string>> inList_;
    bool exclusionsEdited_ = false;

    QPushButton* setDefault_ = nullptr;
};

} // namespace rv
