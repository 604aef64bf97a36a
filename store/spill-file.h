// The link cache's spill file: a temporary file of bytes that grows at its
// end and may be rewritten in place. What the bytes mean is the link cache's
// business (store/link-cache.h).
//
// Errors: every failure to create, write or read the file throws
// CacheSpillError.
// Threads: none of its own; the link cache serialises access.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

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

    // Appended bytes gather in memory until this many would be waiting, then
    // go to the file in one write; reads and writes in place see them where
    // they are.
    static constexpr std::size_t TailBytes = 64 * 1024;

    // Puts `bytes` at End() and returns their offset; End() then moves past
    // them. Bytes waiting in memory are written first when the new ones do
    // not fit beside them. A write that fails, or bytes that would take the
    // file past `limit`, throw and leave End() where it was.
    std::int32_t Append(std::string_view bytes, std::int64_t limit = MaxSpillFileBytes);

    // Overwrites bytes before End(); throws when they would pass it.
    void WriteAt(std::int64_t offset, std::string_view bytes);

    // Reads up to `count` bytes at `offset`, never past End(); returns how many.
    std::size_t ReadAt(std::int64_t offset, char* buffer, std::size_t count) const;

    // Where the next append goes.
    std::int64_t End() const { return written_ + static_cast<std::int64_t>(tail_.size()); }
    // Writes the bytes waiting in memory to the file.
    void Flush();
    const std::filesystem::path& Path() const { return path_; }
    bool IsOpen() const { return fd_ >= 0; }
    const SpillTraffic& Traffic() const { return traffic_; }

    // Closes and deletes the file; later appends throw.
    void Close();

private:
    void WriteAll(std::int64_t offset, std::string_view bytes);

    std::filesystem::path path_;
    int fd_ = -1;
    std::int64_t written_ = 0; // bytes in the file itself
    std::string tail_;         // appended bytes not yet written
    mutable SpillTraffic traffic_;
};

} // namespace rv
