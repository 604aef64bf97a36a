// The previous copy of an entry page: every retrieval stores the entry page
// as it was received under its start address + "KSDiffOrig"; the next
// retrieval of the brief fetches it back through the local page server and
// compares the new page with it.
//
// Runs on the retrieval thread (FetchPreviousCopy blocks it while the local
// server answers); the other functions are pure.
#pragma once

#include "client/pages/page-context.h"
#include "client/pages/retrieval-request.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

// Page-name suffixes of an entry page's copies in the archive: the page as
// received, and the page with links rewritten but without difference
// filtering.
inline constexpr std::string_view PreviousCopySuffix = "KSDiffOrig";
inline constexpr std::string_view UnfilteredCopySuffix = "KSDiffOrigProcessed";

// How long the local server may take to answer for the previous copy.
inline constexpr std::chrono::seconds PreviousCopyTimeOut{64};

// The address the entry page's copies are named after: the address its
// request started from (before any redirect), without trailing white space
// or fragment, so that it is the same in every retrieval.
std::string EntryStartAddress(const RetrievalRequest& request);

// The name the archive keeps the entry page's copies under, before their
// suffix: the start address in store form ("host/dir/page.html"), as pages
// are keyed.
std::string EntryPageName(const RetrievalRequest& request);

// The local server's address of a page in an archive, the archive taken by
// its absolute path.
std::string LocalServerAddress(std::int32_t port, const std::filesystem::path& archive, std::string_view pageName);

// The kept retrievals to take the previous copy from, newest first: those
// listed before `current` in archiveFiles (oldest first), or all but the
// last when `current` is not listed.
std::vector<std::string> EarlierRetrievals(const std::vector<std::string>& archiveFiles, std::string_view current);

// The stored page as the local server sends it: without the base tag it
// writes in front of every stored page.
std::string_view WithoutServerBaseTag(std::string_view body);

// True when a stop or a skip of the page's entry is pending: the entry page
// is then abandoned.
bool EntryPageAbandoned(const PageContext& context, const RetrievalRequest& page);

// Fetches the entry page's previous copy from the newest earlier retrieval
// that has one. Gives up at once when the local server does not answer at
// all (it is not running) or a stop or skip is pending. Returns the copy's
// bytes, or nothing.
std::optional<std::string> FetchPreviousCopy(PageContext& context, const RetrievalRequest& page);

} // namespace rv
