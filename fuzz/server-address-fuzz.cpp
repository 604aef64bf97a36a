// Bytes -> the local server's address reader and base-tag reader; and any
// archive path and page name written as an address must read back whole.
#include "store/server-address.h"

#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    rv::ParseServerAddress(text);
    if (rv::ServerBaseTagLength(text) > text.size())
        __builtin_trap();

    // Before the first NUL byte: the archive; after it: the page name.
    const std::size_t split = text.find('\0');
    if (split == std::string_view::npos)
        return 0;
    const std::string_view page = text.substr(split + 1);
    if (page.find('\0') != std::string_view::npos)
        return 0;
    const std::string encoded = rv::PercentEncodePath(page);
    if (rv::PercentDecode(encoded) != page)
        __builtin_trap();
    const std::string archive = rv::ArchiveAddressPath(text.substr(0, split));
    // The reader ends the archive part at its first ".rvd" or ".htm", which
    // the archive must therefore end with and not hold earlier.
    const std::string address = rv::ServerPageAddress(1888, archive, page);
    const std::optional<rv::ServerAddress> parsed = rv::ParseServerAddress(address);
    if (!parsed || parsed->port != 1888)
        __builtin_trap();
    std::string lower = archive;
    for (char& c : lower)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    const bool plainArchive =
        lower.size() >= 4 && lower.find(".rvd") == lower.size() - 4 && lower.find(".htm") == std::string::npos;
    if (plainArchive && parsed->pageName != page)
        __builtin_trap();
    return 0;
}
