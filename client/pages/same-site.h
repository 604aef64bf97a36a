// Whether two addresses belong to one site: the host of the first equals the
// registered domain of the second's host or lies below it.
//
// Registered domains come from the public suffix list (libpsl with the
// system's list), so www.example.co.uk and news.example.co.uk are one site
// while www.example.co.uk and www.other.co.uk are not. A host whose suffix
// the list does not know counts its last label as the suffix (w.b.c and
// n.b.c are one site). IP addresses are compared whole.
//
// Threads: safe from any thread; the list is loaded once.
#pragma once

#include <string>
#include <string_view>

namespace rv
{

// The registered domain of a host (lower case, no port); the whole host when
// it is an IP address, has no dot, or is itself a public suffix.
std::string RegisteredDomain(std::string_view host);

// Addresses may carry a scheme, a port and a path.
bool SameSite(std::string_view url, std::string_view startUrl);

} // namespace rv
