// The addresses an entry's run starts from. A web entry has its own URL; a
// search-engine entry has one address per chosen engine; a directory entry
// has the directory's own search, one address per chosen engine and one per
// chosen category. The run driver queues one request per target, and the
// summary page links each one.
#pragma once

#include "client/briefs/web-page.h"
#include "client/pages/definition-set.h"
#include "client/pages/entry-target.h"

#include <string>
#include <string_view>
#include <vector>

namespace rv
{

// Name of the directory's own search among a directory entry's targets.
inline constexpr std::string_view DirectorySearchName = "Yahoo! Search";

// The targets of an entry, in order:
// - web: {caption, URL as the entry holds it}, even when the URL is empty;
// - search: per name of the entry's engine list that names a known engine
//   (names compared exactly, unknown names skipped), {engine name, address};
// - directory: with SearchYahoo on, {DirectorySearchName, the directory's
//   search}; then per item of the engine list {name, address} (an item
//   without a tab is looked up by name as above); then per
//   category {the names before its tab (joined by BEL, code 7), the address
//   after it}.
// Search addresses are in the engine's form: an "http://" scheme is taken
// off, other schemes stay.
std::vector<EntryTarget> EntryTargets(const TWebPage& entry, const DefinitionSet& definitions);

// The query as it goes into an address: blanks and tabs become "+"; "%",
// "&", "+", "#", quotation marks, angle brackets, control bytes and bytes
// above 127 are sent as "%XX" so that the query cannot end the parameter,
// start a fragment or break the request line.
std::string QueryForAddress(std::string_view query);

// Finishes a search address: unless it begins with "file:", a leading
// "http://" is removed when "://" comes before any "/" and "."; another
// scheme stays. A host with no "/" or "\" after it gets one, before the
// "?" of the query (at the end when there is none).
std::string FinishSearchAddress(std::string address);

// query address + "?" + prefix + query, finished.
std::string SearchAddress(const SearchEngine& engine, std::string_view query);

// host + "/bin/search?p=" + query, finished.
std::string DirectorySearchAddress(std::string_view host, std::string_view query);

// The stored text of an engine in a directory entry's engine list:
// name, a tab, query address, "?" and prefix.
std::string DirectoryEngineText(const SearchEngine& engine);

} // namespace rv
