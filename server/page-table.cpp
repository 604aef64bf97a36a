#include "server/page-table.h"

#include "server/text-util.h"

#include <cstdlib>

namespace rv
{
namespace
{

// Each "&amp" (any case in "amp") with the ";" after it, if any, becomes "&".
std::string UnescapeAmp(std::string_view key)
{
    std::string out;
    std::size_t i = 0;
    while (i < key.size())
    {
        if (key[i] == '&' && StartsWithNoCase(key.substr(i + 1), "amp"))
        {
            out += '&';
            i += 4;
            if (i < key.size() && key[i] == ';')
                ++i;
        }
        else
            out += key[i++];
    }
    return out;
}

bool HasAmp(std::string_view key)
{
    for (std::size_t at = key.find('&'); at != std::string_view::npos; at = key.find('&', at + 1))
    {
        if (StartsWithNoCase(key.substr(at + 1), "amp"))
            return true;
    }
    return false;
}

// "scheme:/host" -> "scheme://host"; empty when the name has no single slash
// after a colon.
std::string WithDoubleSlash(std::string_view name)
{
    for (std::size_t at = name.find(':'); at != std::string_view::npos; at = name.find(':', at + 1))
    {
        if (at + 1 < name.size() && (name[at + 1] == '/' || name[at + 1] == '\\'))
        {
            if (at + 2 < name.size() && (name[at + 2] == '/' || name[at + 2] == '\\'))
                return {};
            std::string out(name.substr(0, at + 2));
            out += '/';
            out.append(name.substr(at + 2));
            return out;
        }
    }
    return {};
}

} // namespace

int PageTableBucket(std::string_view key, int level, int bucketCount)
{
    const std::uint32_t base = static_cast<std::uint32_t>(level + 1);
    std::uint32_t power = base;
    std::uint32_t hash = 0;
    for (char c : key)
    {
        hash += static_cast<std::uint32_t>(static_cast<unsigned char>(c)) * power;
        power *= base;
    }
    const std::int64_t signedHash = static_cast<std::int32_t>(hash);
    return static_cast<int>(std::llabs(signedHash) % bucketCount);
}

void TServList::Add(std::unique_ptr<PageEntry> entry)
{
    if (nested_)
    {
        nested_->AddOne(std::move(entry));
        return;
    }
    if (entries_.size() >= MaxBucketList && level_ < MaxTableLevel)
    {
        nested_ = std::make_unique<TServHashTable>(level_ + 1);
        for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
            nested_->AddOne(std::move(*it));
        entries_.clear();
        nested_->AddOne(std::move(entry));
        return;
    }
    entries_.push_back(std::move(entry));
}

PageEntry* TServList::Find(std::string_view key) const
{
    if (nested_)
        return nested_->FindExact(key);
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
    {
        if ((*it)->key == key)
            return it->get();
    }
    return nullptr;
}

std::size_t TServList::Count() const
{
    return nested_ ? nested_->Count() : entries_.size();
}

TServHashTable::TServHashTable(int level, int bucketCount) : level_(level)
{
    buckets_.reserve(static_cast<std::size_t>(bucketCount));
    for (int i = 0; i < bucketCount; ++i)
        buckets_.emplace_back(level);
}

TServHashTable::~TServHashTable() = default;

void TServHashTable::AddOne(std::unique_ptr<PageEntry> entry)
{
    const int bucket = PageTableBucket(entry->key, level_, static_cast<int>(buckets_.size()));
    buckets_[static_cast<std::size_t>(bucket)].Add(std::move(entry));
}

void TServHashTable::Add(const PageEntry& entry)
{
    AddOne(std::make_unique<PageEntry>(entry));
    if (HasAmp(entry.key))
    {
        auto twin = std::make_unique<PageEntry>(entry);
        twin->key = UnescapeAmp(entry.key);
        AddOne(std::move(twin));
    }
}

PageEntry* TServHashTable::FindExact(std::string_view key) const
{
    const int bucket = PageTableBucket(key, level_, static_cast<int>(buckets_.size()));
    return buckets_[static_cast<std::size_t>(bucket)].Find(key);
}

PageEntry* TServHashTable::Find(std::string_view name, int version, int subversion) const
{
    if (version == 1 && subversion == 4)
        name = WithoutNumberPrefix(name);
    if (PageEntry* hit = FindExact(name))
        return hit;
    const std::string colons = ReplaceAll(name, "&colon;", ":");
    if (PageEntry* hit = FindExact(colons))
        return hit;
    const std::string slashed = WithDoubleSlash(colons);
    if (!slashed.empty())
        return FindExact(slashed);
    return nullptr;
}

void TServHashTable::Clear()
{
    const int level = level_;
    const std::size_t count = buckets_.size();
    buckets_.clear();
    for (std::size_t i = 0; i < count; ++i)
        buckets_.emplace_back(level);
}

std::size_t TServHashTable::Count() const
{
    std::size_t n = 0;
    for (const TServList& bucket : buckets_)
        n += bucket.Count();
    return n;
}

} // namespace rv
