// The site map ("TOC" + n) and Smart Search match page ("Match" + n) of
// every entry of a finished brief, built from the brief's site-map notes
// and stored in its archive.
//
// Called by the run driver on the retrieval thread when it finishes a
// brief, after the brief's open requests were dropped and before the
// completed summary page and the index are written. The notes are read
// back from the site-map file in the order they were written; the file
// itself is left for the caller to destroy.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace rv
{

class TKSDB;
class TRetrievalList;
class TSiteMap;
struct TBrief;
class SiteMapIndex;
struct TWebPage;

// What an entry's pages take from the entry's first request.
struct SiteMapEntry
{
    const TWebPage* Entry = nullptr; // valid until BuildSiteMaps returns
    std::string Url;                 // the address the entry started from
    std::int32_t Depth = 0;          // the request's depth
    bool Uncounted = false;          // a request outside the run's counts gets no match page
    bool Inaccessible = false;       // a page of the entry could not be reached in this run
};

// The first request that took link number n, or nothing when none is left
// (its pages are then not written). The link number is the first number of
// the requests' identifiers, so it numbers the site-map trees, the pages
// ("TOC" + n, "Match" + n) and the summary page's links to them.
using FirstRequestLookup = std::function<std::optional<SiteMapEntry>(std::int32_t linkNumber)>;

// Looks through the retrieval queue, from its head, for the first request
// of the brief with that LinkNumber. The caller holds whatever keeps the
// queue still while the lookup is used (the driver's request lock).
FirstRequestLookup QueueFirstRequests(TRetrievalList& queue, const TBrief* brief);

// Reads every note of the site-map file, builds one tree per link number,
// and stores the pages of every link number from 0 up that the lookup
// finds, while the archive is open. Progress, when given, receives the
// percentage of trees done. Throws what the site-map file and the archive
// throw on input/output failures (SiteMapError, ArchiveError).
void BuildSiteMaps(TSiteMap& siteMap, TKSDB& archive, const FirstRequestLookup& firstRequest,
                   const std::function<void(int percent)>& progress = {});

// Stores the two pages of one link number from its tree in the index (none
// when nothing was noted): the site map unless the entry is its start page
// alone or keeps only its Smart Search matches; the match page when Smart
// Search is on and the request was counted. Returns false when the archive
// refused a page.
bool StoreEntryPages(TKSDB& archive, std::int32_t linkNumber, const SiteMapEntry& first, const SiteMapIndex& index);

} // namespace rv
