// Small pieces of the address texts the engine queues: "host[:port]/path",
// with or without a leading scheme. Nothing here allocates beyond the
// returned texts; views point into the argument.
#pragma once

#include "store/ascii-text.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace rv
{

// The address without "scheme://" when "://" comes before the first "/".
std::string_view StripScheme(std::string_view url);
// True when the address carries a scheme as above.
bool HasScheme(std::string_view url);
// The text before the first "/" of the address without its scheme.
std::string_view HostOf(std::string_view url);
// host[:port] without ":port".
std::string_view HostWithoutPort(std::string_view host);
// The port after ":" in host[:port]; 80 when absent or not a number 1..65535.
std::uint16_t PortOf(std::string_view host);
// From the first "/" up to a "#", or "/" when the address has no slash.
std::string PathOf(std::string_view url);

// The address without LF, CR and TAB.
std::string RemoveLineBreaks(std::string_view url);
// True when any byte is a control byte (below 32, or 127). Such an address
// is refused: it would let a page inject lines into the request.
bool HasControlBytes(std::string_view text);
// The text without control bytes, for header values taken from settings
// and pages.
std::string WithoutControlBytes(std::string_view text);

// Four groups of 1 to 3 decimal digits separated by three dots, each at
// most 255, and nothing else. Such hosts are never looked up.
bool IsDottedQuad(std::string_view host);

} // namespace rv
