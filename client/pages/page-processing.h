// Page processing: what happens to every completed request that has a body.
//
// ProcessPage stores a page in the brief's archive (and, for HTML, scans it,
// rewrites its links and queues the ones to follow). The run driver calls it
// on the retrieval thread with the request claimed; entry pages go through
// change detection first (entry-page.h), which then calls it.
//
// Failures of the store throw ArchiveError / CacheSpillError / SiteMapError;
// the driver ends the run with "Disk Error".
#pragma once

#include "client/pages/page-context.h"
#include "client/pages/retrieval-request.h"

#include <string>
#include <string_view>

namespace rv
{

// The request must carry its entry (a request without one is passed over)
// and its brief's cache and archive (else the run's are used). Followed links
// are queued in context.Queue, each counted as outstanding in
// context.Run.Progress; request.ChildCount advances by one per new request.
void ProcessPage(PageContext& context, RetrievalRequest& request);

// The body of a completed request: the received bytes after the response
// header and its blank line, without the closing 0 byte.
std::string_view ReceivedBody(const RetrievalRequest& request);

// Records in the archive that the request's address was not stored because
// a stop, a skip or a brief limit came first, so that the server can say why
// its link leads nowhere.
void RecordSkipped(TKSDB& archive, const RetrievalRequest& request);

// The key a page is stored and cached under: the address without CR, LF,
// tab and fragment, in store form ("host/dir/page.html").
std::string PageKey(std::string_view address);

} // namespace rv
