// One running instance of a program per user: the first instance holds a lock
// file in the user's runtime folder for as long as it runs; a crashed holder's
// lock is taken over, since its process id is checked. A second instance only
// learns that another one runs, and which process it is.
//
// Both RVServer (ServerLockPath) and RVClient (ClientLockPath) use it. Main
// thread only.
#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace rv
{

class SingleInstance
{
public:
    explicit SingleInstance(const QString& lockPath);
    // True for the first instance; it keeps the lock until destroyed.
    bool IsFirst() const { return first_; }
    // The process id of the instance that holds the lock, when another one
    // does and it could be read; 0 otherwise.
    qint64 HolderPid() const;

private:
    std::unique_ptr<QLockFile> lock_;
    bool first_ = false;
};

} // namespace rv
