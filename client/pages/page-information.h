// The page a browser shows, as the client takes it into a brief: its
// address and title read from the browser's answer ("address","title",...),
// the address of a page that the local server shows out of an archive
// turned back into the web address it came from, and the entry made of it.
//
// Pure functions on byte strings, except AddBrowserPage, which changes the
// list on the main thread.
#pragma once

#include "client/briefs/user-message.h"
#include "client/briefs/web-list.h"

#include <string>
#include <string_view>

namespace rv
{

inline const UserMessage BrowserUnreachable{
    "Unable to get page from browser",
    "Ravelin is currently unable to contact your browser. Is the Browser Selection in the Preferences box up to date?"};

struct PageInformation
{
    std::string Address;
    std::string Title;

    bool operator==(const PageInformation&) const = default;
};

// Reads the browser's answer: with a "," the first field (quotes removed) is
// the address and the second (up to its closing quote) the title; without
// one the whole text is both. A title that holds "Netscape -" is the
// browser's window title around the page's: its first 12 characters and its
// last one are dropped.
PageInformation ParsePageInformation(std::string_view text);

// The address an entry stores for a page the browser shows: an address of
// the local server ("127.0.0.1:" and later ".rvd") becomes the address of
// the archived page, and every "&colon" or "&colon;" becomes ":".
std::string WebAddressOfPage(std::string_view address);

// A new web entry at the top of the list for the page: its address (as
// WebAddressOfPage gives it) and its title as name, the focused and only
// selected entry. Returns its position, or -1 when the information is empty
// or the list is full.
int AddBrowserPage(TWebList& list, const PageInformation& page, const EntryDefaultsRecords* defaults);

} // namespace rv
