#include "client/briefs/web-list.h"

#include <algorithm>
#include <utility>

namespace rv
{

int TWebList::Create(EntryKind kind, int position, const EntryDefaultsRecords* defaults)
{
    if (Count() >= MaxEntries)
    {
        return -1;
    }
    DeselectAll();
    auto entry = std::make_unique<TWebPage>(MakeEntry(kind));
    if (defaults != nullptr && defaults->For(kind).IsSet)
    {
        ApplyEntryDefaults(*entry, defaults->For(kind));
    }
    return InsertOwned(std::move(entry), position);
}

int TWebList::Insert(TWebPage entry, int position)
{
    if (Count() >= MaxEntries)
    {
        return -1;
    }
    entry.Selected = false;
    return InsertOwned(std::make_unique<TWebPage>(std::move(entry)), position);
}

int TWebList::InsertOwned(std::unique_ptr<TWebPage> entry, int position)
{
    if (position < 0 || position >= Count())
    {
        position = Count();
    }
    if (entry->Selected)
    {
        ++selectedCount_;
    }
    entries_.insert(entries_.begin() + position, std::move(entry));
    // The focus stays on the entry that had it.
    if (focus_ >= position)
    {
        ++focus_;
    }
    return position;
}

void TWebList::Delete(int position)
{
    if (!IsValid(position))
    {
        return;
    }
    if ((*this)[position].Selected)
    {
        --selectedCount_;
    }
    entries_.erase(entries_.begin() + position);
    if (entries_.empty())
    {
        focus_ = -1;
        selectedCount_ = 0;
    }
    else if (focus_ >= Count())
    {
        focus_ = Count() - 1;
    }
}

void TWebList::Swap(int first, int second)
{
    if (!IsValid(first) || !IsValid(second) || first == second)
    {
        return;
    }
    std::swap(entries_[static_cast<std::size_t>(first)], entries_[static_cast<std::size_t>(second)]);
    if (focus_ == first)
    {
        focus_ = second;
    }
    else if (focus_ == second)
    {
        focus_ = first;
    }
}

void TWebList::Move(int from, int to)
{
    if (!IsValid(from) || !IsValid(to) || from == to)
    {
        return;
    }
    const int step = from < to ? 1 : -1;
    for (int i = from; i != to; i += step)
    {
        Swap(i, i + step);
    }
}

void TWebList::StableSort(const std::function<bool(const TWebPage&, const TWebPage&)>& less)
{
    const TWebPage* focused = IsValid(focus_) ? &(*this)[focus_] : nullptr;
    std::stable_sort(entries_.begin(), entries_.end(),
                     [&](const std::unique_ptr<TWebPage>& a, const std::unique_ptr<TWebPage>& b) { return less(*a, *b); });
    for (int i = 0; focused != nullptr && i < Count(); ++i)
    {
        if (&(*this)[i] == focused)
        {
            focus_ = i;
        }
    }
}

void TWebList::Clear()
{
    entries_.clear();
    focus_ = -1;
    selectedCount_ = 0;
}

void TWebList::Click(int position)
{
    if (!IsValid(position))
    {
        return;
    }
    DeselectAll();
    Select(position, true);
    focus_ = position;
}

void TWebList::CtrlClick(int position)
{
    if (!IsValid(position))
    {
        return;
    }
    Select(position, !(*this)[position].Selected);
    focus_ = position;
}

void TWebList::ShiftClick(int position)
{
    if (!IsValid(position))
    {
        return;
    }
    if (!IsValid(focus_))
    {
        Click(position);
        return;
    }
    const int low = std::min(focus_, position);
    const int high = std::max(focus_, position);
    for (int i = low; i <= high; ++i)
    {
        Select(i, true);
    }
    focus_ = position;
}

void TWebList::Select(int position, bool selected)
{
    if (!IsValid(position) || (*this)[position].Selected == selected)
    {
        return;
    }
    (*this)[position].Selected = selected;
    selectedCount_ += selected ? 1 : -1;
}

void TWebList::DeselectAll()
{
    for (auto& entry : entries_)
    {
        entry->Selected = false;
    }
    selectedCount_ = 0;
}

std::vector<int> TWebList::SelectedPositions() const
{
    std::vector<int> positions;
    for (int i = 0; i < Count(); ++i)
    {
        if ((*this)[i].Selected)
        {
            positions.push_back(i);
        }
    }
    return positions;
}

void TWebList::SetFocus(int position)
{
    focus_ = IsValid(position) ? position : -1;
}

} // namespace rv
