// Feeds arbitrary bytes to the link resolver, the entity decoder and the
// exclusion patterns, as pages and users may give any attribute value, base
// address or pattern. The input is cut in two at a position taken from its
// first byte: a base address (or pattern) and a value (or address).
#include "client/pages/exclusion-lines.h"
#include "client/pages/exclusion-pattern.h"
#include "client/pages/html-entities.h"
#include "client/pages/link-resolver.h"
#include "client/pages/store-address.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t cut = rest.empty() ? 0 : data[0] % (rest.size() + 1);
    const std::string_view first = rest.substr(0, cut);
    const std::string_view second = rest.substr(cut);

    const std::string resolved = rv::ResolveAddress(first, second);
    if (resolved.size() > first.size() + second.size() + 1)
        __builtin_trap();
    if (rv::NormaliseAddress(rest).size() > rest.size())
        __builtin_trap();
    if (rv::DecodeEntities(rest).size() > rest.size())
        __builtin_trap();
    if (rv::EncodeForStore(resolved).size() > 7 * resolved.size())
        __builtin_trap();

    const auto kind = static_cast<rv::ContentKind>(data[0] % 6);
    rv::IsExcluded({std::string(first)}, {std::string(first)}, second, kind);
    const std::string line = "1" + std::string(first);
    const rv::ExclusionLineFields fields = rv::ReadExclusionLine(line);
    const std::string rebuilt = rv::RebuildExclusionLine(line, fields);
    if (rv::ReadExclusionLine(rebuilt).text.find('\x01') != std::string::npos)
        __builtin_trap();
    return 0;
}
