#include "client/briefs/entry-clipboard.h"

#include "store/ascii-text.h"

#include <algorithm>

namespace rv
{

namespace
{

void Limit(std::string& text)
{
    if (text.size() > MaxCopiedTextLength)
    {
        text.resize(MaxCopiedTextLength);
    }
}

// Letters compare as capitals, so "_" and the other signs between "Z" and
// "a" sort after every letter.
bool NameLess(const TWebPage& a, const TWebPage& b)
{
    return std::lexicographical_compare(
        a.EntryName.begin(), a.EntryName.end(), b.EntryName.begin(), b.EntryName.end(),
        [](char x, char y) { return static_cast<unsigned char>(UpperAscii(x)) < static_cast<unsigned char>(UpperAscii(y)); });
}

void FocusAlone(TWebList& list, int position)
{
    list.DeselectAll();
    list.Select(position, true);
    list.SetFocus(position);
}

} // namespace

TWebPage CopyEntry(const TWebPage& source)
{
    TWebPage copy = source;
    Limit(copy.EntryName);
    Limit(copy.UserName);
    Limit(copy.Password);
    Limit(copy.SearchFor);
    copy.Selected = false;
    return copy;
}

void EntryClipboard::Copy(const TWebList& list)
{
    entries_.clear();
    for (const int position : list.SelectedPositions())
    {
        entries_.push_back(CopyEntry(list[position]));
    }
}

int EntryClipboard::Paste(TWebList& list) const
{
    const int focus = list.Focus();
    int at = focus >= 0 ? focus : list.Count();
    int inserted = 0;
    const auto insert = [&](const TWebPage& entry)
    {
        const int position = list.Insert(CopyEntry(entry), at);
        if (position >= 0)
        {
            at = position + 1;
            ++inserted;
        }
    };
    if (!entries_.empty())
    {
        for (const TWebPage& entry : entries_)
        {
            insert(entry);
        }
    }
    else if (spare_)
    {
        insert(*spare_);
    }
    list.SetFocus(focus >= 0 ? focus : 0);
    return inserted;
}

UserMessage DeleteQuestion(const std::string& verb, int selectedCount)
{
    std::string lower = verb;
    std::transform(lower.begin(), lower.end(), lower.begin(), LowerAscii);
    const char* rest =
        selectedCount > 1 ? " these Entries and all of their properties?" : " this Entry and all of its properties?";
    return {verb + " Entry", "Are you sure you want to " + lower + rest};
}

void DeleteSelected(TWebList& list)
{
    for (int i = list.Count() - 1; i >= 0; --i)
    {
        if (list[i].Selected)
        {
            list.Delete(i);
        }
    }
}

void FocusAfterCut(TWebList& list, int oldFocus)
{
    if (list.Empty())
    {
        list.SetFocus(-1);
        return;
    }
    FocusAlone(list, std::clamp(oldFocus, 0, list.Count() - 1));
}

int AddEntryFromMenu(TWebList& list, EntryKind kind, const EntryDefaultsRecords* defaults)
{
    const int focus = list.Focus();
    const int position = list.Create(kind, focus >= 0 ? focus : 0, defaults);
    if (position < 0)
    {
        return -1;
    }
    TWebPage& entry = list[position];
    if (kind == EntryKind::Search && (defaults == nullptr || !defaults->Search.IsSet))
    {
        entry.EngineListLength = -1;
        entry.EngineList.clear();
        entry.EntryName = NewEntryName(EntryKind::Search);
        entry.SearchYahoo = false;
    }
    FocusAlone(list, position);
    return position;
}

bool DropEntryWithin(TWebList& list, int from, int dropPosition, bool copyKey)
{
    if (!list.IsValid(from))
    {
        return false;
    }
    if (copyKey)
    {
        const TWebPage* source = &list[from];
        const int at = list.Insert(CopyEntry(*source), dropPosition >= list.Count() ? -1 : dropPosition);
        if (at < 0)
        {
            return false;
        }
        list.SetFocus(at <= from ? from + 1 : from);
        return true;
    }
    const int to = dropPosition < 0 || dropPosition >= list.Count() ? list.Count() - 1 : dropPosition;
    if (to == from)
    {
        return false;
    }
    list.Move(from, to);
    list.SetFocus(to);
    return true;
}

int DropEntryOnto(TWebList& target, const TWebPage& source, int dropPosition)
{
    const int at = target.Insert(CopyEntry(source), dropPosition >= target.Count() ? -1 : dropPosition);
    if (at >= 0)
    {
        target.SetFocus(at);
    }
    return at;
}

int DropBookmarks(TWebList& list, const std::vector<BookmarkNode>& nodes, std::size_t first, int dropPosition)
{
    if (first >= nodes.size())
    {
        return 0;
    }
    int at = dropPosition < 0 || dropPosition >= list.Count() ? list.Count() : dropPosition;
    int added = 0;
    for (std::size_t i = first; i < nodes.size() && (i == first || nodes[i].Depth > nodes[first].Depth); ++i)
    {
        if (nodes[i].Address.empty())
        {
            continue;
        }
        TWebPage entry = MakeEntry(EntryKind::Web);
        entry.EntryName = nodes[i].Text;
        entry.URL = nodes[i].Address;
        entry.NameSet = true;
        const int position = list.Insert(std::move(entry), at);
        if (position < 0)
        {
            break;
        }
        at = position + 1;
        ++added;
    }
    if (added > 0)
    {
        list.SetFocus(at - added);
    }
    return added;
}

void SortEntriesByName(TWebList& list)
{
    list.StableSort(NameLess);
}

} // namespace rv
