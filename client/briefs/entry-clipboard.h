// Rearranging a brief's entries: the entry clipboard, copy, cut, paste,
// drag and drop, new entries from the menu, sorting, and the delete
// question. The windows call these and save the brief afterwards.
//
// The clipboard is the program's own, held by the main window; it is not
// the desktop's clipboard. Main thread only.
#pragma once

#include "client/briefs/entry-defaults.h"
#include "client/briefs/user-message.h"
#include "client/briefs/web-list.h"

#include <optional>
#include <string>
#include <vector>

namespace rv
{

// Copies keep at most this many characters of the name, the credentials and
// the Smart Search query.
inline constexpr std::size_t MaxCopiedTextLength = 256;

// A copy of an entry with the copy limits applied, not selected and with no
// run-time state.
TWebPage CopyEntry(const TWebPage& source);

class EntryClipboard
{
public:
    // Replaces the clipboard with copies of the selected entries, in list
    // order.
    void Copy(const TWebList& list);

    // Holds a single entry (a copied bookmark) that Paste uses while the
    // clipboard itself is empty.
    void SetSpare(const TWebPage& entry) { spare_ = CopyEntry(entry); }

    bool CanPaste() const { return !entries_.empty() || spare_.has_value(); }
    const std::vector<TWebPage>& Entries() const { return entries_; }

    // Inserts copies of the clipboard entries in order, starting at the
    // focused position (after the last entry when nothing has the focus);
    // the focus then returns to the position it had, or 0 when there was
    // none. Returns how many entries were inserted (fewer when the list
    // fills up).
    int Paste(TWebList& list) const;

private:
    std::vector<TWebPage> entries_;
    std::optional<TWebPage> spare_;
};

// The question asked before deleting or cutting the selected entries;
// `verb` is "Delete" or "Cut".
UserMessage DeleteQuestion(const std::string& verb, int selectedCount);

// Deletes every selected entry; the focus index keeps its value within the
// list.
void DeleteSelected(TWebList& list);

// After a cut: the entry now at the old focus position (or the last one)
// becomes the focused and only selected entry.
void FocusAfterCut(TWebList& list, int oldFocus);

// "Add ... Entry" from the menu: a new entry of the kind before the focused
// entry (at 0 when nothing has the focus), focused and selected. A search
// entry without search defaults has no engines chosen yet (length -1).
// Returns its position, or -1 when the list is full. Cancelling its setup
// dialog deletes it again with TWebList::Delete.
int AddEntryFromMenu(TWebList& list, EntryKind kind, const EntryDefaultsRecords* defaults);

// Drags an entry row to `dropPosition` of the same list (at or past the end:
// after the last entry). Without the copy key the entry moves there and
// becomes the focus; with it a copy is inserted there and the focus stays on
// the source entry. Returns false when nothing changed.
bool DropEntryWithin(TWebList& list, int from, int dropPosition, bool copyKey);

// Drops a copy of `source` on another brief's list at `dropPosition`; the
// copy becomes the focus there. Returns its position, or -1 when full.
int DropEntryOnto(TWebList& target, const TWebPage& source, int dropPosition);

// A node of the bookmarks tree being dropped on a brief.
struct BookmarkNode
{
    int Depth = 0;
    std::string Text;
    std::string Address; // empty for a folder
};

// Adds the node at `first` and the nodes after it that lie deeper than it,
// in order, as named web entries at `dropPosition`; folders are skipped.
// Returns how many entries were added.
int DropBookmarks(TWebList& list, const std::vector<BookmarkNode>& nodes, std::size_t first, int dropPosition);

// Orders the entries by name, comparing A to Z without regard to case; the
// focus follows its entry. Entries with equal names keep their order.
void SortEntriesByName(TWebList& list);

} // namespace rv
