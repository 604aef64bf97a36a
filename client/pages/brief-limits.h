// The limits a brief's run must respect: its own time and size limits and
// the free-room reserve of the drive that holds it. Pure tests; any thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace rv
{

struct TBrief;

// Free bytes on the file system of `folder`; none when it cannot be read.
std::optional<std::uint64_t> FreeBytes(const std::filesystem::path& folder);

// True when a reserve is set (megabytes above 0) and the free room is at or
// below it. A file system whose free room cannot be read never stops a brief.
bool DiskReserveReached(std::optional<std::uint64_t> freeBytes, std::int32_t reserveMegabytes);

// True when the brief has run for its MaxHours/MaxMins (unless MaxHours is
// -1), or its archive has grown past NumMegs megabytes (unless NumMegs is -1).
bool BriefLimitsExceeded(const TBrief& brief, std::chrono::system_clock::time_point started,
                         std::chrono::system_clock::time_point now, std::uint64_t archiveBytes);

} // namespace rv
