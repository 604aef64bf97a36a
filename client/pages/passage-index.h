// An index of a byte string by the four bytes that start at each offset,
// so that the places where a text may occur are found without scanning the
// whole string: the offsets are filed in buckets by a hash of those four
// bytes, ascending within each bucket.
//
// Change detection uses it to find where a block of the new page lies in the
// previous copy. Offsets that can no longer be used are dropped from the
// front of their bucket as they are met, so a search that consumes the copy
// in page order looks at each offset about once.
//
// Not thread-safe; the string must outlive the index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace rv
{

class PassageIndex
{
public:
    // Texts shorter than this cannot be looked up here.
    static constexpr std::size_t GramBytes = 4;

    explicit PassageIndex(std::string_view bytes);

    // The bucket of the GramBytes bytes at `gram`.
    std::uint32_t BucketOf(const char* gram) const;

    // The offsets still filed in `bucket`, ascending. Among them is every
    // offset (not dropped) where the same four bytes start, and perhaps
    // others whose bytes share the hash.
    std::span<const std::uint32_t> Offsets(std::uint32_t bucket) const;

    // Drops the first offset still filed in `bucket`.
    void DropFirst(std::uint32_t bucket);

private:
    std::vector<std::uint32_t> firsts_; // per bucket, where its offsets start; one more at the end
    std::vector<std::uint32_t> live_;   // per bucket, where its offsets not yet dropped start
    std::vector<std::uint32_t> offsets_;
    int shift_ = 64; // keeps the hash's top bits, as many as the buckets need
};

} // namespace rv
