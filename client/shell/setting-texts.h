// The texts that client settings are stored as: numbers, the browser path, the proxy host, scrambled
// credentials, packed lists and item lists. Pure functions on byte strings; any thread.
//
// Readers never fail: a damaged text gives the part that could be read, and no reader reads past the end of
// its input or reserves memory for a length it has not checked against what is there.
#pragma once

#include "store/ascii-text.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

// A stored number brought into [low, high]: a number outside is moved to the nearest end, so that a
// hand-edited "Max Sockets" of 5000 cannot make a run open 5000 connections. Nothing when the text is not
// a number.
std::optional<std::int64_t> ParseNumberInRange(std::string_view text, std::int64_t low, std::int64_t high);

// The browser path is stored between double quotes. Reading gives the text between the quotes of a quoted
// value; an unquoted value loses everything from its last blank on ("/usr/bin/browser -new" gives
// "/usr/bin/browser").
std::string QuotedBrowserPath(std::string_view path);
std::string BrowserPathFromStored(std::string_view stored);

// The browser's service name: "NETSCAPE" when the path contains "netscape" in any case, otherwise the file
// name without folder and extension in upper case ("/usr/bin/firefox-esr" gives "FIREFOX-ESR").
std::string BrowserServiceOf(std::string_view path);

// The proxy host without any leading scheme: everything up to and including the first "://" goes
// ("http://cache.example:3128" gives "cache.example:3128").
std::string ProxyHostWithoutScheme(std::string_view text);

// A stored credential is one byte holding the length of the escaped scrambled text (1 to 255), then that
// text: the scrambled bytes with every zero byte written as "\" "0" and every "\" as "\" "\". An empty
// credential is the empty string.
//
// The length byte limits the escaped text to 255 bytes. A longer credential is cut to the longest beginning
// of the plain text that fits (about 185 bytes, fewer when the escapes take room), so the stored value is
// always whole; CredentialFits() lets a dialog refuse such a text before it gets here.
inline constexpr std::size_t MaxEscapedCredentialBytes = 255;
std::string StoredCredential(std::string_view plain);
std::string CredentialFromStored(std::string_view stored);
bool CredentialFits(std::string_view plain);

// A packed list: per item one byte holding the item's length + 1, then its bytes; a zero byte ends the list.
// The length byte limits an item to 254 bytes; a longer item cannot be stored whole and is left out, never
// cut (a host or path cut short would name something else). Reading stops at the zero byte, at the
// end of the text, or at an item whose length runs past the end.
inline constexpr std::size_t MaxPackedItemBytes = 254;
std::string PackList(const std::vector<std::string>& items);
std::vector<std::string> UnpackList(std::string_view packed);

// "Previous Briefs": always 4 slots, most recent first, an empty slot for a missing path or one too long to
// store. Reading gives the
// paths in order without empty slots and without repeats, at most 4.
inline constexpr std::size_t PreviousBriefSlots = 4;
std::string PackPreviousBriefs(const std::vector<std::string>& paths);
std::vector<std::string> UnpackPreviousBriefs(std::string_view packed);

// An item list: the items one after another, each written as its length in decimal, "/", and its bytes.
// Reading stops at the first item that is not of that form or runs past the end.
std::string JoinItemList(const std::vector<std::string>& items);
std::vector<std::string> SplitItemList(std::string_view text);

} // namespace rv
