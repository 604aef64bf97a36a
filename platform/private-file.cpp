#include "platform/private-file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libgen.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rv
{

namespace
{

std::string Failure(const char* step)
{
    return std::string(step) + ": " + std::strerror(errno);
}

std::string WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty())
    {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
        {
            continue;
        }
        if (written <= 0)
        {
            return Failure("write");
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

std::string FolderOf(const std::string& path)
{
    std::string copy = path;
    return ::dirname(copy.data());
}

} // namespace

std::string ReplacePrivateFile(const std::string& path, std::string_view bytes)
{
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
    {
        return Failure("create");
    }
    std::string error = ::fchmod(fd, 0600) == 0 ? WriteAll(fd, bytes) : Failure("chmod");
    if (error.empty() && ::fsync(fd) != 0)
    {
        error = Failure("fsync");
    }
    if (::close(fd) != 0 && error.empty())
    {
        error = Failure("close");
    }
    if (error.empty() && ::rename(temp.c_str(), path.c_str()) != 0)
    {
        error = Failure("rename");
    }
    if (!error.empty())
    {
        ::unlink(temp.c_str());
        return error;
    }
    // Make the rename itself durable; a folder that cannot be synced does not undo a finished write.
    const int folder = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0)
    {
        ::fsync(folder);
        ::close(folder);
    }
    return {};
}

} // namespace rv
