// TCache: the link cache of one brief run.
//
// It remembers every URL the run has met (queued, retrieved, redirected,
// refused) with what the run driver keeps about it. A large site yields tens
// of thousands of URLs, so only a bounded number of records stay in memory:
// the top-level table has 97 buckets of at most 10 records each; a bucket
// that overflows moves into a sub-table of 97 buckets (at most 20 records
// each, one level deeper, hashed differently) written to the spill file, and
// so on down. Sub-tables live in memory only during one operation.
//
// Spill file layout (all numbers 32-bit little-endian; every item is a 4-byte
// length followed by that many bytes, an empty text has length 0). A
// sub-table is the item TableLevel, then for each of the 97 buckets the item
// Count; when Count is not 0 the item DiskOffset; when DiskOffset is -1 the
// bucket's records, newest first, each as the items Url, Title, KeepText (1
// byte), Level (4), Visited (1), Mark (1), Text, Option (1), Link (4, the low
// bits of the object's address, ignored when read), ForwardTo, Origin. A
// bucket whose records moved deeper keeps, as Count, the number it held when
// it overflowed. Every rewrite of a sub-table appends a fresh copy; the file
// is compacted (live sub-tables copied to a new file, the old one deleted)
// after 100 Puts, or earlier when replaced copies outweigh the live ones.
//
// Errors: a failure to create, write or read the spill file, and damage found
// in it, throw CacheSpillError (store/spill-file.h); the run ends with a disk
// error. A failed write leaves the cache as it was before the operation.
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

namespace rv
{

// One bucket of a link cache table.
struct TCachePageLList
{
    TPageLList List;              // the records while they are in memory
    std::int32_t Count = 0;       // records in List, or how many it had when it moved to disk
    std::int32_t DiskOffset = -1; // -1 in memory; else where its sub-table is in the spill file
};

struct TCacheTable
{
    static constexpr int BucketCount = 97;

    explicit TCacheTable(std::int32_t level) : TableLevel(level) {}

    std::int32_t TableLevel;
    std::array<TCachePageLList, BucketCount> Buckets;
};

struct TCacheOptions
{
    // Replaced sub-table copies in the spill file may reach this many bytes
    // (and at least as many as the live copies) before a compaction is due
    // without waiting for 100 Puts; otherwise a run that adds many links and
    // stores few pages would grow the file without end.
    std::int64_t GarbageLimit = std::int64_t{64} << 20;
    // The spill file never grows past this (offsets are 32-bit).
    std::int64_t MaxSpillBytes = MaxSpillFileBytes;
    std::size_t ResidentIndexPages = 2048;
};

class TCache
{
public:
    static constexpr int BucketCount = TCacheTable::BucketCount;
    static constexpr int TopLevelBucketLimit = 10;
    static constexpr int SubTableBucketLimit = 20;
    static constexpr int PutsBeforeCompaction = 100;
    // Keys that collide at every level (possible for short keys, whose hash
    // stops changing from level to level) stay together in one bucket of a
    // table of this level, which then has no record limit.
    static constexpr std::int32_t MaxTableLevel = 8;

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
    // of the stored record when `returnCopy` is set, else null.
    std::unique_ptr<TPageRecord> Add(std::string_view url, std::string_view title, bool returnCopy, std::string_view origin,
                                     std::string_view forwardTo, std::uint8_t option, std::string_view text, std::uint8_t mark,
                                     TCacheLink* link, std::uint8_t visited, std::int32_t level, std::uint8_t keepText);

    // A detached copy of the record for `url`, following ForwardTo to the
    // record the URL was redirected to; null when there is none, when the
    // redirect target is not in the cache, or when redirects run in a circle.
    // The empty URL is an ordinary key (Add stores an absent URL as empty).
    std::unique_ptr<TPageRecord> Find(std::string_view url);
    // The same test without the copy.
    bool Contains(std::string_view url);

    // Stores every field of `record` under its URL; when the stored record
    // forwards, into the record it forwards to (whose URL stays). A URL that
    // is not in the cache is not inserted: returns false. Frees `record`.
    bool Put(std::unique_ptr<TPageRecord> record);
    // Releases a detached record (the same as letting it go).
    static void Free(std::unique_ptr<TPageRecord> record) { record.reset(); }

    // Closes and deletes the spill file and frees every record. The cache
    // holds nothing afterwards; an Add that needs the file throws.
    void Destroy();

    // Sum of each byte (unsigned) times its weight, modulo 97; the weights
    // run 1, 2, ... level+1 and then start again at 1.
    static std::uint32_t Hash(std::string_view url, std::int32_t level);

    RunLock& Lock() { return lock_; }

    // For inspection and tests. Bucket() reads the top-level table without
    // the lock: call it only while no other thread uses the cache.
    std::filesystem::path SpillFileName() const;
    std::int64_t SpillEnd() const;
    std::int64_t GarbageBytes() const;
    int PutCount() const;
    const TCachePageLList& Bucket(int index) const;
    // Everything read from and written to spill files since the cache was made.
    SpillTraffic Traffic() const;

private:
    void CompactIfDue(bool putsDue);
    void Compact();
    std::int32_t CopyTable(SpillFile& target, std::int32_t offset, std::int32_t level);

    void AddTo(TCacheTable& table, TPageRecord record, TPageRecord* copy);
    std::optional<TPageRecord> LookupIn(const TCacheTable& table, std::string_view url);
    std::optional<TPageRecord> Resolve(std::string_view url);
    bool PutIn(TCacheTable& table, TPageRecord& record);

    TCacheTable LoadTable(std::int32_t offset, std::int32_t level, std::int64_t* size = nullptr) const;
    std::optional<TPageRecord> ScanTable(std::int32_t offset, std::int32_t level, std::string_view url) const;
    void ReadLevel(SpillReader& in, std::int32_t level) const;
    bool ReadBucketHead(SpillReader& in, std::int32_t tableOffset, TCachePageLList& bucket) const;
    [[noreturn]] void Damaged(const char* what) const;
    std::int32_t WriteTable(SpillFile& file, const TCacheTable& table);

    RunLock& lock_;
    TCacheOptions options_;
    std::filesystem::path programFolder_;
    std::unique_ptr<TCacheTable> top_;
    SpillFile spill_;
    SpillTraffic retiredTraffic_; // of the files that compactions replaced
    std::int64_t garbage_ = 0;
    int putCount_ = 0;
};

} // namespace rv
