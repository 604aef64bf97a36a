#include "store/memory-stream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <istream>
#include <utility>

namespace rv
{

namespace
{

constexpr const char* OutOfMemoryText = "Out of memory while expanding memory stream";

} // namespace

TRVMemoryStream::~TRVMemoryStream()
{
    std::free(data_);
}

TRVMemoryStream::TRVMemoryStream(TRVMemoryStream&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      position_(std::exchange(other.position_, 0)), capacity_(std::exchange(other.capacity_, 0))
{
}

TRVMemoryStream& TRVMemoryStream::operator=(TRVMemoryStream&& other) noexcept
{
    if (this != &other)
    {
        std::free(data_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        position_ = std::exchange(other.position_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

void TRVMemoryStream::SetCapacity(std::size_t capacity)
{
    if (capacity == 0)
    {
        std::free(data_);
        data_ = nullptr;
        capacity_ = 0;
        size_ = 0;
        position_ = 0;
        return;
    }
    if (capacity > MaxCapacity)
    {
        throw StreamError(OutOfMemoryText);
    }
    const std::size_t rounded = (capacity + CapacityStep - 1) / CapacityStep * CapacityStep;
    if (rounded == capacity_)
    {
        return;
    }
    // A fresh block and a copy, so that a failed allocation leaves the
    // stream untouched.
    char* block = static_cast<char*>(std::malloc(rounded));
    if (block == nullptr)
    {
        throw StreamError(OutOfMemoryText);
    }
    const std::size_t kept = std::min(size_, rounded);
    if (kept > 0)
    {
        std::memcpy(block, data_, kept);
    }
    std::free(data_);
    data_ = block;
    capacity_ = rounded;
    size_ = kept;
    position_ = std::min(position_, size_);
}

void TRVMemoryStream::Reserve(std::size_t bytes)
{
    if (bytes > capacity_)
    {
        SetCapacity(bytes);
    }
}

void TRVMemoryStream::Grow(std::size_t needed)
{
    if (needed <= capacity_)
    {
        return;
    }
    // Grow by at least half the current block, so that a body received in
    // many small pieces is copied a bounded number of times.
    const std::size_t geometric = capacity_ + capacity_ / 2;
    SetCapacity(std::max(needed, std::min(geometric, MaxCapacity)));
}

void TRVMemoryStream::SetSize(std::size_t size)
{
    Grow(size);
    if (size > size_)
    {
        std::memset(data_ + size_, 0, size - size_);
    }
    size_ = size;
    position_ = std::min(position_, size_);
}

std::size_t TRVMemoryStream::Read(void* buffer, std::size_t count)
{
    if (position_ >= size_)
    {
        return 0;
    }
    const std::size_t available = std::min(count, size_ - position_);
    std::memcpy(buffer, data_ + position_, available);
    position_ += available;
    return available;
}

std::size_t TRVMemoryStream::Write(const void* buffer, std::size_t count)
{
    if (count == 0)
    {
        return 0;
    }
    if (count > MaxCapacity || position_ > MaxCapacity - count)
    {
        throw StreamError(OutOfMemoryText);
    }
    const std::size_t end = position_ + count;
    Grow(end);
    if (position_ > size_)
    {
        std::memset(data_ + size_, 0, position_ - size_);
    }
    std::memcpy(data_ + position_, buffer, count);
    position_ = end;
    size_ = std::max(size_, end);
    return count;
}

std::size_t TRVMemoryStream::Seek(std::int64_t offset, SeekOrigin origin)
{
    std::int64_t base = 0;
    switch (origin)
    {
    case SeekOrigin::Start:
        base = 0;
        break;
    case SeekOrigin::Current:
        base = static_cast<std::int64_t>(position_);
        break;
    case SeekOrigin::End:
        base = static_cast<std::int64_t>(size_);
        break;
    }
    if (offset < -base)
    {
        throw StreamError("Seek before the start of memory stream");
    }
    position_ = static_cast<std::size_t>(base + offset);
    return position_;
}

void TRVMemoryStream::Clear()
{
    SetCapacity(0);
}

void TRVMemoryStream::LoadFromStream(std::istream& in)
{
    TRVMemoryStream loaded;
    char chunk[65536];
    while (in)
    {
        in.read(chunk, sizeof chunk);
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0)
        {
            break;
        }
        loaded.Write(chunk, got);
    }
    loaded.position_ = 0;
    *this = std::move(loaded);
}

void TRVMemoryStream::LoadFromFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        throw StreamError("Cannot open " + path.string());
    }
    LoadFromStream(in);
    if (in.bad())
    {
        throw StreamError("Cannot read " + path.string());
    }
}

void TRVMemoryStream::SaveToFile(const std::filesystem::path& path) const
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data_, static_cast<std::streamsize>(size_));
    out.flush();
    if (!out)
    {
        throw StreamError("Cannot write " + path.string());
    }
}

} // namespace rv
