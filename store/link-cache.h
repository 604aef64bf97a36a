// TCache: the link cache of one brief run.
//
// It remembers every URL the run has met (queued, retrieved, redirected,
// refused) with what the run driver keeps about it. A large crawl yields
// millions of URLs, so only a bounded part of it stays in memory:
// - the top-level table: 97 buckets of at most 10 records each. The 11th
//   distinct URL of a bucket moves the bucket's records to the spill file,
//   where every later record of that bucket goes too;
// - the index of the spill file: an extendible hash of 4 KiB pages, each
//   holding up to 510 pairs of a keyed 32-bit hash of a URL and the offset of
//   its record. At most ResidentIndexPages of them (8 MiB by default) are
//   kept in memory, one not used lately written back when another is
//   needed. The directory (at most 2^20 page numbers, 4 MiB) and 12 bytes
//   per page (at most 6 MiB for a 2 GiB file) stay in memory;
// - the last appended bytes of the spill file, at most 64 KiB, written in
//   one go (store/spill-file.h).
// So the cache holds at most about 970 records, ResidentIndexPages pages and
// 10 MiB of page bookkeeping, however many links the run meets.
//
// Work per operation does not depend on how many links are stored: a lookup
// reads at most one index page and, when its hash is found, the record; an
// add appends one record; an update rewrites its record in place, or
// appends it when it has grown.
//
// Spill file layout (a working file of this run only; all numbers 32-bit
// little-endian). Index pages and records follow each other in the order
// they were made. An index page is 4096 bytes: the number of pairs, the
// page's depth (how many low bits of the hash its URLs share), then the
// pairs (hash, record offset) sorted by hash. A record is its slot size
// (the bytes it may take, these 8 included), the bytes it uses, then Url,
// Title, KeepText (1 byte), Level, Visited (1), Mark (1), Text, Option (1),
// ForwardTo, Origin, every text as its length and its bytes. The link
// object is not kept: a record read back has none. A record that outgrows
// its slot moves to the end of the file; once such left-behind slots pass
// GarbageLimit and outweigh the live bytes, the live records and pages are
// copied to a new file and the old one is deleted.
//
// Errors: a failure to create, write or read the spill file, and damage found
// in it, throw CacheSpillError (store/spill-file.h); the run ends with a disk
// error. An Add that fails leaves the cache as it was (a failed write in
// place may damage the one record it was writing). New records reach the
// file 64 KiB at a time, so a full disk shows at the Add that sets off such
// a write, not necessarily at the one whose record did not fit.
//
// Threads: every public operation takes the run lock handed to the
// constructor for its whole duration, so the socket worker, the run driver
// thread and the summary writer may call it concurrently. Records returned
// by Add and Find are detached copies owned by the caller.
#pragma once

#include "store/page-l-list.h"
#include "store/run-lock.h"
#include "store/spill-file.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace rv
{

// One bucket of a link cache table.
struct TCachePageLList
{
    TPageLList List;              // the records while they are in memory
    std::int32_t Count = 0;       // records in List, or how many it had when it moved to disk
    std::int32_t DiskOffset = -1; // -1 in memory; else its records are in the spill file, the first written here
};

struct TCacheTable
{
    static constexpr int BucketCount = 97;

    explicit TCacheTable(std::int32_t level) : TableLevel(level) {}

    std::int32_t TableLevel;
    std::array<TCachePageLList, BucketCount> Buckets;
};

// The fields of one record as Add takes them; what a caller leaves out is
// empty or 0: cache.Add({.url = key, .title = key, .level = 1}).
struct CacheAdd
{
    std::string_view url = {};
    std::string_view title = {};
    bool returnCopy = false;
    std::string_view origin = {};
    std::string_view forwardTo = {};
    std::uint8_t option = 0;
    std::string_view text = {};
    std::uint8_t mark = 0;
    TCacheLink* link = nullptr;
    std::uint8_t visited = 0;
    std::int32_t level = 0;
    std::uint8_t keepText = 0;
};

// Where a URL stands in the run: TPageRecord's Visited and Level.
struct CacheVisit
{
    std::uint8_t Visited = 0;
    std::int32_t Level = 0;
};

struct TCacheOptions
{
    // Left-behind record slots in the spill file may reach this many bytes
    // (and at least as many as the live ones) before they are reclaimed.
    std::int64_t GarbageLimit = std::int64_t{64} << 20;
    // The spill file never grows past this (offsets are 32-bit).
    std::int64_t MaxSpillBytes = MaxSpillFileBytes;
    // Index pages kept in memory (4 KiB each); at least 2.
    std::size_t ResidentIndexPages = 2048;
};

class TCache
{
public:
    static constexpr int BucketCount = TCacheTable::BucketCount;
    static constexpr int TopLevelBucketLimit = 10;
    static constexpr std::size_t IndexPageBytes = 4096;
    static constexpr int MaxIndexDepth = 20;

    // Makes the top-level table and an empty spill file in the temporary
    // folder of `programFolder` (store/temp-files.h). `lock` must outlive the
    // cache. Throws CacheSpillError when no spill file can be made.
    TCache(const std::filesystem::path& programFolder, RunLock& lock, TCacheOptions options = {});
    // Destroy().
    ~TCache();
    TCache(const TCache&) = delete;
    TCache& operator=(const TCache&) = delete;

    // Inserts a record, or overwrites every field of the record with that
    // URL. Text is kept only when it is non-empty and keepText is 1; every
    // '"' in the title is stored as "&quot;". When `link` is given, its
    // TakeCachedText(keepText, text) is called on the calling thread, with
    // the run lock held, once the record is stored. Returns a detached copy
    // of the stored record when `returnCopy` is set, else null. The views in
    // `fields` need to live only for the call.
    std::unique_ptr<TPageRecord> Add(const CacheAdd& fields);

    // A detached copy of the record for `url`, following ForwardTo to the
    // record the URL was redirected to; null when there is none, when the
    // redirect target is not in the cache, or when redirects run in a circle.
    // The empty URL is an ordinary key (Add stores an absent URL as empty).
    std::unique_ptr<TPageRecord> Find(std::string_view url);
    // Whether Find would find a record, without copying its texts.
    bool Contains(std::string_view url);
    // Visited and Level of the record Find would return, without copying
    // its texts.
    std::optional<CacheVisit> VisitOf(std::string_view url);

    // Stores every field of `record` under its URL; when the stored record
    // forwards, into the record it forwards to (whose URL stays). A URL that
    // is not in the cache is not inserted: returns false. Frees `record`.
    bool Put(std::unique_ptr<TPageRecord> record);
    // Releases a detached record (the same as letting it go).
    static void Free(std::unique_ptr<TPageRecord> record) { record.reset(); }

    // Closes and deletes the spill file and frees every record. The cache
    // holds nothing afterwards; an Add that needs the file throws.
    void Destroy();

    // The top-level bucket of a URL is Hash(url, 0). Sum of each byte
    // (unsigned) times its weight, modulo 97; the weights run 1, 2, ...
    // level+1 and then start again at 1.
    static std::uint32_t Hash(std::string_view url, std::int32_t level);

    RunLock& Lock() { return lock_; }

    // For inspection and tests. Bucket() reads the top-level table without
    // the lock: call it only while no other thread uses the cache.
    std::filesystem::path SpillFileName() const;
    std::int64_t SpillEnd() const;
    std::int64_t GarbageBytes() const;
    const TCachePageLList& Bucket(int index) const;
    // Writes the spill file's bytes that wait in memory, so that the file can
    // be read as it is.
    void Flush();
    // Everything read from and written to spill files since the cache was made.
    SpillTraffic Traffic() const;

private:
    struct IndexPage
    {
        std::int32_t Offset = -1; // in the spill file
        std::int32_t Frame = -1;  // in frames_ while in memory
        std::uint32_t Depth = 0;
    };
    struct Frame
    {
        std::uint32_t Page = 0;
        bool Dirty = false;
        bool Used = false;
        std::array<unsigned char, IndexPageBytes> Bytes{};
    };
    struct DiskRecord
    {
        TPageRecord Record;
        std::int32_t Offset = -1;
        std::uint32_t Slot = 0;
    };

    enum class RecordFields
    {
        All,
        Standing,  // the numbers and ForwardTo; Url, Title, Text and Origin empty
        PlaceOnly, // only where the record is: Offset and Slot
    };

    std::optional<TPageRecord> Resolve(std::string_view url, RecordFields fields);
    std::optional<TPageRecord> Lookup(std::string_view url, RecordFields fields);
    void AddTo(TPageRecord record, TPageRecord* copy);
    bool PutIn(TPageRecord& record);

    std::uint32_t KeyHash(std::string_view url) const;
    std::optional<DiskRecord> DiskFind(std::string_view url, std::uint32_t hash, RecordFields fields);
    void DiskStore(const TPageRecord& record);
    void DiskUpdate(const DiskRecord& stored, const TPageRecord& record);
    void IndexInsert(std::uint32_t hash, std::int32_t offset);
    void SplitPage(std::uint32_t page);
    Frame& Resident(std::uint32_t page);
    void ReadSlot(std::int32_t offset, std::uint32_t* slot, std::string& bytes) const;
    [[noreturn]] void Damaged(const char* what) const;

    void CompactIfDue();
    void Compact();

    RunLock& lock_;
    TCacheOptions options_;
    std::filesystem::path programFolder_;
    std::unique_ptr<TCacheTable> top_;
    SpillFile spill_;
    std::uint64_t seed_;
    std::uint32_t depth_ = 0;              // of the directory
    std::vector<std::uint32_t> directory_; // low depth_ bits of a hash -> page
    std::vector<IndexPage> pages_;
    std::vector<Frame> frames_;
    std::size_t clockHand_ = 0;
    SpillTraffic retiredTraffic_; // of the files that compactions replaced
    std::int64_t garbage_ = 0;
    std::string slotBytes_; // the record DiskFind read last
};

} // namespace rv
