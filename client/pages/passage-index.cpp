#include "client/pages/passage-index.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace rv
{

namespace
{

// One bucket per four offsets keeps the buckets short without making the
// table larger than the offsets themselves.
constexpr std::size_t OffsetsPerBucket = 4;
constexpr std::size_t MinBuckets = 256;

std::uint32_t GramAt(const char* at)
{
    std::uint32_t gram;
    std::memcpy(&gram, at, sizeof gram);
    return gram;
}

} // namespace

PassageIndex::PassageIndex(std::string_view bytes)
{
    const std::size_t count = bytes.size() < GramBytes ? 0 : bytes.size() - GramBytes + 1;
    const std::size_t buckets = std::bit_ceil(std::max(MinBuckets, count / OffsetsPerBucket));
    shift_ = 64 - std::countr_zero(buckets);
    firsts_.assign(buckets + 1, 0);
    for (std::size_t at = 0; at < count; ++at)
        ++firsts_[BucketOf(bytes.data() + at) + 1];
    for (std::size_t b = 0; b < buckets; ++b)
        firsts_[b + 1] += firsts_[b];
    live_.assign(firsts_.begin(), firsts_.end() - 1);
    offsets_.resize(count);
    std::vector<std::uint32_t> next(live_);
    for (std::size_t at = 0; at < count; ++at)
        offsets_[next[BucketOf(bytes.data() + at)]++] = std::uint32_t(at);
}

std::uint32_t PassageIndex::BucketOf(const char* gram) const
{
    // Fibonacci hashing: the multiply spreads all four bytes into the top bits.
    return std::uint32_t((std::uint64_t(GramAt(gram)) * 0x9E3779B97F4A7C15ull) >> shift_);
}

std::span<const std::uint32_t> PassageIndex::Offsets(std::uint32_t bucket) const
{
    return std::span<const std::uint32_t>(offsets_.data() + live_[bucket], offsets_.data() + firsts_[bucket + 1]);
}

void PassageIndex::DropFirst(std::uint32_t bucket)
{
    ++live_[bucket];
}

} // namespace rv
