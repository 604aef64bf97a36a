// TFetch: decides how an address is fetched, starts the transfer, and turns
// what came back into the page the run stores.
//
// Fetch reads local files itself when the request came from the user or a
// local page (never from a network answer), refuses links that leave the entry's
// site when the entry stays local, and otherwise builds the HTTP/1.0 request
// (direct or through the proxy, with or without Basic credentials) and
// hands it to the transfer worker. When an answer is complete the worker
// calls HandleResponse, which reads the status: redirects queue the new
// address, a 401 queues a retry with credentials, and every answer without a
// usable page gets an explanatory page in its place. Failures never throw:
// they end as stored pages.
//
// Threads: the main thread, with the worker. Ownership: none of the
// requests; the queue receives every new request (redirect targets, retries).
#pragma once

#include "client/pages/retrieval-request.h"
#include "client/pages/retrieval-settings.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace rv
{

struct RunState;
class TAsyncThread;
class TRetrievalList;

// A redirect chain longer than this ends as a failure page; it is a loop.
constexpr std::size_t MaxRedirects = 20;

class TFetch
{
public:
    // The worker's response handler is set to HandleResponse.
    TFetch(RunState& state, const RetrievalSettings& settings, TAsyncThread& worker, TRetrievalList& queue);

    // Handles one request: returns whether it was handled (a transfer started
    // or a page stored). Done and success flags are set on the request.
    bool Fetch(RetrievalRequest& request);

    // Interprets a complete answer whose status the worker has read.
    void HandleResponse(RetrievalRequest& request);

    // Where new requests made from an answer go (redirect targets, retries
    // with credentials); by default to the end of the queue, forced in.
    using Requeue = std::function<void(std::unique_ptr<RetrievalRequest>)>;
    void SetRequeue(Requeue requeue) { requeue_ = std::move(requeue); }
    // The settings of the next run; called while no run is under way.
    void SetSettings(const RetrievalSettings& settings) { settings_ = settings; }

private:
    bool FetchLocalFile(RetrievalRequest& request, const std::string& url);
    void HandleRedirect(RetrievalRequest& request);
    void HandleUnauthorized(RetrievalRequest& request);
    void StoreStatusPage(RetrievalRequest& request, int status);
    void EndWithoutPage(RetrievalRequest& request);

    RunState& state_;
    RetrievalSettings settings_; // the run's own copy
    TAsyncThread& worker_;
    TRetrievalList& queue_;
    Requeue requeue_;
};

// The address a "Location:" value leads to from `current`: "http://"
// dropped, any other scheme ("https", "file"...) kept, a value beginning
// with "/" taken on the current host, any other value without a scheme
// taken relative to the current folder; both keep an "https" current
// address's scheme.
std::string ResolveLocation(std::string_view current, std::string_view location);

} // namespace rv
