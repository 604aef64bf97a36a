#include "store/file-handle.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rv
{

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept
{
    if (this != &other)
    {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool FileHandle::Open(const std::filesystem::path& path, int flags)
{
    Close();
    do
    {
        fd_ = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    } while (fd_ < 0 && errno == EINTR);
    return fd_ >= 0;
}

void FileHandle::Close()
{
    if (fd_ >= 0)
    {
        ::close(fd_);
        fd_ = -1;
    }
}

bool FileHandle::Write(std::string_view bytes)
{
    while (!bytes.empty())
    {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
        {
            continue;
        }
        if (written <= 0)
        {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool FileHandle::WriteAt(std::uint64_t offset, std::string_view bytes)
{
    while (!bytes.empty())
    {
        const ssize_t written = ::pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR)
        {
            continue;
        }
        if (written <= 0)
        {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
        offset += static_cast<std::uint64_t>(written);
    }
    return true;
}

long long FileHandle::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const
{
    std::size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < count)
    {
        const ssize_t got = ::pread(fd_, out + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
        {
            continue;
        }
        if (got < 0)
        {
            return -1;
        }
        if (got == 0)
        {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return static_cast<long long>(done);
}

long long FileHandle::Size() const
{
    struct stat info
    {
    };
    if (::fstat(fd_, &info) != 0)
    {
        return -1;
    }
    return static_cast<long long>(info.st_size);
}

bool FileHandle::Truncate(std::uint64_t size)
{
    return ::ftruncate(fd_, static_cast<off_t>(size)) == 0 && ::lseek(fd_, static_cast<off_t>(size), SEEK_SET) >= 0;
}

bool FileHandle::SeekToEnd()
{
    return ::lseek(fd_, 0, SEEK_END) >= 0;
}

} // namespace rv
