#include "store/link-cache.h"

#include <string>
#include <utility>
#include <vector>

namespace rv
{

namespace
{

using Guard = std::lock_guard<RunLock>;

int BucketLimit(std::int32_t level)
{
    return level == 0 ? TCache::TopLevelBucketLimit : TCache::SubTableBucketLimit;
}

bool HasRoom(const TCachePageLList& bucket, std::int32_t level)
{
    return bucket.DiskOffset == -1 && (bucket.Count < BucketLimit(level) || level >= TCache::MaxTableLevel);
}

void WriteRecord(SpillWriter& out, const TPageRecord& record)
{
    out.Item(record.Url);
    out.Item(record.Title);
    out.ByteItem(record.KeepText);
    out.Int32Item(record.Level);
    out.ByteItem(record.Visited);
    out.ByteItem(record.Mark);
    out.Item(record.Text);
    out.ByteItem(record.Option);
    out.Int32Item(static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(record.Link)));
    out.Item(record.ForwardTo);
    out.Item(record.Origin);
}

TPageRecord ReadRecordAfterUrl(SpillReader& in)
{
    TPageRecord record;
    record.Title = in.Item();
    record.KeepText = in.ByteItem();
    record.Level = in.Int32Item();
    record.Visited = in.ByteItem();
    record.Mark = in.ByteItem();
    record.Text = in.Item();
    record.Option = in.ByteItem();
    in.Int32Item(); // the link object's address means nothing once written
    record.ForwardTo = in.Item();
    record.Origin = in.Item();
    return record;
}

TPageRecord ReadRecord(SpillReader& in)
{
    std::string url(in.Item());
    TPageRecord record = ReadRecordAfterUrl(in);
    record.Url = std::move(url);
    return record;
}

// Passes over a record's items; `urlRead` when its Url item is already read.
void SkipRecord(SpillReader& in, bool urlRead)
{
    constexpr int ItemsPerRecord = 11;
    for (int n = urlRead ? 1 : 0; n < ItemsPerRecord; ++n)
    {
        in.SkipItem();
    }
}

} // namespace

TCache::TCache(const std::filesystem::path& programFolder, RunLock& lock, TCacheOptions options)
    : lock_(lock), options_(options), programFolder_(programFolder), top_(std::make_unique<TCacheTable>(0)),
      spill_(programFolder)
{
}

TCache::~TCache()
{
    Destroy();
}

void TCache::Destroy()
{
    Guard guard(lock_);
    spill_.Close();
    top_ = std::make_unique<TCacheTable>(0);
    garbage_ = 0;
    putCount_ = 0;
}

std::uint32_t TCache::Hash(std::string_view url, std::int32_t level)
{
    std::uint64_t sum = 0;
    std::int64_t weight = 1;
    for (const char c : url)
    {
        sum = (sum + static_cast<unsigned char>(c) * static_cast<std::uint64_t>(weight)) % BucketCount;
        weight = weight > level ? 1 : weight + 1;
    }
    return static_cast<std::uint32_t>(sum);
}

std::unique_ptr<TPageRecord> TCache::Add(std::string_view url, std::string_view title, bool returnCopy, std::string_view origin,
                                         std::string_view forwardTo, std::uint8_t option, std::string_view text,
                                         std::uint8_t mark, TCacheLink* link, std::uint8_t visited, std::int32_t level,
                                         std::uint8_t keepText)
{
    Guard guard(lock_);
    CompactIfDue(putCount_ > PutsBeforeCompaction);

    TPageRecord record;
    record.Url = url;
    record.Title = title;
    record.KeepText = keepText;
    record.Level = level;
    record.Visited = visited;
    record.Link = link;
    record.Mark = mark;
    record.Text = text;
    record.Option = option;
    record.ForwardTo = forwardTo;
    record.Origin = origin;

    auto copy = returnCopy ? std::make_unique<TPageRecord>() : nullptr;
    AddTo(*top_, std::move(record), copy.get());
    if (link != nullptr)
    {
        link->TakeCachedText(keepText, text);
    }
    return copy;
}

std::unique_ptr<TPageRecord> TCache::Find(std::string_view url)
{
    Guard guard(lock_);
    auto found = Resolve(url);
    return found ? std::make_unique<TPageRecord>(std::move(*found)) : nullptr;
}

bool TCache::Contains(std::string_view url)
{
    Guard guard(lock_);
    return Resolve(url).has_value();
}

bool TCache::Put(std::unique_ptr<TPageRecord> record)
{
    if (record == nullptr)
    {
        return false;
    }
    Guard guard(lock_);
    ++putCount_;
    CompactIfDue(putCount_ > PutsBeforeCompaction);
    const auto target = Resolve(record->Url);
    if (!target)
    {
        return false;
    }
    record->Url = target->Url;
    return PutIn(*top_, *record);
}

std::optional<TPageRecord> TCache::Resolve(std::string_view url)
{
    std::string key(url);
    for (int hops = 0; hops <= TPageLList::MaxForwardHops; ++hops)
    {
        auto found = LookupIn(*top_, key);
        if (!found || found->ForwardTo.empty())
        {
            return found;
        }
        key = std::move(found->ForwardTo);
    }
    return std::nullopt;
}

void TCache::AddTo(TCacheTable& table, TPageRecord record, TPageRecord* copy)
{
    auto& bucket = table.Buckets[Hash(record.Url, table.TableLevel)];
    if (HasRoom(bucket, table.TableLevel))
    {
        bool added = false;
        const auto& stored = bucket.List.Store(std::move(record), &added);
        bucket.Count += added ? 1 : 0;
        if (copy != nullptr)
        {
            *copy = stored;
        }
        return;
    }

    // The bucket is full or already on disk: its records go one level deeper.
    std::int64_t replaced = 0;
    TCacheTable sub(table.TableLevel + 1);
    if (bucket.DiskOffset == -1)
    {
        for (const auto& moving : bucket.List)
        {
            AddTo(sub, moving, nullptr);
        }
    }
    else
    {
        sub = LoadTable(bucket.DiskOffset, sub.TableLevel, &replaced);
    }
    AddTo(sub, std::move(record), copy);
    // Only a successful write changes the bucket, so a failed one leaves the
    // table as it was.
    bucket.DiskOffset = WriteTable(spill_, sub);
    bucket.List.Clear();
    garbage_ += replaced;
}

std::optional<TPageRecord> TCache::LookupIn(const TCacheTable& table, std::string_view url)
{
    const auto& bucket = table.Buckets[Hash(url, table.TableLevel)];
    if (bucket.DiskOffset == -1)
    {
        const TPageRecord* record = bucket.List.Find(url);
        return record != nullptr ? std::optional<TPageRecord>(*record) : std::nullopt;
    }
    return ScanTable(bucket.DiskOffset, table.TableLevel + 1, url);
}

bool TCache::PutIn(TCacheTable& table, TPageRecord& record)
{
    auto& bucket = table.Buckets[Hash(record.Url, table.TableLevel)];
    if (bucket.DiskOffset == -1)
    {
        if (bucket.List.Find(record.Url) == nullptr)
        {
            return false;
        }
        bucket.List.Store(record);
        return true;
    }
    std::int64_t replaced = 0;
    TCacheTable sub = LoadTable(bucket.DiskOffset, table.TableLevel + 1, &replaced);
    if (!PutIn(sub, record))
    {
        return false;
    }
    bucket.DiskOffset = WriteTable(spill_, sub);
    garbage_ += replaced;
    return true;
}

void TCache::Damaged(const char* what) const
{
    throw CacheSpillError("The link cache file " + spill_.Path().string() + " is damaged: " + what);
}

void TCache::ReadLevel(SpillReader& in, std::int32_t level) const
{
    if (in.Int32Item() != level)
    {
        Damaged("a table of the wrong level");
    }
}

// Reads a bucket's Count and DiskOffset; false for an empty bucket.
bool TCache::ReadBucketHead(SpillReader& in, std::int32_t tableOffset, TCachePageLList& bucket) const
{
    const std::int32_t count = in.Int32Item();
    if (count == 0)
    {
        return false;
    }
    const std::int32_t diskOffset = in.Int32Item();
    // A sub-table is always written before the table that points to it, so a
    // valid offset lies before this table; that also keeps a damaged file
    // from sending the reader in circles.
    if (count < 0 || diskOffset < -1 || diskOffset >= tableOffset)
    {
        Damaged("a bad bucket");
    }
    bucket.Count = count;
    bucket.DiskOffset = diskOffset;
    return true;
}

TCacheTable TCache::LoadTable(std::int32_t offset, std::int32_t level, std::int64_t* size) const
{
    SpillReader in(spill_, offset);
    ReadLevel(in, level);
    TCacheTable table(level);
    for (int index = 0; index < BucketCount; ++index)
    {
        auto& bucket = table.Buckets[index];
        if (!ReadBucketHead(in, offset, bucket) || bucket.DiskOffset != -1)
        {
            continue;
        }
        for (std::int32_t n = bucket.Count; n > 0; --n)
        {
            TPageRecord record = ReadRecord(in);
            if (Hash(record.Url, level) != static_cast<std::uint32_t>(index))
            {
                Damaged("a record in the wrong bucket");
            }
            bucket.List.Store(std::move(record));
        }
        bucket.Count = static_cast<std::int32_t>(bucket.List.Count());
    }
    if (size != nullptr)
    {
        *size = in.Offset() - offset;
    }
    return table;
}

// A lookup reads only as far as the bucket it needs and builds only the
// record it finds; everything else is passed over.
std::optional<TPageRecord> TCache::ScanTable(std::int32_t offset, std::int32_t level, std::string_view url) const
{
    SpillReader in(spill_, offset);
    ReadLevel(in, level);
    const auto target = static_cast<int>(Hash(url, level));
    for (int index = 0; index < BucketCount; ++index)
    {
        TCachePageLList bucket;
        if (!ReadBucketHead(in, offset, bucket))
        {
            if (index == target)
            {
                return std::nullopt;
            }
            continue;
        }
        if (index == target && bucket.DiskOffset != -1)
        {
            return ScanTable(bucket.DiskOffset, level + 1, url);
        }
        if (bucket.DiskOffset != -1)
        {
            continue;
        }
        for (std::int32_t n = bucket.Count; n > 0; --n)
        {
            if (index == target && in.Item() == url)
            {
                TPageRecord record = ReadRecordAfterUrl(in);
                record.Url = url;
                return record;
            }
            SkipRecord(in, index == target);
        }
        if (index == target)
        {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::int32_t TCache::WriteTable(SpillFile& file, const TCacheTable& table)
{
    SpillWriter out;
    out.Int32Item(table.TableLevel);
    for (const auto& bucket : table.Buckets)
    {
        out.Int32Item(bucket.Count);
        if (bucket.Count == 0)
        {
            continue;
        }
        out.Int32Item(bucket.DiskOffset);
        if (bucket.DiskOffset != -1)
        {
            continue;
        }
        for (const auto& record : bucket.List)
        {
            WriteRecord(out, record);
        }
    }
    return file.Append(out.Bytes(), options_.MaxSpillBytes);
}

void TCache::CompactIfDue(bool putsDue)
{
    const std::int64_t live = spill_.End() - garbage_;
    const bool garbageDue = garbage_ > options_.GarbageLimit && garbage_ >= live;
    // Near the size limit, reclaim a worthwhile share before the limit is hit.
    const std::int64_t limit = options_.MaxSpillBytes;
    const bool nearlyFull = spill_.End() > limit - limit / 4 && garbage_ > limit / 8;
    if (spill_.IsOpen() && (putsDue || garbageDue || nearlyFull))
    {
        Compact();
    }
}

void TCache::Compact()
{
    SpillFile fresh(programFolder_);
    std::array<std::int32_t, BucketCount> offsets{};
    for (int index = 0; index < BucketCount; ++index)
    {
        const auto& bucket = top_->Buckets[index];
        offsets[index] = bucket.DiskOffset == -1 ? -1 : CopyTable(fresh, bucket.DiskOffset, 1);
    }
    // Everything is copied: switch over. Until here a failure left the old
    // file in use and deleted the new one.
    for (int index = 0; index < BucketCount; ++index)
    {
        top_->Buckets[index].DiskOffset = offsets[index];
    }
    retiredTraffic_ += spill_.Traffic();
    spill_ = std::move(fresh);
    garbage_ = 0;
    putCount_ = 0;
}

// Copies a sub-table and, first, every sub-table below it. The records are
// copied as they are; only the offsets of the buckets on disk change.
std::int32_t TCache::CopyTable(SpillFile& target, std::int32_t offset, std::int32_t level)
{
    struct Child
    {
        std::int64_t position; // of the DiskOffset value, from the table's start
        std::int32_t offset;
    };
    std::vector<Child> children;
    SpillReader in(spill_, offset);
    ReadLevel(in, level);
    for (int index = 0; index < BucketCount; ++index)
    {
        TCachePageLList bucket;
        const std::int64_t head = in.Offset();
        if (!ReadBucketHead(in, offset, bucket))
        {
            continue;
        }
        if (bucket.DiskOffset != -1)
        {
            // Count item (8 bytes), then the DiskOffset item's length (4).
            children.push_back({head + 12 - offset, bucket.DiskOffset});
            continue;
        }
        for (std::int32_t n = bucket.Count; n > 0; --n)
        {
            SkipRecord(in, false);
        }
    }
    std::string bytes(static_cast<std::size_t>(in.Offset() - offset), '\0');
    if (spill_.ReadAt(offset, bytes.data(), bytes.size()) != bytes.size())
    {
        Damaged("a short read");
    }
    for (const auto& child : children)
    {
        const auto moved = static_cast<std::uint32_t>(CopyTable(target, child.offset, level + 1));
        for (int n = 0; n < 4; ++n)
        {
            bytes[static_cast<std::size_t>(child.position) + static_cast<std::size_t>(n)] =
                static_cast<char>((moved >> (8 * n)) & 0xFF);
        }
    }
    return target.Append(bytes, options_.MaxSpillBytes);
}

std::filesystem::path TCache::SpillFileName() const
{
    Guard guard(lock_);
    return spill_.Path();
}

std::int64_t TCache::SpillEnd() const
{
    Guard guard(lock_);
    return spill_.End();
}

std::int64_t TCache::GarbageBytes() const
{
    Guard guard(lock_);
    return garbage_;
}

int TCache::PutCount() const
{
    Guard guard(lock_);
    return putCount_;
}

SpillTraffic TCache::Traffic() const
{
    Guard guard(lock_);
    SpillTraffic total = retiredTraffic_;
    total += spill_.Traffic();
    return total;
}

const TCachePageLList& TCache::Bucket(int index) const
{
    return top_->Buckets.at(static_cast<std::size_t>(index));
}

} // namespace rv
