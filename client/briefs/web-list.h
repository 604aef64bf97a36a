// The ordered entries of a brief (`TWebList`), with the selection and focus
// of the brief window's rows.
//
// The list owns its entries. Each entry lives at a fixed address from its
// insertion until it is deleted or the list is destroyed, so a run may keep
// a pointer to an entry while the window reorders rows; positions, not
// pointers, are what the brief file and the windows use.
//
// Not thread-safe: the thread that owns the brief (the main thread) calls
// everything here. Positions are 0-based; a position outside the list is
// ignored by every call that takes one, so a stale index from a window
// cannot reach past the end.
#pragma once

#include "client/briefs/entry-defaults.h"
#include "client/briefs/web-page.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace rv
{

// Brief files count entries in 16-bit signed words.
inline constexpr int MaxEntries = 32767;

class TWebList
{
public:
    int Count() const { return static_cast<int>(entries_.size()); }
    bool Empty() const { return entries_.empty(); }
    TWebPage& operator[](int position) { return *entries_[static_cast<std::size_t>(position)]; }
    const TWebPage& operator[](int position) const { return *entries_[static_cast<std::size_t>(position)]; }
    bool IsValid(int position) const { return position >= 0 && position < Count(); }

    // Creates an entry of the kind with the fixed defaults, then the values of
    // that kind's defaults record when it is set (`defaults` may be null).
    // Every entry is deselected first. A position of -1 or at or past the end
    // appends; any other inserts before the entry there. Returns the new
    // entry's position, or -1 when the list already holds MaxEntries.
    int Create(EntryKind kind, int position, const EntryDefaultsRecords* defaults = nullptr);

    // Inserts a ready entry at a position (the same rule as Create), without
    // touching the selection of the others. Returns its position or -1 when
    // the list is full.
    int Insert(TWebPage entry, int position);

    // Removes and frees the entry. The focus index keeps its value, clamped
    // to the last entry; an emptied list has focus -1 and no selection.
    void Delete(int position);

    // Exchanges two entries; the focus follows the entry that had it.
    void Swap(int first, int second);

    // Moves one entry to another position (the entries between shift by
    // one); the focus follows the entry that had it.
    void Move(int from, int to);

    // Orders the entries with a stable sort; the focus follows its entry.
    void StableSort(const std::function<bool(const TWebPage&, const TWebPage&)>& less);

    // Removes every entry.
    void Clear();

    // Selection by mouse. Click selects the entry alone; CtrlClick toggles it;
    // ShiftClick adds every entry from the focus to the clicked one (either
    // direction) to the selection. Each makes the clicked entry the focus.
    void Click(int position);
    void CtrlClick(int position);
    void ShiftClick(int position);

    void Select(int position, bool selected);
    void DeselectAll();
    int SelectedCount() const { return selectedCount_; }
    std::vector<int> SelectedPositions() const;
    // The entry actions of the window are enabled while something is selected.
    bool EntryActionsEnabled() const { return selectedCount_ > 0; }

    // The last entry clicked, -1 when none.
    int Focus() const { return focus_; }
    void SetFocus(int position);

private:
    int InsertOwned(std::unique_ptr<TWebPage> entry, int position);

    std::vector<std::unique_ptr<TWebPage>> entries_;
    int focus_ = -1;
    int selectedCount_ = 0;
};

} // namespace rv
