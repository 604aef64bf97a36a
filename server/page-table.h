// The page table of one open archive: every indexed page or link by the name
// the browser asks for.
//
// A table has 103 buckets; a bucket keeps a list of at most 20 entries and
// turns into a nested table of the next level when one more arrives, so that
// lookups in large archives stay short. Tables own their entries. Not
// thread-safe; the server uses them from its one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

// One index record as the server keeps it.
struct PageEntry
{
    std::string key;           // the page name, optionally with a number prefix ("3/")
    std::int32_t position = 0; // archive offset of the page; 0 or less: a link not retrieved, and why
    std::int32_t length = 0;   // stored length (plain archives)
    std::string contentType;   // empty means "text/html"
    std::int16_t number = -1;  // the entry's site map and match page number; -1 none
    std::uint8_t flags = 0;    // decoration and link-kind bits (PageFlag)
    std::optional<std::string> firstExtra;
    std::string title; // shown in the header bar
    std::string secondExtra;
    std::int32_t headOffset = -1; // start of the page's leading part in its plain bytes; -1 none
    std::int32_t headLength = 0;
    std::uint32_t extra = 0;
};

namespace PageFlag
{
constexpr std::uint8_t SiteMap = 0x01;
constexpr std::uint8_t SmartSearch = 0x02;
constexpr std::uint8_t OriginalLink = 0x04;
constexpr std::uint8_t Frameset = 0x08;
constexpr std::uint8_t NoBaseA = 0x10;      // with Frameset: no base tag; on a link: other protocol
constexpr std::uint8_t NoBaseB = 0x20;      // with Frameset: no base tag; on a link: mail link
constexpr std::uint8_t NoDecoration = 0x40; // on a link: no rule below the header
constexpr std::uint8_t MarkedDiffs = 0x80;
} // namespace PageFlag

// Bucket count of every table.
constexpr int PageTableBuckets = 103;

// Bucket of a key in a table of the given level: with base b = level + 1 the
// hash is c0*b + c1*b^2 + ... over the byte values in wrapping 32-bit signed
// arithmetic; its absolute value modulo the bucket count.
int PageTableBucket(std::string_view key, int level, int bucketCount = PageTableBuckets);

class TServHashTable;

// One bucket: a list of entries (newest first) or, once it overflowed, a
// nested table.
class TServList
{
public:
    explicit TServList(int level) : level_(level) {}
    void Add(std::unique_ptr<PageEntry> entry);
    PageEntry* Find(std::string_view key) const;
    std::size_t Count() const;
    bool HasNestedTable() const { return nested_ != nullptr; }

private:
    int level_;
    std::vector<std::unique_ptr<PageEntry>> entries_; // the list's head is at the back
    std::unique_ptr<TServHashTable> nested_;
};

class TServHashTable
{
public:
    explicit TServHashTable(int level = 0, int bucketCount = PageTableBuckets);
    ~TServHashTable();

    // Adds the entry; a key holding "&amp" (any case in "amp") is added a
    // second time with each "&amp" and a ";" after it turned into "&".
    void Add(const PageEntry& entry);
    // The entry with exactly this key, or null. The pointer stays valid until
    // the table is cleared or destroyed.
    PageEntry* FindExact(std::string_view key) const;
    // Lookup by page name with the archive's fallbacks: a number prefix is
    // ignored in archives of version 1 subversion 4, "&colon;" may stand for
    // ":", and "scheme:/host" also finds "scheme://host".
    PageEntry* Find(std::string_view name, int version, int subversion) const;
    void Clear();
    std::size_t Count() const;
    int Level() const { return level_; }
    const TServList& Bucket(int i) const { return buckets_[static_cast<std::size_t>(i)]; }

private:
    friend class TServList;
    void AddOne(std::unique_ptr<PageEntry> entry);

    int level_;
    std::vector<TServList> buckets_;
};

// Entries per bucket list before it becomes a nested table.
constexpr std::size_t MaxBucketList = 20;

// Nested tables stop at this level: a deeper bucket just grows its list, so
// that keys crafted to collide cannot nest tables without bound.
constexpr int MaxTableLevel = 24;

} // namespace rv
