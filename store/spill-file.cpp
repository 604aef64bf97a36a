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
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)), written_(std::exchange(other.written_, 0)),
      tail_(std::exchange(other.tail_, {})), traffic_(std::exchange(other.traffic_, {}))
{
}

SpillFile& SpillFile::operator=(SpillFile&& other) noexcept
{
    if (this != &other)
    {
        Close();
        path_ = std::move(other.path_);
        fd_ = std::exchange(other.fd_, -1);
        written_ = std::exchange(other.written_, 0);
        tail_ = std::exchange(other.tail_, {});
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
        tail_.clear();
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
    if (static_cast<std::int64_t>(bytes.size()) > std::min(limit, MaxSpillFileBytes) - End())
    {
        throw CacheSpillError("The link cache file " + path_.string() + " is full");
    }
    if (tail_.size() + bytes.size() > TailBytes)
    {
        Flush();
    }
    const auto offset = static_cast<std::int32_t>(End());
    if (bytes.size() >= TailBytes)
    {
        WriteAll(written_, bytes);
        written_ += static_cast<std::int64_t>(bytes.size());
    }
    else
    {
        tail_.append(bytes);
    }
    return offset;
}

void SpillFile::WriteAt(std::int64_t offset, std::string_view bytes)
{
    if (fd_ < 0)
    {
        throw CacheSpillError("The link cache file is closed");
    }
    if (offset < 0 || static_cast<std::int64_t>(bytes.size()) > End() - offset)
    {
        throw CacheSpillError("A write past the end of the link cache file " + path_.string());
    }
    const auto inFile =
        static_cast<std::size_t>(std::clamp<std::int64_t>(written_ - offset, 0, static_cast<std::int64_t>(bytes.size())));
    WriteAll(offset, bytes.substr(0, inFile));
    if (inFile < bytes.size())
    {
        bytes.remove_prefix(inFile);
        std::copy(bytes.begin(), bytes.end(),
                  tail_.begin() + static_cast<std::ptrdiff_t>(offset + static_cast<std::int64_t>(inFile) - written_));
    }
}

void SpillFile::Flush()
{
    if (fd_ >= 0 && !tail_.empty())
    {
        WriteAll(written_, tail_);
        written_ += static_cast<std::int64_t>(tail_.size());
        tail_.clear();
    }
}

void SpillFile::WriteAll(std::int64_t offset, std::string_view bytes)
{
    std::size_t written = 0;
    while (written < bytes.size())
    {
        const ssize_t n = ::pwrite(fd_, bytes.data() + written, bytes.size() - written,
                                   static_cast<off_t>(offset + static_cast<std::int64_t>(written)));
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
}

std::size_t SpillFile::ReadAt(std::int64_t offset, char* buffer, std::size_t count) const
{
    if (fd_ < 0)
    {
        throw CacheSpillError("The link cache file is closed");
    }
    if (offset < 0 || offset >= End())
    {
        return 0;
    }
    count = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(count), End() - offset));
    const auto inFile =
        static_cast<std::size_t>(std::clamp<std::int64_t>(written_ - offset, 0, static_cast<std::int64_t>(count)));
    if (inFile < count)
    {
        const auto from = static_cast<std::size_t>(offset + static_cast<std::int64_t>(inFile) - written_);
        std::copy_n(tail_.begin() + static_cast<std::ptrdiff_t>(from), count - inFile, buffer + inFile);
    }
    const std::size_t wanted = count;
    count = inFile;
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
    return got < count ? got : wanted;
}

} // namespace rv
