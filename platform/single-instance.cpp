#include "platform/single-instance.h"

namespace rv
{

SingleInstance::SingleInstance(const QString& lockPath) : lock_(std::make_unique<QLockFile>(lockPath))
{
    // Never stale by age: a running program may hold the lock for weeks. A
    // lock whose holder died is still taken over, as its process id is checked.
    lock_->setStaleLockTime(0);
    first_ = lock_->tryLock(0);
}

qint64 SingleInstance::HolderPid() const
{
    qint64 pid = 0;
    if (first_ || !lock_->getLockInfo(&pid, nullptr, nullptr))
        return 0;
    return pid;
}

} // namespace rv
