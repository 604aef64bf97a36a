#include "store/archive-lock.h"

#include <fcntl.h>
#include <sys/file.h>

namespace rv
{

std::optional<ArchiveLock> ArchiveLock::TryAcquire(const std::filesystem::path& archive)
{
    FileHandle file;
    if (!file.Open(archive, O_RDWR))
    {
        return std::nullopt;
    }
    if (::flock(file.Descriptor(), LOCK_EX | LOCK_NB) != 0)
    {
        return std::nullopt;
    }
    return ArchiveLock(std::move(file));
}

bool ArchiveIsBeingWritten(const std::filesystem::path& archive)
{
    FileHandle file;
    if (!file.Open(archive, O_RDONLY))
    {
        return false;
    }
    return ::flock(file.Descriptor(), LOCK_SH | LOCK_NB) != 0;
}

} // namespace rv
