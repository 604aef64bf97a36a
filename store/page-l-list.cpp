#include "store/page-l-list.h"

#include <utility>

namespace rv
{

std::string EscapeQuotes(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text)
    {
        if (c == '"')
        {
            escaped += "&quot;";
        }
        else
        {
            escaped += c;
        }
    }
    return escaped;
}

TPageRecord* TPageLList::Find(std::string_view key)
{
    for (auto& record : records_)
    {
        if (record.Url == key)
        {
            return &record;
        }
    }
    return nullptr;
}

const TPageRecord* TPageLList::Find(std::string_view key) const
{
    return const_cast<TPageLList*>(this)->Find(key);
}

TPageRecord* TPageLList::Resolve(std::string_view key)
{
    TPageRecord* record = Find(key);
    for (int hops = 0; record != nullptr && !record->ForwardTo.empty(); ++hops)
    {
        if (hops == MaxForwardHops)
        {
            return nullptr;
        }
        record = Find(record->ForwardTo);
    }
    return record;
}

TPageRecord& TPageLList::Store(TPageRecord record, bool* added)
{
    if (escaping_ == DataEscaping::Quotes && record.Title.find('"') != std::string::npos)
    {
        record.Title = EscapeQuotes(record.Title);
    }
    if (record.KeepText != 1)
    {
        record.Text.clear();
    }
    TPageRecord* existing = Find(record.Url);
    if (added != nullptr)
    {
        *added = existing == nullptr;
    }
    if (existing != nullptr)
    {
        *existing = std::move(record);
        return *existing;
    }
    records_.push_front(std::move(record));
    ++count_;
    return records_.front();
}

bool TPageLList::Remove(std::string_view key)
{
    auto before = records_.before_begin();
    for (auto it = records_.begin(); it != records_.end(); before = it++)
    {
        if (it->Url == key)
        {
            records_.erase_after(before);
            --count_;
            return true;
        }
    }
    return false;
}

TPageLList::Records TPageLList::TakeAll()
{
    count_ = 0;
    return std::exchange(records_, Records{});
}

void TPageLList::Clear()
{
    records_.clear();
    count_ = 0;
}

} // namespace rv
