#include "client/pages/link-list.h"

#include "client/briefs/brief.h"
#include "client/briefs/web-page.h"
#include "client/pages/local-file-url.h"
#include "client/pages/same-site.h"
#include "client/pages/store-address.h"
#include "client/pages/url-parts.h"
#include "store/link-cache.h"

#include <mutex>

namespace rv
{
namespace
{

// The depth budget of the new request, and whether its chain has now left
// the entry's site.
std::int32_t BudgetFor(const RetrievalRequest& page, const FoundLink& link, bool& wentExternal)
{
    wentExternal = page.WentExternal != 0;
    const TWebPage* entry = page.Entry;
    if (link.Embedded || !entry || entry->LocalOnly || page.WentExternal)
        return link.Depth;
    const std::string& top = page.TopLink.empty() ? page.EntryURL : page.TopLink;
    if (top.empty() || SameSite(link.Address, top))
        return link.Depth;
    wentExternal = true;
    return entry->ExternalDepth + 1;
}

// The address to fetch for a link in store form. A link on an "https" page
// to the same host is fetched over "https" too; any other goes out as
// "http", and a site that wants "https" redirects it there.
std::string FetchUrlOf(const RetrievalRequest& page, const std::string& address)
{
    if (!HasSchemeNamed(page.URL, "https") || SchemeLength(address) > 0)
        return address;
    const std::string_view pageHost = HostOf(page.URL);
    const std::string_view linkHost = std::string_view(address).substr(0, address.find('/'));
    return pageHost == linkHost ? "https://" + address : address;
}

} // namespace

std::unique_ptr<RetrievalRequest> MakeLinkRequest(RetrievalRequest& page, const FoundLink& link)
{
    auto child = std::make_unique<RetrievalRequest>();
    child->URL = FetchUrlOf(page, link.Address);
    child->RequestId = page.RequestId + "." + std::to_string(page.ChildCount);
    page.ChildCount += 1;
    child->Entry = page.Entry;
    child->Brief = page.Brief;
    child->Cache = page.Cache;
    child->IndexDB = page.IndexDB;
    child->TopLink = page.TopLink;
    child->EntryURL = page.EntryURL;
    child->EntryIndex = page.EntryIndex;
    child->LinkNumber = page.LinkNumber;
    child->TimeOut = page.TimeOut;
    child->Level = link.Refresh ? page.Level : page.Level + 1;
    child->LoadAsFile = link.Embedded ? 1 : 0;
    // Embedded content is fetched wherever it lives, whatever the site rule.
    child->FollowExternal = link.Embedded ? 1 : 0;
    // Only a page read from disk may lead to another file on disk.
    child->LocalSource = page.LocalSource && IsLocalFileUrl(page.URL) ? 1 : 0;
    child->FrameContext = link.FrameContext ? 1 : 0;
    child->StyleNesting = link.StyleNesting;
    child->StyleSheet = link.StyleSheet ? 1 : 0;
    child->Referrer = page.URL;
    bool wentExternal = false;
    child->Depth = BudgetFor(page, link, wentExternal);
    child->WentExternal = wentExternal ? 1 : 0;
    if (link.Refresh)
    {
        // The refresh page leads here the way a redirect would: it is stored
        // as an alias of the target.
        child->ReferrerChain = page.ReferrerChain;
        child->ReferrerChain.push_back(page.URL);
        if (page.IsEntryPage)
            child->TopLink = link.Address;
    }
    child->NotStarted = 1;
    child->InProgress = 1;
    return child;
}

std::size_t QueueFoundLinks(PageContext& context, RetrievalRequest& page, LinkList& links)
{
    std::size_t queued = 0;
    TCache* cache = page.Cache;
    for (const FoundLink& link : links)
    {
        if (context.State.SkipEntryTarget.load() != nullptr)
            break;
        bool wentExternal = false;
        const std::int32_t budget = BudgetFor(page, link, wentExternal);
        std::lock_guard<RunLock> hold(context.Queue.Lock());
        if (cache)
        {
            const std::optional<CacheVisit> known = cache->VisitOf(link.Address);
            if (known && known->Visited && known->Level >= budget)
                continue;
            if (known)
            {
                // A redirected address updates the record it leads to.
                if (std::unique_ptr<TPageRecord> record = cache->Find(link.Address))
                {
                    record->Visited = 1;
                    record->Level = budget;
                    cache->Put(std::move(record));
                }
            }
            else
                cache->Add({.url = link.Address,
                            .title = link.Address,
                            .option = std::uint8_t(link.Embedded ? 1 : 0),
                            .visited = 1,
                            .level = budget});
        }
        std::unique_ptr<RetrievalRequest> child = MakeLinkRequest(page, link);
        CountOutstanding(context.Run.Progress, *child, 1);
        context.Queue.Add(std::move(child));
        ++queued;
    }
    links.clear();
    return queued;
}

} // namespace rv
