#include "server/single-instance.h"

namespace rv
{

SingleInstance::SingleInstance(const QString& lockPath) : lock_(std::make_unique<QLockFile>(lockPath))
{
    // Never stale by age: a running server may hold the lock for weeks. A
    // lock whose holder died is still taken over, as its process id is checked.
    lock_->setStaleLockTime(0);
    first_ = lock_->tryLock(0);
}

} // namespace rv
