#include "client/pages/store-address.h"

#include "store/ascii-text.h"

#include <algorithm>
#include <iterator>

namespace rv
{
namespace
{

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The schemes that pages use without "//" after the colon. Any other name
// before a ":" is a scheme only when "://" follows it; otherwise it is a
// host with its port ("localhost:8080/") or a relative path.
constexpr std::string_view kKnownSchemes[] = {
    "about",  "data", "file", "ftp",   "gopher", "http",   "https",    "javascript",
    "mailto", "news", "nntp", "snews", "tel",    "telnet", "vbscript", "wais",
};

} // namespace

std::string EncodeForStore(std::string_view address)
{
    std::string out;
    out.reserve(address.size() + 8);
    for (char c : address)
    {
        if (c == ':')
            out += "&colon;";
        else
            out.push_back(c);
    }
    return out;
}

namespace
{

// Offset of the ":" after a name that could be a scheme (two or more
// letters, digits, "+" or "-", starting with a letter), else 0.
std::size_t SchemeNameEnd(std::string_view address)
{
    if (address.empty() || !IsAsciiLetter(address[0]))
        return 0;
    std::size_t colon = 1;
    while (colon < address.size() && address[colon] != ':')
    {
        const char c = address[colon];
        const bool schemeChar = IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-';
        if (!schemeChar)
            return 0;
        ++colon;
    }
    return colon < address.size() && colon >= 2 ? colon : 0;
}

// True when the text after the ":" is a port: one to five digits, then the
// end, a path, a query or a fragment.
bool StartsWithPort(std::string_view rest)
{
    std::size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9')
        ++digits;
    return digits > 0 && digits <= 5 && (digits == rest.size() || rest.find_first_of("/?#", digits) == digits);
}

} // namespace

std::size_t SchemeLength(std::string_view address)
{
    const std::size_t colon = SchemeNameEnd(address);
    if (colon == 0)
        return 0;
    const std::string_view rest = address.substr(colon + 1);
    if (rest.starts_with("//"))
        return colon;
    const std::string_view name = address.substr(0, colon);
    const bool known = std::any_of(std::begin(kKnownSchemes), std::end(kKnownSchemes),
                                   [&](std::string_view scheme) { return EqualsNoCase(name, scheme); });
    if (!known)
        return 0;
    // "news:8080/" is the host "news" with its port, as a dotless host on a
    // local network is written in store form; only "tel:" takes bare digits.
    return StartsWithPort(rest) && !EqualsNoCase(name, "tel") ? 0 : colon;
}

std::size_t LinkSchemeLength(std::string_view value)
{
    const std::size_t colon = SchemeNameEnd(value);
    if (colon == 0 || SchemeLength(value) > 0)
        return colon;
    return StartsWithPort(value.substr(colon + 1)) ? 0 : colon;
}

bool HasSchemeNamed(std::string_view address, std::string_view scheme)
{
    return SchemeLength(address) == scheme.size() && EqualsNoCase(address.substr(0, scheme.size()), scheme);
}

bool HasOwnScheme(std::string_view address)
{
    return SchemeLength(address) > 0 || (address.size() >= 2 && address[1] == ':' && IsAsciiLetter(address[0]));
}

} // namespace rv
