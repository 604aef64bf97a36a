#include "server/archive-completion.h"

#include "store/archive-lock.h"

namespace rv
{

bool CompleteArchive(const std::filesystem::path& archive)
{
    const std::optional<ArchiveLock> lock = ArchiveLock::TryAcquire(archive);
    if (!lock)
        return false;
    return false;
}

} // namespace rv
