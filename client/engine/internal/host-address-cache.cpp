#include "client/engine/internal/host-address-cache.h"

#include "client/pages/url-parts.h"

#include <algorithm>

namespace rv
{

namespace
{

constexpr std::size_t EntryBytes = 5;

bool IsResolved(const std::string& value)
{
    if (value.size() < 1 + EntryBytes)
        return false;
    return std::any_of(value.begin() + 1, value.begin() + 1 + EntryBytes, [](char c) { return c != 0; });
}

} // namespace

std::vector<HostAddressCache::Address> HostAddressCache::Resolved(std::string_view host) const
{
    const TPageRecord* record = list_.Find(AsciiLower(host));
    std::vector<Address> addresses;
    if (!record || !IsResolved(record->Title))
        return addresses;
    const std::string& value = record->Title;
    std::size_t count = std::min<std::size_t>(std::uint8_t(value[0]), (value.size() - 1) / EntryBytes);
    for (std::size_t i = 0; i < count; ++i)
    {
        const char* entry = value.data() + 1 + i * EntryBytes;
        addresses.push_back({std::uint8_t(entry[1]), std::uint8_t(entry[2]), std::uint8_t(entry[3]), std::uint8_t(entry[4])});
    }
    return addresses;
}

void HostAddressCache::MarkLookupStarted(std::string_view host)
{
    std::string key = AsciiLower(host);
    if (list_.Find(key))
        return;
    TPageRecord record;
    record.Url = std::move(key);
    list_.Store(std::move(record));
}

void HostAddressCache::Store(std::string_view host, const std::vector<Address>& addresses)
{
    std::size_t count = std::min<std::size_t>(addresses.size(), 255);
    TPageRecord record;
    record.Url = AsciiLower(host);
    if (count > 0)
    {
        record.Title += char(count);
        for (std::size_t i = 0; i < count; ++i)
        {
            record.Title += char(count - i - 1);
            record.Title.append(reinterpret_cast<const char*>(addresses[i].data()), 4);
        }
    }
    list_.Store(std::move(record));
}

bool HostAddressCache::Rotate(std::string_view host, bool* untriedRemain)
{
    TPageRecord* record = list_.Find(AsciiLower(host));
    if (!record || !IsResolved(record->Title) || std::uint8_t(record->Title[0]) < 2)
        return false;
    std::string& value = record->Title;
    if (untriedRemain)
        *untriedRemain = value[1] != 0;
    std::string first = value.substr(1, EntryBytes);
    value.erase(1, EntryBytes);
    value += first;
    return true;
}

std::string HostAddressCache::RawValue(std::string_view host) const
{
    const TPageRecord* record = list_.Find(AsciiLower(host));
    return record ? record->Title : std::string();
}

} // namespace rv
