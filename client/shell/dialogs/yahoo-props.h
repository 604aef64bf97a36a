// TYahooProps: the setup dialog of directory entries ("Yahoo! Entry
// Setup"). Its own page holds the entry's name, the directory's own search
// ("Search" ... "for:"), the directories and main topics, the category tree
// of the one selected, the chosen categories and the search engines to
// query as well. The choices are the focused entry's; once the user changes
// them, OK gives them to every selected entry.
//
// Threads: the GUI thread only.
#pragma once

#include "client/pages/directory-choice.h"
#include "client/shell/dialogs/entry-setup-dialog.h"

#include <memory>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace rv
{

class TYahooProps : public EntrySetupDialog
{
    Q_OBJECT

public:
    TYahooProps(TWebList& list, ClientSettings& settings, EntrySetupEnvironment environment, bool readOnly,
                QWidget* parent = nullptr);
    ~TYahooProps() override;

    QTreeWidget* PropertiesList() const { return properties_; }
    QTreeWidget* CategoriesList() const { return categories_; }
    QListWidget* SelectedList() const { return selected_; }
    const DirectoryChoice& Choice() const { return *choice_; }

    // The selected directory (and main topic) changed: load its categories.
    void PropertiesListChange();
    // A category was clicked: choose it, or drop it when it was chosen.
    void CategoriesListClick(QTreeWidgetItem* item);
    void RemoveSelectedClick();

protected:
    void CollectOwnChanges(EntrySetupFields& changed) const override;
    void ApplyOwnChanges() override;
    std::vector<QWidget*> OwnControls() const override;

private:
    void ShowMarks();
    void ShowSelected();

    std::unique_ptr<DirectoryChoice> choice_;
    QLineEdit* name_ = nullptr;
    QCheckBox* search_ = nullptr;
    QLineEdit* searchText_ = nullptr;
    QTreeWidget* properties_ = nullptr;
    QTreeWidget* categories_ = nullptr;
    QListWidget* selected_ = nullptr;
    QListWidget* engines_ = nullptr;
    bool categoriesChanged_ = false;
    bool enginesChanged_ = false;
};

} // namespace rv
