// The links a page's scan decided to follow, and how they become requests
// in the retrieval queue once the page is stored.
//
// Threads: the retrieval thread, with the page's request claimed. Queueing
// takes the run lock (the one the queue and the link cache share) for each
// link, so that the look-up in the cache, its update and the queueing happen
// together.
#pragma once

#include "client/pages/page-context.h"
#include "client/pages/retrieval-request.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace rv
{

struct FoundLink
{
    std::string Address;           // store form, without fragment
    std::int32_t Depth = 0;        // depth budget: the page's Depth, plus one for a frame
    bool Embedded = false;         // fetched as a file (images, plug-ins, style sheets...)
    bool FrameContext = false;     // fetched into a frame: it gets no navigation frame of its own
    bool Refresh = false;          // a meta refresh target: keeps the page's level
    std::uint8_t StyleNesting = 0; // a style sheet's imports above it (0: a page's own)
    bool StyleSheet = false;       // linked or imported as a style sheet
};

using LinkList = std::vector<FoundLink>;

// A new waiting request for `address` found on `page`: entry, brief, cache,
// archive, TopLink, EntryURL, entry index, link number and time-out
// inherited; Level one more than the page's (the same for a refresh);
// RequestId the page's, "." and the page's ChildCount, which advances. A
// page link that leaves the entry's site for the first time, on an entry
// that may leave it, gets ExternalDepth + 1 as its budget and WentExternal.
// Embedded content may leave the site (FollowExternal); only a page read
// from disk passes LocalSource on.
std::unique_ptr<RetrievalRequest> MakeLinkRequest(RetrievalRequest& page, const FoundLink& link);

// Queues the links in order, each unless the link cache says it was queued
// already with at least the same budget; marks each queued address visited
// with its budget. Each new request counts as outstanding in the run's
// record of the brief (context.Run.Progress). Stops early when an entry skip is waiting. Returns how many
// were queued; `links` is emptied.
std::size_t QueueFoundLinks(PageContext& context, RetrievalRequest& page, LinkList& links);

} // namespace rv
