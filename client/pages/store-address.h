// The texts that stored pages use for links: the store form of an address
// and the fixed markers the local server recognises. Pure functions; any
// thread.
#pragma once

#include <string>
#include <string_view>

namespace rv
{

// Written in front of a link that was not retrieved; the server answers such a
// link from the index record that says why.
inline constexpr std::string_view kNotFollowedPrefix = "-/\\";
// Written in place of the address of content that was not loaded.
inline constexpr std::string_view kNotLoadedAddress = "images/NotLoaded";

// The address with every ":" written as "&colon;" (ports, "file:", drive
// letters), so that the browser treats the stored link as relative to the
// local server. Nothing else changes.
std::string EncodeForStore(std::string_view address);

// Length of the scheme name when the address begins with one: at least two
// letters, digits, "+" or "-", starting with a letter, then ":" and
// either "//" or, for a scheme pages use without it ("mailto:", "file:",
// "javascript:", "data:", ...), anything but a port number. So
// "localhost:8080/a" has no scheme: it is a host and its port. A single
// letter before ":" is a drive letter, not a scheme. 0 when there is none.
std::size_t SchemeLength(std::string_view address);

// The same for a link value as a page writes it, where any such name before
// ":" is a scheme ("skype:ann", "itms:..."), unless a port follows it: then
// it is a host and its port ("intranet:81/a").
std::size_t LinkSchemeLength(std::string_view value);

// True when the address begins with the scheme, compared without regard to
// case ("http", "javascript", "mailto", "file").
bool HasSchemeNamed(std::string_view address, std::string_view scheme);

// True when the address is followed as it is written, without "http://" in
// front: it has a scheme as above, or it is a drive-letter path ("C:\\x").
bool HasOwnScheme(std::string_view address);

} // namespace rv
