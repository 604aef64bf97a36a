// TKestrelForm: the brief window, an MDI child of the main window that owns
// one brief and shows its entries.
//
// The window owns its TBrief; a run holds a reference to it until the brief
// is finished (SetRetrieving(false)), and the window must outlive that. The
// header edits the brief's name and active box; the rows below come from a
// BriefEntriesModel over the brief's entries, painted by EntryRowDelegate,
// so that a brief of any size opens at once. Every edit is written to the
// brief file at once; a failed save shows the saving error and keeps the
// edit in memory.
//
// The entry clipboard belongs to the main window and is shared by all brief
// windows; the window also puts copied entries' addresses on the desktop's
// clipboard and takes addresses copied in other programs as new web
// entries. Rows drag within a brief (moving, or copying with Ctrl) and onto
// other brief windows of the program (always copying).
//
// GUI thread only.
#pragma once

#include "client/briefs/brief.h"
#include "client/briefs/entry-clipboard.h"
#include "client/briefs/entry-defaults.h"
#include "client/briefs/entry-kind.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QLineEdit;
class QMenu;
class QMimeData;

namespace rv
{

class BriefEntriesModel;
class BriefEntriesView;
class EntryClipboard;

class TKestrelForm : public QWidget
{
    Q_OBJECT

public:
    // The clipboard must outlive the window; `defaults` (which may be null)
    // is read whenever an entry is made and must outlive it too.
    TKestrelForm(EntryClipboard& clipboard, const EntryDefaultsRecords* defaults, QWidget* parent = nullptr);
    ~TKestrelForm() override;

    // Reads a brief file with the loading messages and the hourglass; false (message already shown) when it
    // could not be read: the caller discards the window.
    bool OpenFile(const QString& path);
    // A new, empty brief that will be saved at `path`; nothing is written yet.
    void NewBrief(const QString& path);
    // Writes the brief (and its catalogue) with the saving messages. A brief
    // without a file emits SavePathNeeded and returns false.
    bool Save();
    // Saves under a new path; on failure the brief keeps its old path.
    bool SaveAs(const QString& path);
    TBrief& Brief() { return brief_; }
    const TBrief& Brief() const { return brief_; }
    QString FilePath() const;

    // A run has the brief: every edit is refused and the controls are read-only until SetRetrieving(false).
    void SetRetrieving(bool retrieving);
    bool Retrieving() const { return brief_.Retrieving; }

    // Menu commands of the main window act on the active brief window through these.
    void NewEntry(EntryKind kind);
    void DeleteEntries(); // asks first
    void CutEntries();    // asks first
    void CopyEntries();
    void PasteEntries();
    void SortEntries();
    void OpenEntrySetup(); // the focused entry, or the selection
    bool HasSelection() const;
    bool CanPaste() const;
    bool CanSort() const;

    // Opens the setup of the given entries; returns false when the user cancelled (a new entry is then
    // deleted again). The default is the minimal address-and-name dialog; the main window installs the full
    // setup dialogs (built in parallel by another developer) through this seam.
    using EntrySetup = std::function<bool(TKestrelForm& window, const std::vector<int>& selected, bool newEntry)>;
    void SetEntrySetup(EntrySetup setup);

    // Reads the bookmarks a drag from a bookmarks window carries (none when
    // it carries none); the main window installs it.
    using BookmarkReader = std::function<std::vector<BookmarkNode>(const QMimeData& data)>;
    void SetBookmarkReader(BookmarkReader reader) { bookmarks_ = std::move(reader); }

    // Shows the brief as it is now after something outside the window (a
    // setup dialog, a run) changed it: header, rows and caption.
    void Refresh();

    // The data a drag of the row carries: the entry for other brief windows,
    // its address for other programs. nullptr for a row that is not there.
    QMimeData* DragData(int row) const;
    // Takes dropped data at the row (the row count: after the last entry):
    // an entry row of this or another brief window, or addresses from
    // another program. False when nothing was dropped.
    bool DropData(const QMimeData& data, int row, bool copyKey);

    // The rows' popup menu: "&Entry Setup...", "&Delete Entry" and "&Sort
    // Entries", enabled as the brief allows, then whatever PopupMenuShown's
    // receivers add (the main window adds its run commands).
    std::unique_ptr<QMenu> MakePopupMenu();

    // Finds the window's controls in tests and tools.
    BriefEntriesView* EntriesView() const { return view_; }
    QLineEdit* NameEdit() const { return nameEdit_; }
    QCheckBox* ActiveBox() const { return activeBox_; }

signals:
    // After any edit, once it has been saved (or its save failed and the
    // saving error was shown).
    void BriefModified();
    // The selection, the focus, the clipboard or the run state changed: the
    // main window updates the commands it enables.
    void SelectionChanged();
    // Save found no file for the brief; the main window asks for one (Save As).
    void SavePathNeeded();
    // The popup menu is being built; receivers may add their actions to it.
    // Emitted on the GUI thread; the menu lives until it closes.
    void PopupMenuShown(QMenu* menu);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void ShowHeader();
    void EditDone();
    void ToggleActive(int row);
    void RowClicked(int row, Qt::KeyboardModifiers modifiers);
    void KeyCommand(int key, Qt::KeyboardModifiers modifiers);
    void MoveFocusTo(int row, Qt::KeyboardModifiers modifiers);
    void SelectionDone();
    bool CanDrop(const QMimeData& data) const;

    EntryClipboard& clipboard_;
    const EntryDefaultsRecords* defaults_;
    TBrief brief_;
    EntrySetup setup_;
    BookmarkReader bookmarks_;
    quint64 id_;
    QLineEdit* nameEdit_ = nullptr;
    QCheckBox* activeBox_ = nullptr;
    BriefEntriesModel* model_ = nullptr;
    BriefEntriesView* view_ = nullptr;
};

} // namespace rv
