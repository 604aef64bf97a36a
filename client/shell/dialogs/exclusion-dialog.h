// TExclusion: the exclusion dialog of an entry. Two lists, "Exclude just:"
// and "Exclude all except:", each showing the whole pool of patterns the
// user has written for any entry, with a tick on the ones this entry uses.
// New, Edit (the line editor TEditEx) and Delete work on the list used
// last. On OK the entry's lists are the ticked patterns and the pools are
// every line, for the caller to keep in the settings ("ExclusionItems",
// "InclusionItems"); Cancel changes nothing.
//
// Threads: the GUI thread only.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace rv
{

class HelpOpener;

// The dialog's lines for one list: every pool line, ticked when the entry
// holds its pattern, then the entry's patterns that the pool lacks, ticked.
// `patterns` is empty when the selected entries disagree: nothing is ticked.
std::vector<std::string> ExclusionDialogLines(const std::vector<std::string>& pool,
                                              const std::optional<std::vector<std::string>>& patterns);

// How a list shows a line: "Contains: cgi-bin" or the wildcard text, then
// the kinds of content it applies to.
QString ExclusionLineCaption(const std::string& line);

class TExclusion : public QDialog
{
    Q_OBJECT

public:
    TExclusion(const std::vector<std::string>& exclusionPool, const std::vector<std::string>& inclusionPool,
               const std::optional<std::vector<std::string>>& exList, const std::optional<std::vector<std::string>>& inList,
               const QString& programDir, const QString& settingsPath, QWidget* parent = nullptr);

    QListWidget* ExcludeJust() const { return lists_[0]; }
    QListWidget* ExcludeAllExcept() const { return lists_[1]; }

    // The lines of a list in order, with their check characters.
    std::vector<std::string> Lines(const QListWidget* list) const;
    std::vector<std::string> ExList() const;
    std::vector<std::string> InList() const;
    std::vector<std::string> ExclusionItems() const { return Lines(lists_[0]); }
    std::vector<std::string> InclusionItems() const { return Lines(lists_[1]); }

    void NewClick();
    void EditClick();
    void DeleteClick();

    // Edits a line in place; true on OK. The line editor by default.
    std::function<bool(std::string& line)> editLine;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AddLine(QListWidget* list, const std::string& line);
    void SetLine(QListWidgetItem* item, const std::string& line);
    void UpdateButtons();
    QListWidgetItem* SelectedLine() const;

    QListWidget* lists_[2] = {nullptr, nullptr};
    QListWidget* current_ = nullptr; // the list used last
    QPushButton* edit_ = nullptr;
    QPushButton* delete_ = nullptr;
    HelpOpener* help_ = nullptr;
    bool loading_ = false;
};

} // namespace rv
