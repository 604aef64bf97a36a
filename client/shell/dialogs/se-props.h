// TSEProps: the setup dialog of search-engine entries ("Search Engine Entry
// Setup"). Its own page holds the query (the entry's name), the engines to
// send it to, grouped under "Advanced Searches" and "Simple Searches", and
// "Search Yahoo". The engine choice is the focused entry's; once the user
// changes it, OK gives it to every selected entry.
//
// Threads: the GUI thread only.
#pragma once

#include "client/pages/engine-choice-list.h"
#include "client/shell/dialogs/entry-setup-dialog.h"

#include <memory>

class QCheckBox;
class QLineEdit;
class QListWidget;

namespace rv
{

class TSEProps : public EntrySetupDialog
{
    Q_OBJECT

public:
    TSEProps(TWebList& list, ClientSettings& settings, EntrySetupEnvironment environment, bool readOnly,
             QWidget* parent = nullptr);
    ~TSEProps() override;

    QListWidget* EngineList() const { return engines_; }
    const EngineChoiceList& Engines() const { return *choice_; }

protected:
    void CollectOwnChanges(EntrySetupFields& changed) const override;
    void ApplyOwnChanges() override;
    void FillOwnDefaults(EntryDefaults& record) const override;
    std::vector<QWidget*> OwnControls() const override;

private:
    std::unique_ptr<EngineChoiceList> choice_;
    QLineEdit* query_ = nullptr;
    QListWidget* engines_ = nullptr;
    QCheckBox* searchYahoo_ = nullptr;
    bool enginesChanged_ = false;
};

// Fills a list widget with engine rows: headers in bold and not choosable,
// engines with a check box.
void ShowEngineRows(QListWidget* list, const std::vector<EngineRow>& rows);

} // namespace rv
