// RetrievalRequest: one address a brief run fetches, from the moment it is
// queued until the run driver has handled its result.
//
// Ownership: the retrieval queue (TRetrievalList) owns every request; the
// transfer worker and the run driver hold plain pointers while the request
// is in the queue. Entry, Brief, Cache and IndexDB point at objects the run
// keeps alive for as long as the request exists; the request never owns them.
//
// Threads: the retrieval thread and the main thread both work on requests.
// A thread touches a request's fields only between its own Claim and
// Release (run-state.h); a request that cannot be claimed is passed over.
#pragma once

#include "store/memory-stream.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace rv
{

struct TBrief;
struct TWebPage;
class TCache;
class TKSDB;

// A non-text body written straight to disk while it arrives. The file is
// closed and deleted when the request is freed, unless it was handed on.
class TempBodyFile
{
public:
    TempBodyFile() = default;
    ~TempBodyFile() { Discard(); }
    TempBodyFile(const TempBodyFile&) = delete;
    TempBodyFile& operator=(const TempBodyFile&) = delete;

    // Creates a fresh "bin" file in the temporary folder of programFolder.
    // Throws TempFileError or StreamError when it cannot be made.
    void Create(const std::filesystem::path& programFolder);
    bool IsOpen() const { return file_ != nullptr; }
    const std::filesystem::path& Path() const { return path_; }
    std::uint64_t Size() const { return size_; }
    // Appends bytes; false on a write failure.
    bool Append(const void* bytes, std::size_t count);
    // Closes the file and keeps it on disk (for the store to read it).
    void Close();
    // Closes and deletes the file.
    void Discard();

private:
    std::FILE* file_ = nullptr;
    std::filesystem::path path_;
    std::uint64_t size_ = 0;
};

// Where a request stands, as the run driver sees it.
enum class RequestState
{
    Waiting,  // queued for a connection
    Open,     // holds a connection
    Complete, // body or failure page ready, not yet handled
    Handled   // the driver has processed the result
};

using MonotonicTime = std::chrono::steady_clock::time_point;

struct RetrievalRequest
{
    RetrievalRequest() = default;
    RetrievalRequest(const RetrievalRequest&) = delete;
    RetrievalRequest& operator=(const RetrievalRequest&) = delete;

    // Queue and driver fields.
    std::uint8_t InUse = 0;
    std::string URL;
    std::uint8_t FirstOfBrief = 0;
    std::uint8_t SkipRequested = 0;
    std::string RequestId; // entry number, then one dotted child number per level
    std::int32_t ChildCount = 0;
    TRVMemoryStream Data;
    TWebPage* Entry = nullptr;
    TBrief* Brief = nullptr;
    TCache* Cache = nullptr;
    std::string TopLink;
    std::string EntryURL;
    std::uint8_t NotHTML = 0;
    std::uint8_t StartFailed = 0;
    // The request ended without its page (a failure page was stored): its
    // entry is reported as having an inaccessible page. Set by the transfer
    // worker, read by the driver once the request has ended.
    std::uint8_t PageInaccessible = 0;
    TKSDB* IndexDB = nullptr;
    std::uint8_t InProgress = 1;
    std::int32_t Socket = -1;     // socket slot of the transfer worker, -1: none
    std::int32_t LookupSlot = -1; // host look-up slot, -1: none
    std::uint8_t BodyReady = 0;
    // The transfer worker has told the end of this request's transfer and
    // holds nothing of it: no socket, look-up or pending report to cancel.
    std::atomic<bool> WorkerDone{false};
    std::uint8_t Processed = 0;
    std::int32_t Retries = 0;
    std::uint8_t IsEntryPage = 0;
    std::uint8_t LoadAsFile = 0;
    std::int32_t EntryIndex = 0;
    std::int32_t Depth = 0;
    std::int32_t Level = 1;
    std::uint8_t WentExternal = 0;
    std::uint8_t NotStarted = 1;
    MonotonicTime StartTime = std::chrono::steady_clock::now(); // creation, then last activity
    std::vector<std::string> ReferrerChain;
    std::uint8_t Uncounted = 0;
    std::int32_t Status = -1;
    std::uint8_t Deferred = 0;
    std::uint8_t TimedOut = 0;
    std::int32_t TimeOut = 10; // seconds
    TempBodyFile TempFile;
    std::int32_t LinkNumber = 0; // the entry's link number, the n of "n/" addresses
    // Fetched into a frame of a stored frameset: the stored page gets no
    // navigation frame of its own.
    std::uint8_t FrameContext = 0;
    // The address may be read from disk: the user gave it (an entry), or a
    // page read from disk links to it. An address that a network answer
    // names or redirects to never is, whatever its text looks like.
    std::uint8_t LocalSource = 0;
    std::uint8_t StyleNesting = 0; // a style sheet imported this many levels below a page's own
    // Linked or imported as a style sheet: a body of a generic type is kept
    // in memory and stored as one, its addresses followed and rewritten.
    std::uint8_t StyleSheet = 0;

    // Transfer fields.
    std::string RequestText; // freed once sent
    std::size_t BytesSent = 0;
    std::optional<std::string> Referrer; // page the link was found on, scheme optional
    std::uint8_t UseCredentials = 0;
    std::uint8_t FollowExternal = 0;
    std::uint8_t AlwaysSuccessful = 0;
    std::optional<std::string> AgentComment;
    std::uint8_t AwaitingResponse = 0;
    std::uint8_t HeaderComplete = 0;
    std::uint8_t Success = 0;
    std::string ContentType = "text/html";
    std::string Charset; // as the answer's Content-Type declared it; empty when it did not
    std::int64_t ContentLength = -1;
    std::uint64_t BytesReceived = 0;
    std::uint8_t RetryScheduled = 0;    // this request was replaced by a queued copy
    std::uint8_t IsRetryCopy = 0;       // this request is such a copy (or came back from the overflow file)
    std::uint8_t Had401 = 0;            // a 401 answer was met; the first one costs no attempt
    std::vector<std::string> Redirects; // addresses that were redirected to this one
    std::size_t HeaderLength = 0;       // bytes of the response header in Data, once complete
    std::uint8_t BodyCut = 0;           // the body reached its size limit and the rest was not read
    std::uint8_t BodyNotDecoded = 0;    // the body names a content coding it is not in: kept as received

    // Change detection's word to page processing, for an entry page only.
    // DiffMarkers: ascending offsets in the body (ReceivedBody) of the changed
    // blocks; page processing writes DiffMarkerMarkup (diff-marker.h) for
    // marker n before the first byte it copies at or past DiffMarkers[n], and
    // stores the page with flag 0x80 when there is any.
    std::vector<std::size_t> DiffMarkers;
    // The page is an entry page's unfiltered copy ("KSDiffOrigProcessed"):
    // store it with its links rewritten, but do not count it, enter it in the
    // site map or queue its links; the entry page itself does all that.
    std::uint8_t UnfilteredCopy = 0;
};

RequestState StateOf(const RetrievalRequest& request);

// A new request in the waiting state for the same address with the same
// options (entry, brief, links, depth, level, credentials, referrers),
// attempts and time-out kept, with a fresh transfer, marked as a retry copy.
// The caller owns it and usually puts it into the queue.
std::unique_ptr<RetrievalRequest> CopyForRetry(const RetrievalRequest& request);

// Frees the body, the request text and the temporary file (deleting it).
void FreeTransfer(RetrievalRequest& request);

} // namespace rv
