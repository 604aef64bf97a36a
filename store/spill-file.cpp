#include "store/spill-file.h"

#include "store/temp-files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace rv
{

namespace
{

std::string SystemText(int error)
{
    return std::generic_category().message(error);
}

} // namespace

SpillTraffic& SpillTraffic::operator+=(const SpillTraffic& other)
{
    Reads += other.Reads;
    BytesRead += other.BytesRead;
    Writes += other.Writes;
    BytesWritten += other.BytesWritten;
    return *this;
}

SpillFile::SpillFile(const std::filesystem::path& programFolder)
{
    try
    {
        path_ = CreateTempFile(programFolder, TempPrefixLinkCache);
    }
    catch (const TempFileError& error)
    {
        throw CacheSpillError(error.what());
    }
    fd_ = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0)
    {
        const int error = errno;
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
        throw CacheSpillError("Cannot open the link cache file " + path_.string() + ": " + SystemText(error));
    }
}

SpillFile::~SpillFile()
{
    Close();
}

SpillFile::SpillFile(SpillFile&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)), end_(std::exchange(other.end_, 0)),
      traffic_(std::exchange(other.traffic_, {}))
{
}

SpillFile& SpillFile::operator=(SpillFile&& other) noexcept
{
    if (this != &other)
    {
        Close();
        path_ = std::move(other.path_);
        fd_ = std::exchange(other.fd_, -1);
        end_ = std::exchange(other.end_, 0);
        traffic_ = std::exchange(other.traffic_, {});
    }
    return *this;
}

void SpillFile::Close()
{
    if (fd_ >= 0)
    {
        ::close(fd_);
        fd_ = -1;
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
}

std::int32_t SpillFile::Append(std::string_view bytes, std::int64_t limit)
{
    if (fd_ < 0)
    {
        throw CacheSpillError("The link cache file is closed");
    }
    if (static_cast<std::int64_t>(bytes.size()) > std::min(limit, MaxSpillFileBytes) - end_)
    {
        throw CacheSpillError("The link cache file " + path_.string() + " is full");
    }
    std::size_t written = 0;
    while (written < bytes.size())
    {
        const ssize_t n = ::pwrite(fd_, bytes.data() + written, bytes.size() - written,
                                   static_cast<off_t>(end_ + static_cast<std::int64_t>(written)));
        if (n < 0 && errno == EINTR)
        {
            continue;
        }
        if (n <= 0)
        {
            const int error = n < 0 ? errno : ENOSPC;
            throw CacheSpillError("Cannot write the link cache file " + path_.string() + ": " + SystemText(error));
        }
        written += static_cast<std::size_t>(n);
        ++traffic_.Writes;
        traffic_.BytesWritten += n;
    }
    const auto offset = static_cast<std::int32_t>(end_);
    end_ += static_cast<std::int64_t>(bytes.size());
    return offset;
}

std::size_t SpillFile::ReadAt(std::int64_t offset, char* buffer, std::size_t count) const
{
    if (fd_ < 0)
    {
        throw CacheSpillError("The link cache file is closed");
    }
    if (offset < 0 || offset >= end_)
    {
        return 0;
    }
    count = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(count), end_ - offset));
    std::size_t got = 0;
    while (got < count)
    {
        const ssize_t n = ::pread(fd_, buffer + got, count - got, static_cast<off_t>(offset + static_cast<std::int64_t>(got)));
        if (n < 0 && errno == EINTR)
        {
            continue;
        }
        if (n < 0)
        {
            throw CacheSpillError("Cannot read the link cache file " + path_.string() + ": " + SystemText(errno));
        }
        if (n == 0)
        {
            break;
        }
        got += static_cast<std::size_t>(n);
        ++traffic_.Reads;
        traffic_.BytesRead += n;
    }
    return got;
}

void SpillWriter::Raw32(std::uint32_t value)
{
    const char bytes[4] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                           static_cast<char>((value >> 16) & 0xFF), static_cast<char>((value >> 24) & 0xFF)};
    bytes_.append(bytes, 4);
}

void SpillWriter::Item(std::string_view bytes)
{
    if (bytes.size() > UINT32_MAX)
    {
        throw CacheSpillError("A text is too long for the link cache file");
    }
    Raw32(static_cast<std::uint32_t>(bytes.size()));
    bytes_.append(bytes);
}

void SpillWriter::Int32Item(std::int32_t value)
{
    Raw32(4);
    Raw32(static_cast<std::uint32_t>(value));
}

void SpillWriter::ByteItem(std::uint8_t value)
{
    Raw32(1);
    bytes_ += static_cast<char>(value);
}

SpillReader::SpillReader(const SpillFile& file, std::int64_t offset) : file_(file), window_(WindowBytes), windowStart_(offset)
{
    if (offset < 0 || offset >= file.End())
    {
        Corrupt("a table offset outside the file");
    }
}

void SpillReader::Corrupt(const char* what) const
{
    throw CacheSpillError("The link cache file " + file_.Path().string() + " is damaged: " + what + " at offset " +
                          std::to_string(Offset()));
}

void SpillReader::Need(std::size_t bytes)
{
    if (position_ + bytes <= filled_)
    {
        return;
    }
    if (static_cast<std::int64_t>(bytes) > file_.End() - Offset())
    {
        Corrupt("a length beyond the end of the file");
    }
    windowStart_ = Offset();
    position_ = 0;
    if (bytes > window_.size())
    {
        window_.resize(bytes);
    }
    filled_ = file_.ReadAt(windowStart_, window_.data(), window_.size());
    if (filled_ < bytes)
    {
        Corrupt("a short read");
    }
}

std::uint32_t SpillReader::Raw32()
{
    Need(4);
    const auto* p = reinterpret_cast<const unsigned char*>(window_.data() + position_);
    position_ += 4;
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

std::string_view SpillReader::Item()
{
    const std::uint32_t length = Raw32();
    Need(length);
    std::string_view bytes(window_.data() + position_, length);
    position_ += length;
    return bytes;
}

void SpillReader::SkipItem()
{
    const std::uint32_t length = Raw32();
    if (static_cast<std::int64_t>(length) > file_.End() - Offset())
    {
        Corrupt("a length beyond the end of the file");
    }
    if (position_ + length <= filled_)
    {
        position_ += length;
        return;
    }
    // Past the window: the next read refills from there.
    windowStart_ = Offset() + length;
    position_ = 0;
    filled_ = 0;
}

std::int32_t SpillReader::Int32Item()
{
    if (Raw32() != 4)
    {
        Corrupt("a number item that is not 4 bytes long");
    }
    return static_cast<std::int32_t>(Raw32());
}

std::uint8_t SpillReader::ByteItem()
{
    if (Raw32() != 1)
    {
        Corrupt("a byte item that is not 1 byte long");
    }
    Need(1);
    return static_cast<std::uint8_t>(window_[position_++]);
}

} // namespace rv
