// The link cache's spill file: an append-only temporary file of items, and
// the encoder and windowed reader of those items.
//
// An item is a 32-bit little-endian length followed by that many bytes;
// numbers are items of length 4 (32-bit little-endian) or 1. What the items
// mean is the link cache's business (store/link-cache.h).
//
// Errors: every failure to create, write or read the file, and every length
// that does not fit what the file holds, throws CacheSpillError.
// Threads: none of its own; the link cache serialises access.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

class CacheSpillError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Offsets into the file are 32-bit signed numbers, so it never grows past this.
constexpr std::int64_t MaxSpillFileBytes = INT32_MAX;

// What a spill file has read and written so far.
struct SpillTraffic
{
    std::int64_t Reads = 0;
    std::int64_t BytesRead = 0;
    std::int64_t Writes = 0;
    std::int64_t BytesWritten = 0;

    SpillTraffic& operator+=(const SpillTraffic& other);
};

// Owns one spill file: made empty under the program folder's temporary
// folder with the link cache's prefix, closed and deleted on destruction.
class SpillFile
{
public:
    explicit SpillFile(const std::filesystem::path& programFolder);
    ~SpillFile();
    SpillFile(SpillFile&& other) noexcept;
    SpillFile& operator=(SpillFile&& other) noexcept;
    SpillFile(const SpillFile&) = delete;
    SpillFile& operator=(const SpillFile&) = delete;

    // Writes `bytes` at End() and returns the offset they were written at;
    // End() then moves past them. A write that fails, or that would take the
    // file past `limit` bytes, throws and leaves End() where it was.
    std::int32_t Append(std::string_view bytes, std::int64_t limit = MaxSpillFileBytes);

    // Reads up to `count` bytes at `offset`, never past End(); returns how many.
    std::size_t ReadAt(std::int64_t offset, char* buffer, std::size_t count) const;

    // Where the next write goes: the bytes before it are all valid items.
    std::int64_t End() const { return end_; }
    const std::filesystem::path& Path() const { return path_; }
    bool IsOpen() const { return fd_ >= 0; }
    const SpillTraffic& Traffic() const { return traffic_; }

    // Closes and deletes the file; later appends throw.
    void Close();

private:
    std::filesystem::path path_;
    int fd_ = -1;
    std::int64_t end_ = 0;
    mutable SpillTraffic traffic_;
};

// Builds the bytes of items in memory, to be appended in one write.
class SpillWriter
{
public:
    // Throws CacheSpillError for a text longer than a 32-bit length can say.
    void Item(std::string_view bytes);
    void Int32Item(std::int32_t value);
    void ByteItem(std::uint8_t value);

    const std::string& Bytes() const { return bytes_; }

private:
    void Raw32(std::uint32_t value);

    std::string bytes_;
};

// Reads items from `offset` through a window that is refilled from the first
// unconsumed byte whenever a length or an item would cross its end. An item
// longer than the window is read whole: the window grows to hold it. Every
// length is checked against what the file holds before anything is read or
// reserved for it.
class SpillReader
{
public:
    static constexpr std::size_t WindowBytes = 10000;

    SpillReader(const SpillFile& file, std::int64_t offset);

    // The next item's bytes, valid until the next read.
    std::string_view Item();
    // Passes over the next item without reading its bytes.
    void SkipItem();
    // An item that must be exactly 4 or 1 bytes long.
    std::int32_t Int32Item();
    std::uint8_t ByteItem();
    // The file offset of the first unconsumed byte.
    std::int64_t Offset() const { return windowStart_ + static_cast<std::int64_t>(position_); }

private:
    std::uint32_t Raw32();
    void Need(std::size_t bytes);
    [[noreturn]] void Corrupt(const char* what) const;

    const SpillFile& file_;
    std::vector<char> window_;
    std::int64_t windowStart_;
    std::size_t filled_ = 0;
    std::size_t position_ = 0;
};

} // namespace rv
