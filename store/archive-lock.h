// The advisory lock that marks an archive as being written.
//
// TKSDB holds an exclusive flock on its archive from Open to Close. Another
// program that finds an archive without an index takes this lock before
// completing it: when the lock is refused, a run is still writing the
// archive and it must be left alone. The lock belongs to an open file
// description, so it is released when the holder ends, even by a crash.
#pragma once

#include "store/file-handle.h"

#include <filesystem>
#include <optional>
#include <utility>

namespace rv
{

class ArchiveLock
{
public:
    // Opens the archive for reading and writing and takes the lock without
    // waiting. Returns nothing when the file cannot be opened or the lock is
    // held by someone else (another process or another open of the file).
    static std::optional<ArchiveLock> TryAcquire(const std::filesystem::path& archive);

    // The open, locked file; the lock lasts as long as this object.
    const FileHandle& File() const { return file_; }

private:
    explicit ArchiveLock(FileHandle file) : file_(std::move(file)) {}

    FileHandle file_;
};

// True when a writer holds the archive's lock right now.
bool ArchiveIsBeingWritten(const std::filesystem::path& archive);

} // namespace rv
