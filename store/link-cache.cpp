#include "store/link-cache.h"

#include <algorithm>
#include <random>
#include <string>
#include <utility>

namespace rv
{

namespace
{

using Guard = std::lock_guard<RunLock>;

constexpr std::size_t PageHeaderBytes = 8;
constexpr std::size_t PairBytes = 8;
constexpr std::uint32_t PairsPerPage = (TCache::IndexPageBytes - PageHeaderBytes) / PairBytes;
constexpr std::uint32_t RecordHeaderBytes = 8;
// A first read of a record takes this much; longer records take a second.
constexpr std::size_t RecordReadAhead = 512;

std::uint32_t Get32(const unsigned char* p)
{
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

void Set32(unsigned char* p, std::uint32_t value)
{
    for (int n = 0; n < 4; ++n)
    {
        p[n] = static_cast<unsigned char>((value >> (8 * n)) & 0xFF);
    }
}

// Pairs in an index page are sorted by hash: the first pair whose hash is not
// below `hash`.
std::uint32_t FirstPairAtOrAbove(const unsigned char* page, std::uint32_t hash)
{
    std::uint32_t low = 0;
    std::uint32_t high = std::min(Get32(page), PairsPerPage);
    while (low < high)
    {
        const std::uint32_t middle = low + (high - low) / 2;
        if (Get32(page + PageHeaderBytes + middle * PairBytes) < hash)
        {
            low = middle + 1;
        }
        else
        {
            high = middle;
        }
    }
    return low;
}

void Append32(std::string& out, std::uint32_t value)
{
    unsigned char bytes[4];
    Set32(bytes, value);
    out.append(reinterpret_cast<const char*>(bytes), 4);
}

void AppendText(std::string& out, std::string_view text)
{
    if (text.size() > MaxSpillFileBytes / 2)
    {
        throw CacheSpillError("A text is too long for the link cache file");
    }
    Append32(out, static_cast<std::uint32_t>(text.size()));
    out.append(text);
}

// A record as the cache keeps it: the title escaped, Text only with KeepText.
TPageRecord Normalized(TPageRecord record)
{
    record.Title = EscapeQuotes(record.Title);
    if (record.KeepText != 1)
    {
        record.Text.clear();
    }
    return record;
}

// The record's slot: its header (slot size, bytes used) and fields, padded
// to a multiple of 8 bytes.
std::string EncodeRecord(const TPageRecord& record)
{
    std::string out(RecordHeaderBytes, '\0');
    AppendText(out, record.Url);
    AppendText(out, record.Title);
    out += static_cast<char>(record.KeepText);
    Append32(out, static_cast<std::uint32_t>(record.Level));
    out += static_cast<char>(record.Visited);
    out += static_cast<char>(record.Mark);
    AppendText(out, record.Text);
    out += static_cast<char>(record.Option);
    AppendText(out, record.ForwardTo);
    AppendText(out, record.Origin);
    const auto used = static_cast<std::uint32_t>(out.size());
    const std::uint32_t slot = (used + 7) & ~std::uint32_t{7};
    out.resize(slot, '\0');
    auto* header = reinterpret_cast<unsigned char*>(out.data());
    Set32(header, slot);
    Set32(header + 4, used);
    return out;
}

// Reads the fields of a record's used bytes (after the header).
class RecordReader
{
public:
    explicit RecordReader(std::string_view bytes) : bytes_(bytes) {}

    std::string_view Text()
    {
        const std::uint32_t length = Number();
        Need(length);
        std::string_view text = bytes_.substr(position_, length);
        position_ += length;
        return text;
    }
    std::uint32_t Number()
    {
        Need(4);
        const std::uint32_t value = Get32(reinterpret_cast<const unsigned char*>(bytes_.data() + position_));
        position_ += 4;
        return value;
    }
    std::uint8_t Byte()
    {
        Need(1);
        return static_cast<std::uint8_t>(bytes_[position_++]);
    }

private:
    void Need(std::size_t count)
    {
        if (count > bytes_.size() - position_)
        {
            throw CacheSpillError("a field longer than its record");
        }
    }

    std::string_view bytes_;
    std::size_t position_ = 0;
};

// The fields of a record that say where it stands (numbers and ForwardTo),
// without its texts.
TPageRecord Standing(const TPageRecord& from)
{
    TPageRecord to;
    to.KeepText = from.KeepText;
    to.Level = from.Level;
    to.Visited = from.Visited;
    to.Mark = from.Mark;
    to.Option = from.Option;
    to.ForwardTo = from.ForwardTo;
    return to;
}

} // namespace

TCache::TCache(const std::filesystem::path& programFolder, RunLock& lock, TCacheOptions options)
    : lock_(lock), options_(options), programFolder_(programFolder), top_(std::make_unique<TCacheTable>(0)),
      spill_(programFolder), seed_(std::random_device{}())
{
    options_.ResidentIndexPages = std::max<std::size_t>(options_.ResidentIndexPages, 2);
    seed_ = seed_ << 32 ^ std::random_device{}();
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
    depth_ = 0;
    directory_.clear();
    pages_.clear();
    frames_.clear();
    frames_.shrink_to_fit();
    clockHand_ = 0;
    garbage_ = 0;
}

std::uint32_t TCache::Hash(std::string_view url, std::int32_t level)
{
    // Reduced only when the sum grows large: the remainder is the same, and
    // a division per byte is most of the work of a lookup.
    std::uint64_t sum = 0;
    std::int64_t weight = 1;
    for (const char c : url)
    {
        sum += static_cast<unsigned char>(c) * static_cast<std::uint64_t>(weight);
        if (sum >= (std::uint64_t{1} << 62))
        {
            sum %= BucketCount;
        }
        weight = weight > level ? 1 : weight + 1;
    }
    return static_cast<std::uint32_t>(sum % BucketCount);
}

// Keyed with a seed of this run, so that a page cannot pick addresses that
// all share one index page.
std::uint32_t TCache::KeyHash(std::string_view url) const
{
    std::uint64_t h = seed_ ^ (url.size() * 0x9E3779B97F4A7C15ULL);
    std::size_t n = 0;
    for (; n + 8 <= url.size(); n += 8)
    {
        std::uint64_t word = 0;
        for (int b = 0; b < 8; ++b)
        {
            word |= std::uint64_t{static_cast<unsigned char>(url[n + static_cast<std::size_t>(b)])} << (8 * b);
        }
        h = (h ^ (word * 0x9E3779B97F4A7C15ULL)) * 0xBF58476D1CE4E5B9ULL;
        h ^= h >> 29;
    }
    std::uint64_t tail = 0;
    for (int b = 0; n < url.size(); ++n, ++b)
    {
        tail |= std::uint64_t{static_cast<unsigned char>(url[n])} << (8 * b);
    }
    h = (h ^ (tail * 0x94D049BB133111EBULL)) * 0xBF58476D1CE4E5B9ULL;
    h ^= h >> 31;
    h *= 0x94D049BB133111EBULL;
    h ^= h >> 32;
    return static_cast<std::uint32_t>(h);
}

std::unique_ptr<TPageRecord> TCache::Add(const CacheAdd& fields)
{
    Guard guard(lock_);
    CompactIfDue();

    TPageRecord record;
    record.Url = fields.url;
    record.Title = fields.title;
    record.KeepText = fields.keepText;
    record.Level = fields.level;
    record.Visited = fields.visited;
    record.Link = fields.link;
    record.Mark = fields.mark;
    record.Text = fields.text;
    record.Option = fields.option;
    record.ForwardTo = fields.forwardTo;
    record.Origin = fields.origin;

    auto copy = fields.returnCopy ? std::make_unique<TPageRecord>() : nullptr;
    AddTo(std::move(record), copy.get());
    if (fields.link != nullptr)
    {
        fields.link->TakeCachedText(fields.keepText, fields.text);
    }
    return copy;
}

std::unique_ptr<TPageRecord> TCache::Find(std::string_view url)
{
    Guard guard(lock_);
    auto found = Resolve(url, RecordFields::All);
    return found ? std::make_unique<TPageRecord>(std::move(*found)) : nullptr;
}

std::optional<CacheVisit> TCache::VisitOf(std::string_view url)
{
    Guard guard(lock_);
    auto found = Resolve(url, RecordFields::Standing);
    return found ? std::optional<CacheVisit>({found->Visited, found->Level}) : std::nullopt;
}

bool TCache::Contains(std::string_view url)
{
    Guard guard(lock_);
    return Resolve(url, RecordFields::Standing).has_value();
}

bool TCache::Put(std::unique_ptr<TPageRecord> record)
{
    if (record == nullptr)
    {
        return false;
    }
    Guard guard(lock_);
    CompactIfDue();
    const auto target = Resolve(record->Url, RecordFields::All);
    if (!target)
    {
        return false;
    }
    record->Url = target->Url;
    return PutIn(*record);
}

std::optional<TPageRecord> TCache::Resolve(std::string_view url, RecordFields fields)
{
    std::string_view key = url;
    std::string forwardTo;
    for (int hops = 0; hops <= TPageLList::MaxForwardHops; ++hops)
    {
        auto found = Lookup(key, fields);
        if (!found || found->ForwardTo.empty())
        {
            return found;
        }
        forwardTo = std::move(found->ForwardTo);
        key = forwardTo;
    }
    return std::nullopt;
}

std::optional<TPageRecord> TCache::Lookup(std::string_view url, RecordFields fields)
{
    const auto& bucket = top_->Buckets[Hash(url, 0)];
    if (bucket.DiskOffset == -1)
    {
        const TPageRecord* record = bucket.List.Find(url);
        if (record == nullptr)
        {
            return std::nullopt;
        }
        if (fields == RecordFields::All)
        {
            return *record;
        }
        return Standing(*record);
    }
    auto found = DiskFind(url, KeyHash(url), fields);
    return found ? std::optional<TPageRecord>(std::move(found->Record)) : std::nullopt;
}

void TCache::AddTo(TPageRecord record, TPageRecord* copy)
{
    auto& bucket = top_->Buckets[Hash(record.Url, 0)];
    if (bucket.DiskOffset == -1 && (bucket.Count < TopLevelBucketLimit || bucket.List.Find(record.Url) != nullptr))
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

    if (bucket.DiskOffset == -1)
    {
        // The bucket overflows: its records go to the file, oldest first. Until
        // all are there the bucket is still read from memory, so a failure on
        // the way leaves it as it was (the copies already written are found
        // and overwritten when it moves again).
        const std::int64_t first = spill_.End();
        std::vector<const TPageRecord*> moving;
        for (const auto& stored : bucket.List)
        {
            moving.push_back(&stored);
        }
        for (auto it = moving.rbegin(); it != moving.rend(); ++it)
        {
            DiskStore(**it);
        }
        bucket.DiskOffset = static_cast<std::int32_t>(first);
        bucket.List.Clear();
    }
    TPageRecord stored = Normalized(std::move(record));
    DiskStore(stored);
    if (copy != nullptr)
    {
        *copy = std::move(stored);
    }
}

bool TCache::PutIn(TPageRecord& record)
{
    auto& bucket = top_->Buckets[Hash(record.Url, 0)];
    if (bucket.DiskOffset == -1)
    {
        if (bucket.List.Find(record.Url) == nullptr)
        {
            return false;
        }
        bucket.List.Store(record);
        return true;
    }
    const auto stored = DiskFind(record.Url, KeyHash(record.Url), RecordFields::PlaceOnly);
    if (!stored)
    {
        return false;
    }
    DiskUpdate(*stored, Normalized(record));
    return true;
}

void TCache::Damaged(const char* what) const
{
    throw CacheSpillError("The link cache file " + spill_.Path().string() + " is damaged: " + what);
}

// Reads the used bytes of the record at `offset`, header included, into
// `bytes`; `slot` gets the slot size.
void TCache::ReadSlot(std::int32_t offset, std::uint32_t* slot, std::string& bytes) const
{
    if (offset < 0 || offset + std::int64_t{RecordHeaderBytes} > spill_.End())
    {
        Damaged("a record offset outside the file");
    }
    bytes.resize(RecordReadAhead);
    bytes.resize(spill_.ReadAt(offset, bytes.data(), bytes.size()));
    if (bytes.size() < RecordHeaderBytes)
    {
        Damaged("a short read");
    }
    const auto* header = reinterpret_cast<const unsigned char*>(bytes.data());
    *slot = Get32(header);
    const std::uint32_t used = Get32(header + 4);
    if (used < RecordHeaderBytes || used > *slot || offset + std::int64_t{*slot} > spill_.End())
    {
        Damaged("a bad record size");
    }
    if (used > bytes.size())
    {
        const std::size_t had = bytes.size();
        bytes.resize(used);
        if (spill_.ReadAt(offset + static_cast<std::int64_t>(had), bytes.data() + had, used - had) != used - had)
        {
            Damaged("a short read");
        }
    }
    bytes.resize(used);
}

std::optional<TCache::DiskRecord> TCache::DiskFind(std::string_view url, std::uint32_t hash, RecordFields fields)
{
    if (directory_.empty())
    {
        return std::nullopt;
    }
    // Reading records does not touch the index pages in memory.
    const Frame& frame = Resident(directory_[hash & ((1u << depth_) - 1)]);
    const std::uint32_t count = Get32(frame.Bytes.data());
    for (std::uint32_t n = FirstPairAtOrAbove(frame.Bytes.data(), hash); n < count; ++n)
    {
        const unsigned char* pair = frame.Bytes.data() + PageHeaderBytes + n * PairBytes;
        if (Get32(pair) != hash)
        {
            break;
        }
        DiskRecord found;
        found.Offset = static_cast<std::int32_t>(Get32(pair + 4));
        ReadSlot(found.Offset, &found.Slot, slotBytes_);
        try
        {
            RecordReader in(std::string_view(slotBytes_).substr(RecordHeaderBytes));
            if (in.Text() != url)
            {
                continue;
            }
            if (fields == RecordFields::PlaceOnly)
            {
                return found;
            }
            TPageRecord& record = found.Record;
            const std::string_view title = in.Text();
            record.KeepText = in.Byte();
            record.Level = static_cast<std::int32_t>(in.Number());
            record.Visited = in.Byte();
            record.Mark = in.Byte();
            const std::string_view text = in.Text();
            record.Option = in.Byte();
            record.ForwardTo = in.Text();
            const std::string_view origin = in.Text();
            if (fields == RecordFields::All)
            {
                record.Url = url;
                record.Title = title;
                record.Text = text;
                record.Origin = origin;
            }
        }
        catch (const CacheSpillError& error)
        {
            Damaged(error.what());
        }
        return found;
    }
    return std::nullopt;
}

// Stores a record of a bucket that lives in the file: in its old slot when
// the URL is there already, else appended and indexed.
void TCache::DiskStore(const TPageRecord& record)
{
    const std::uint32_t hash = KeyHash(record.Url);
    if (auto stored = DiskFind(record.Url, hash, RecordFields::PlaceOnly))
    {
        DiskUpdate(*stored, record);
        return;
    }
    if (directory_.empty())
    {
        const std::string empty(IndexPageBytes, '\0');
        const std::int32_t offset = spill_.Append(empty, options_.MaxSpillBytes);
        pages_.push_back({offset, -1, 0});
        directory_.assign(1, 0);
        depth_ = 0;
    }
    const std::int32_t offset = spill_.Append(EncodeRecord(record), options_.MaxSpillBytes);
    IndexInsert(hash, offset);
}

void TCache::DiskUpdate(const DiskRecord& stored, const TPageRecord& record)
{
    const std::string bytes = EncodeRecord(record);
    if (bytes.size() <= stored.Slot)
    {
        // In place: the slot keeps its size.
        std::string inPlace = bytes;
        Set32(reinterpret_cast<unsigned char*>(inPlace.data()), stored.Slot);
        spill_.WriteAt(stored.Offset,
                       std::string_view(inPlace).substr(0, Get32(reinterpret_cast<const unsigned char*>(bytes.data()) + 4)));
        return;
    }
    const std::int32_t offset = spill_.Append(bytes, options_.MaxSpillBytes);
    const std::uint32_t hash = KeyHash(record.Url);
    Frame& frame = Resident(directory_[hash & ((1u << depth_) - 1)]);
    const std::uint32_t count = Get32(frame.Bytes.data());
    for (std::uint32_t n = FirstPairAtOrAbove(frame.Bytes.data(), hash); n < count; ++n)
    {
        unsigned char* pair = frame.Bytes.data() + PageHeaderBytes + n * PairBytes;
        if (Get32(pair) != hash)
        {
            break;
        }
        if (static_cast<std::int32_t>(Get32(pair + 4)) == stored.Offset)
        {
            Set32(pair + 4, static_cast<std::uint32_t>(offset));
            frame.Dirty = true;
            garbage_ += stored.Slot;
            return;
        }
    }
    Damaged("a record missing from its index page");
}

void TCache::IndexInsert(std::uint32_t hash, std::int32_t offset)
{
    for (;;)
    {
        const std::uint32_t page = directory_[hash & ((1u << depth_) - 1)];
        Frame& frame = Resident(page);
        const std::uint32_t count = Get32(frame.Bytes.data());
        if (count < PairsPerPage)
        {
            unsigned char* first = frame.Bytes.data() + PageHeaderBytes;
            unsigned char* pair = first + FirstPairAtOrAbove(frame.Bytes.data(), hash) * PairBytes;
            std::copy_backward(pair, first + count * PairBytes, first + (count + 1) * PairBytes);
            Set32(pair, hash);
            Set32(pair + 4, static_cast<std::uint32_t>(offset));
            Set32(frame.Bytes.data(), count + 1);
            frame.Dirty = true;
            return;
        }
        SplitPage(page);
    }
}

// Splits a full page by the next bit of its hashes into itself and a new
// page (both stay sorted), doubling the directory first when the page is as
// deep as it.
void TCache::SplitPage(std::uint32_t page)
{
    const std::uint32_t depth = pages_[page].Depth;
    if (depth >= static_cast<std::uint32_t>(MaxIndexDepth))
    {
        throw CacheSpillError("Too many addresses share one place in the link cache file " + spill_.Path().string());
    }
    std::array<unsigned char, IndexPageBytes> low{};
    std::array<unsigned char, IndexPageBytes> high{};
    {
        const Frame& frame = Resident(page);
        const std::uint32_t count = Get32(frame.Bytes.data());
        std::uint32_t lowCount = 0;
        std::uint32_t highCount = 0;
        for (std::uint32_t n = 0; n < count; ++n)
        {
            const unsigned char* pair = frame.Bytes.data() + PageHeaderBytes + n * PairBytes;
            const bool isHigh = ((Get32(pair) >> depth) & 1) != 0;
            auto& target = isHigh ? high : low;
            std::uint32_t& at = isHigh ? highCount : lowCount;
            std::copy(pair, pair + PairBytes, target.data() + PageHeaderBytes + at * PairBytes);
            ++at;
        }
        Set32(low.data(), lowCount);
        Set32(high.data(), highCount);
    }
    Set32(low.data() + 4, depth + 1);
    Set32(high.data() + 4, depth + 1);

    // The new page goes to the file first: only then does anything change.
    const std::int32_t offset =
        spill_.Append(std::string_view(reinterpret_cast<const char*>(high.data()), high.size()), options_.MaxSpillBytes);
    Frame& frame = Resident(page);
    frame.Bytes = low;
    frame.Dirty = true;
    const auto newPage = static_cast<std::uint32_t>(pages_.size());
    pages_.push_back({offset, -1, depth + 1});
    pages_[page].Depth = depth + 1;
    if (depth == depth_)
    {
        directory_.resize(directory_.size() * 2);
        std::copy(directory_.begin(), directory_.begin() + static_cast<std::ptrdiff_t>(directory_.size() / 2),
                  directory_.begin() + static_cast<std::ptrdiff_t>(directory_.size() / 2));
        ++depth_;
    }
    for (std::size_t slot = 0; slot < directory_.size(); ++slot)
    {
        if (directory_[slot] == page && ((slot >> depth) & 1) != 0)
        {
            directory_[slot] = newPage;
        }
    }
}

// The page in memory, read from the file when it is not; a full set of
// frames gives up the one least recently used (clock order), written back
// when it changed.
TCache::Frame& TCache::Resident(std::uint32_t page)
{
    IndexPage& entry = pages_.at(page);
    if (entry.Frame >= 0)
    {
        Frame& frame = frames_[static_cast<std::size_t>(entry.Frame)];
        frame.Used = true;
        return frame;
    }
    if (frames_.capacity() < options_.ResidentIndexPages)
    {
        frames_.reserve(options_.ResidentIndexPages);
    }
    std::size_t index = frames_.size();
    if (index < options_.ResidentIndexPages)
    {
        frames_.emplace_back();
    }
    else
    {
        for (;; clockHand_ = (clockHand_ + 1) % frames_.size())
        {
            Frame& candidate = frames_[clockHand_];
            if (!candidate.Used)
            {
                break;
            }
            candidate.Used = false;
        }
        index = clockHand_;
        clockHand_ = (clockHand_ + 1) % frames_.size();
        Frame& victim = frames_[index];
        if (victim.Dirty)
        {
            spill_.WriteAt(pages_[victim.Page].Offset,
                           std::string_view(reinterpret_cast<const char*>(victim.Bytes.data()), victim.Bytes.size()));
            victim.Dirty = false;
        }
        pages_[victim.Page].Frame = -1;
    }
    Frame& frame = frames_[index];
    frame.Page = page;
    frame.Used = true;
    frame.Dirty = false;
    if (spill_.ReadAt(entry.Offset, reinterpret_cast<char*>(frame.Bytes.data()), IndexPageBytes) != IndexPageBytes)
    {
        Damaged("a short read");
    }
    if (Get32(frame.Bytes.data()) > PairsPerPage || Get32(frame.Bytes.data() + 4) != entry.Depth)
    {
        Damaged("a bad index page");
    }
    entry.Frame = static_cast<std::int32_t>(index);
    return frame;
}

void TCache::CompactIfDue()
{
    const std::int64_t live = spill_.End() - garbage_;
    const bool garbageDue = garbage_ > options_.GarbageLimit && garbage_ >= live;
    // Near the size limit, reclaim a worthwhile share before the limit is hit.
    const std::int64_t limit = options_.MaxSpillBytes;
    const bool nearlyFull = spill_.End() > limit - limit / 4 && garbage_ > limit / 8;
    if (spill_.IsOpen() && (garbageDue || nearlyFull))
    {
        Compact();
    }
}

// Copies every index page and the records it points to into a new file. The
// pages in memory are the newest copies; they are read from the frames and
// reloaded from the new file afterwards.
void TCache::Compact()
{
    SpillFile fresh(programFolder_);
    std::vector<std::int32_t> offsets(pages_.size());
    std::string batch;
    std::int64_t batchStart = 0;
    auto flush = [&]
    {
        fresh.Append(batch, options_.MaxSpillBytes);
        batch.clear();
        batchStart = fresh.End();
    };
    for (std::size_t page = 0; page < pages_.size(); ++page)
    {
        std::array<unsigned char, IndexPageBytes> bytes{};
        if (pages_[page].Frame >= 0)
        {
            bytes = frames_[static_cast<std::size_t>(pages_[page].Frame)].Bytes;
        }
        else if (spill_.ReadAt(pages_[page].Offset, reinterpret_cast<char*>(bytes.data()), bytes.size()) != bytes.size())
        {
            Damaged("a short read");
        }
        const std::uint32_t count = std::min(Get32(bytes.data()), PairsPerPage);
        for (std::uint32_t n = 0; n < count; ++n)
        {
            unsigned char* pair = bytes.data() + PageHeaderBytes + n * PairBytes;
            std::uint32_t slot = 0;
            std::string record;
            ReadSlot(static_cast<std::int32_t>(Get32(pair + 4)), &slot, record);
            const std::uint32_t compact = (static_cast<std::uint32_t>(record.size()) + 7) & ~std::uint32_t{7};
            Set32(reinterpret_cast<unsigned char*>(record.data()), compact);
            record.resize(compact, '\0');
            if (batchStart + static_cast<std::int64_t>(batch.size() + record.size()) > options_.MaxSpillBytes)
            {
                throw CacheSpillError("The link cache file " + fresh.Path().string() + " is full");
            }
            Set32(pair + 4, static_cast<std::uint32_t>(batchStart + static_cast<std::int64_t>(batch.size())));
            batch += record;
            if (batch.size() >= (1u << 20))
            {
                flush();
            }
        }
        offsets[page] = static_cast<std::int32_t>(batchStart + static_cast<std::int64_t>(batch.size()));
        batch.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    flush();
    // Everything is copied: switch over. Until here a failure left the old
    // file in use and deleted the new one.
    for (std::size_t page = 0; page < pages_.size(); ++page)
    {
        pages_[page].Offset = offsets[page];
        pages_[page].Frame = -1;
    }
    frames_.clear();
    clockHand_ = 0;
    retiredTraffic_ += spill_.Traffic();
    spill_ = std::move(fresh);
    garbage_ = 0;
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

void TCache::Flush()
{
    Guard guard(lock_);
    spill_.Flush();
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
