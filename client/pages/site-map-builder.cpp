#include "client/pages/site-map-builder.h"

#include "client/briefs/web-page.h"
#include "client/pages/retrieval-list.h"
#include "client/pages/retrieval-request.h"
#include "store/archive-writer.h"
#include "store/site-map-index.h"
#include "store/site-map-pages.h"
#include "store/site-map.h"

#include <utility>

namespace rv
{
namespace
{

// Index flags that make the server's navigation bar on a page offer the
// entry's site map and its Smart Search matches. Each generated page links
// to the other one when the entry has it.
constexpr std::uint8_t SiteMapButtonFlag = 0x01;
constexpr std::uint8_t SmartSearchButtonFlag = 0x02;

// The entry is its start page alone: nothing to map.
bool StartPageAlone(const SiteMapEntry& first)
{
    return first.Depth <= 1 && first.Entry->LocalOnly;
}

bool MatchesOnly(const TWebPage& entry)
{
    return entry.PreserveOnly && entry.SmartSearch && !entry.SearchFor.empty();
}

bool StorePage(TKSDB& archive, const std::string& name, std::uint8_t flags, std::int32_t linkNumber, const GeneratedPage& page)
{
    // No redirects lead to a generated page: its referrer list stays empty.
    if (!archive.BeginPage(name, "text/html", nullptr, flags, "", static_cast<std::int16_t>(linkNumber)) ||
        !archive.Append(page.Text))
        return false;
    archive.SetHead(static_cast<std::int32_t>(page.HeadOffset), static_cast<std::int32_t>(page.HeadLength));
    return archive.EndPage();
}

// The site map goes into the archive as it is written, never whole in memory.
bool StoreTocPage(TKSDB& archive, const std::string& name, std::uint8_t flags, std::int32_t linkNumber,
                  const SiteMapIndex& index, std::size_t entry, const SiteMapEntryDetails& details)
{
    if (!archive.BeginPage(name, "text/html", nullptr, flags, "", static_cast<std::int16_t>(linkNumber)))
        return false;
    bool appended = true;
    WriteTocPage(index, entry, &details, [&](std::string_view piece) { appended = appended && archive.Append(piece); });
    if (!appended)
        return false;
    archive.SetHead(static_cast<std::int32_t>(TocPageHeadOffset), static_cast<std::int32_t>(TocPageHeadLength));
    return archive.EndPage();
}

} // namespace

FirstRequestLookup QueueFirstRequests(TRetrievalList& queue, const TBrief* brief)
{
    return [&queue, brief](std::int32_t linkNumber) -> std::optional<SiteMapEntry>
    {
        // With only spilled requests left, First reads them back and answers
        // null once; the second call gives the new head.
        TRetrievalList::Node* head = queue.First();
        if (!head)
            head = queue.First();
        for (TRetrievalList::Node* node = head; node; node = node->Next)
        {
            const RetrievalRequest* request = node->Request.get();
            if (request && request->Brief == brief && request->LinkNumber == linkNumber && request->Entry)
                return SiteMapEntry{request->Entry, request->URL, request->Depth, request->Uncounted != 0};
        }
        return std::nullopt;
    };
}

bool StoreEntryPages(TKSDB& archive, std::int32_t linkNumber, const SiteMapEntry& first, const SiteMapIndex& index)
{
    const auto entry = static_cast<std::size_t>(linkNumber);
    const TWebPage& page = *first.Entry;
    const bool alone = StartPageAlone(first);
    const bool matchesOnly = MatchesOnly(page);
    SiteMapEntryDetails details;
    details.Address = first.Url;
    details.SearchTerms = page.SearchFor;
    details.Inaccessible = first.Inaccessible;
    const std::string number = std::to_string(linkNumber);
    if (!alone && !matchesOnly &&
        !StoreTocPage(archive, "TOC" + number, page.SmartSearch ? SmartSearchButtonFlag : 0, linkNumber, index, entry, details))
        return false;
    if (page.SmartSearch && !first.Uncounted)
    {
        const std::uint8_t flags = alone || matchesOnly ? 0 : SiteMapButtonFlag;
        return StorePage(archive, "Match" + number, flags, linkNumber, MatchPage(index, entry, &details));
    }
    return true;
}

void BuildSiteMaps(TSiteMap& siteMap, TKSDB& archive, const FirstRequestLookup& firstRequest,
                   const std::function<void(int percent)>& progress)
{
    // The trees hold where each record lies in the file, not its texts.
    const SiteMapIndex index(siteMap);
    const std::size_t count = index.Count();
    for (std::size_t i = 0; i < count; ++i)
    {
        const auto linkNumber = static_cast<std::int32_t>(i);
        const std::optional<SiteMapEntry> first = firstRequest(linkNumber);
        if (first && first->Entry && archive.IsOpen())
            StoreEntryPages(archive, linkNumber, *first, index);
        if (progress)
            progress(static_cast<int>((i + 1) * 100 / count));
    }
}

} // namespace rv
