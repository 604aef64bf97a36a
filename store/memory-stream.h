// TRVMemoryStream: a growable, seekable byte stream over one heap block.
//
// It holds a page body while it is received and processed. The block's
// capacity is always a multiple of 8192 bytes (or 0, when no block is held);
// a write past the end grows the block, copying the old content, and the size.
//
// Errors: growth that cannot be satisfied throws StreamError with the text
// "Out of memory while expanding memory stream"; the stream is left as it was.
// Seeking before the start throws StreamError as well.
//
// Threads: none of its own; a stream is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <stdexcept>
#include <string_view>

namespace rv
{

class StreamError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

enum class SeekOrigin
{
    Start,
    Current,
    End
};

class TRVMemoryStream
{
public:
    // Capacities are rounded up to a multiple of this.
    static constexpr std::size_t CapacityStep = 8192;
    // No stream grows beyond this; a larger request is treated as memory
    // exhaustion. It is far above any page body and keeps a bogus announced
    // length from reserving gigabytes.
    static constexpr std::size_t MaxCapacity = std::size_t{1} << 30;

    TRVMemoryStream() = default;
    ~TRVMemoryStream();
    TRVMemoryStream(TRVMemoryStream&& other) noexcept;
    TRVMemoryStream& operator=(TRVMemoryStream&& other) noexcept;
    TRVMemoryStream(const TRVMemoryStream&) = delete;
    TRVMemoryStream& operator=(const TRVMemoryStream&) = delete;

    // The bytes held, valid until the next call that changes the capacity.
    // Data() is null while no block is held.
    const char* Data() const { return data_; }
    char* Data() { return data_; }
    std::string_view View() const { return {data_, size_}; }

    std::size_t Size() const { return size_; }
    std::size_t Position() const { return position_; }
    std::size_t Capacity() const { return capacity_; }

    // Sets the block to `capacity` rounded up to CapacityStep, keeping the
    // content up to the new capacity; 0 frees the block (size and position
    // are cut to fit).
    void SetCapacity(std::size_t capacity);
    // Makes room for at least `bytes` bytes without changing the size
    // (the transfer worker reserves the announced length plus 300).
    void Reserve(std::size_t bytes);
    // Sets the size, growing the block when needed; new bytes are zero.
    // The position is cut to the new size.
    void SetSize(std::size_t size);

    // Copies up to `count` bytes from the position, advances it and returns
    // how many were copied (0 at or past the end).
    std::size_t Read(void* buffer, std::size_t count);
    // Writes at the position, growing the block and the size as needed;
    // a position past the end leaves zero bytes in the gap. Returns `count`.
    std::size_t Write(const void* buffer, std::size_t count);
    std::size_t Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
    // Moves the position and returns it; positions past the end are allowed.
    std::size_t Seek(std::int64_t offset, SeekOrigin origin);

    // Size and position 0, block freed.
    void Clear();
    // Replace the content with everything the stream or file gives from its
    // current position; the position ends at 0. LoadFromFile throws
    // StreamError when the file cannot be read.
    void LoadFromStream(std::istream& in);
    void LoadFromFile(const std::filesystem::path& path);
    // Writes the whole content; throws StreamError on failure.
    void SaveToFile(const std::filesystem::path& path) const;

private:
    void Grow(std::size_t needed);

    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t position_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace rv
