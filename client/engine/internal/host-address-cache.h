// The transfer worker's host address cache: the IPv4 addresses a look-up
// gave for each host name, so that later connections skip the look-up and a
// host whose first address times out is tried on the next one.
//
// A value is a count byte N followed by N five-byte entries, each a byte
// holding how many entries followed it when the addresses were stored, then
// the four address bytes in network order. An entry without a value, or
// whose first five bytes are all 0, is not resolved (a look-up is under way
// or failed). Rotating moves the first entry to the end with its byte, so
// the byte of the entry now first tells whether untried addresses remain.
//
// Threads: used on the main thread only.
#pragma once

#include "store/page-l-list.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

class HostAddressCache
{
public:
    using Address = std::array<std::uint8_t, 4>; // network order

    // The resolved addresses of the host, first to try first; empty when
    // the host is unknown or not resolved.
    std::vector<Address> Resolved(std::string_view host) const;
    // Creates an unresolved entry unless the host has one.
    void MarkLookupStarted(std::string_view host);
    // Stores the addresses in order, replacing what the host had; at most
    // 255 are kept. No address leaves the host unresolved.
    void Store(std::string_view host, const std::vector<Address>& addresses);
    // Moves the first address to the end when the host has two or more.
    // Returns whether it did; `untriedRemain` tells whether the first entry
    // still had entries after it when stored.
    bool Rotate(std::string_view host, bool* untriedRemain);

    // The raw value text of a host (for tests).
    std::string RawValue(std::string_view host) const;

private:
    TPageLList list_{DataEscaping::Verbatim};
};

} // namespace rv
