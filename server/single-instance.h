// One RVServer per user: the first instance holds a lock file in the user's
// runtime folder for as long as it runs; a crashed holder's lock is taken
// over. A second instance only learns that another one runs.
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

private:
    std::unique_ptr<QLockFile> lock_;
    bool first_ = false;
};

} // namespace rv
