// Writes a whole file so that a failure never leaves it damaged: the bytes
// go to a new file in the same folder, which is flushed to disk and then
// renamed over the old one. A full disk, a read-only folder or a kill in the
// middle leaves the old file as it was.
//
// Safe to call from any thread for different targets.
#pragma once

#include <string>
#include <string_view>

namespace rv
{

enum class FileAccess
{
    // Readable by others as the user's file-creation mask allows.
    Shared,
    // Readable and writable by the owner only (0600): files holding
    // credentials.
    OwnerOnly,
};

// Returns true when `target` now holds exactly `bytes`. On failure the
// temporary file is removed and `target` is unchanged.
[[nodiscard]] bool WriteFileReplacing(const std::string& target, std::string_view bytes, FileAccess access);

} // namespace rv
