// TRetrievalList: the requests of a run that wait for a connection, first in,
// first out.
//
// Keep at most Limit (100) requests in memory; the rest wait in an overflow
// file so that a deep site with tens of thousands of links cannot exhaust
// memory. Requests come back from the file, in the order they went in, as
// room is freed. Retries and redirects may be forced in beyond the limit.
//
// Overflow file record, one per request. Every item is a 32-bit
// little-endian length followed by that many bytes (length 0 for an absent
// or empty text): URL, FirstOfBrief (1), RequestId, ChildCount (4),
// Referrer, Entry (4), Brief (4), Cache (4), TopLink (EntryURL when empty),
// EntryURL, IndexDB (4), IsEntryPage (1), FollowExternal (1), LinkNumber (4),
// Depth (4), WentExternal (1), Level (4), LoadAsFile (1: bit 0 LoadAsFile,
// bit 1 FrameContext, bit 2 LocalSource),
// AlwaysSuccessful (1), LookupSlot (4), Uncounted (1), SkipRequested (1),
// Retries (4), TimeOut (4), UseCredentials (1), Deferred (1), Had401 (1);
// then the referrer chain as a raw 32-bit count followed by each address as a
// 32-bit length and its bytes. The four object references are small numbers
// that this list hands out for the objects it has met; they mean nothing
// outside the running program. The agent comment is not kept in the file.
//
// Ownership: the list owns the requests in memory and on file. Remove hands
// a request back to the caller.
//
// Errors: a failure to create, write or read the overflow file, or a record
// that cannot be read back, throws QueueFileError; the run ends with a disk
// error.
//
// Threads: every operation takes the run lock handed to the constructor (the
// one the link cache uses), so the main thread and the retrieval thread may
// call it concurrently. Node pointers stay valid until the node is removed or
// the list is cleared.
#pragma once

#include "client/pages/retrieval-request.h"
#include "store/run-lock.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

namespace rv
{

class TKSDB;

class QueueFileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class TRetrievalList
{
public:
    struct Node
    {
        Node* Next = nullptr;
        std::unique_ptr<RetrievalRequest> Request;
    };

    // Requests kept in memory before the rest go to the overflow file.
    static constexpr std::int32_t DefaultLimit = 100;
    // The overflow file is read through a window of this many bytes.
    static constexpr std::size_t ReadWindowBytes = 100000;
    // No single text in the overflow file is longer; a longer length means a
    // damaged file.
    static constexpr std::uint32_t MaxItemBytes = 16u * 1024 * 1024;

    // Called with a percentage while a drop walks the overflow file.
    using Progress = std::function<void(int percent)>;

    TRetrievalList(RunLock& lock, std::filesystem::path programFolder);
    ~TRetrievalList();
    TRetrievalList(const TRetrievalList&) = delete;
    TRetrievalList& operator=(const TRetrievalList&) = delete;

    // Appends in memory when the limit is -1, Count is below it, or force is
    // set; otherwise writes the request to the overflow file, frees it and
    // returns null.
    Node* Add(std::unique_ptr<RetrievalRequest> request, bool force = false);

    // The head. When the memory list is empty and requests are spilled, reads
    // back up to Limit of them and returns null for this call.
    Node* First();

    // Unlinks and frees the node, handing its request to `request` (or
    // freeing it when that is null); then reads one spilled request back.
    // Returns the new head.
    Node* Remove(Node* node, std::unique_ptr<RetrievalRequest>* request = nullptr);

    // Frees every node and request, deletes the overflow file, resets counts.
    void Clear();

    // Remove every spilled request of the brief (or entry) from the overflow
    // file; when an archive is given, a skipped record (address, address as
    // caption, link number, flags 0) is written to it for each.
    void DropBrief(const TBrief* brief, TKSDB* archive, const Progress& progress = {});
    void DropEntry(const TWebPage* entry, TKSDB* archive, const Progress& progress = {});

    std::int32_t Count() const { return count_; }
    std::int32_t Spilled() const { return spilled_; }
    std::int32_t Limit() const { return limit_; }
    void SetLimit(std::int32_t limit) { limit_ = limit; }
    RunLock& Lock() { return lock_; }
    // The overflow file, empty before the first overflow.
    std::filesystem::path OverflowPath() const { return segment_.path; }

private:
    struct Segment
    {
        std::filesystem::path path;
        std::FILE* file = nullptr;
        std::uint64_t writePosition = 0;
        std::uint64_t readPosition = 0;
        std::int32_t count = 0;
        // Bytes of the file from windowStart on, kept from one read to the
        // next; records are only appended, so they stay true until a drop
        // rewrites the file.
        std::string window;
        std::uint64_t windowStart = 0;
        // Where the stream stands: appending needs no seek after an append.
        std::uint64_t streamAt = 0;
    };
    struct Spill;

    Node* Append(std::unique_ptr<RetrievalRequest> request);
    void SpillRequest(const RetrievalRequest& request);
    std::string Serialize(const RetrievalRequest& request);
    std::unique_ptr<RetrievalRequest> ReadBack();
    void Drop(const std::function<bool(const RetrievalRequest&)>& matches, TKSDB* archive, const Progress& progress);
    std::uint32_t Reference(void* object);
    void* Dereference(std::uint32_t reference) const;
    void CloseSegment();

    RunLock& lock_;
    std::filesystem::path programFolder_;
    Node* head_ = nullptr;
    Node* tail_ = nullptr;
    std::int32_t count_ = 0;
    std::int32_t limit_ = DefaultLimit;
    std::int32_t spilled_ = 0;
    Segment segment_;
    std::vector<void*> objects_{nullptr};
    std::unordered_map<void*, std::uint32_t> references_;

    friend struct RecordReader;
};

} // namespace rv
