// The limits a brief's run must respect: its own time and size limits and
// the free-room reserve of the drive that holds it. Pure tests; any thread,
// apart from a DiskReserveWatch, which belongs to one thread.
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

// The reserve test of a running brief, page after page. The file system is
// asked at most once per DiskAskInterval or per DiskAskBytes written to the
// archive; in between, what the archive grew by counts as used: asking for
// every page cost more than some of the page's own work.
class DiskReserveWatch
{
public:
    static constexpr std::chrono::milliseconds DiskAskInterval{1000};
    static constexpr std::uint64_t DiskAskBytes = 1 << 20;

    // The reserve test for the folder of the archive, whose size is now
    // archiveBytes; an archive only grows during its run.
    bool Reached(const std::filesystem::path& archive, std::uint64_t archiveBytes, std::int32_t reserveMegabytes);

private:
    std::filesystem::path archive_;
    std::chrono::steady_clock::time_point askedAt_;
    std::uint64_t archiveBytesThen_ = 0;
    std::optional<std::uint64_t> freeThen_;
    bool asked_ = false;
};

// True when the brief has run for its MaxHours/MaxMins (unless MaxHours is
// -1), or its archive has grown past NumMegs megabytes (unless NumMegs is -1).
bool BriefLimitsExceeded(const TBrief& brief, std::chrono::system_clock::time_point started,
                         std::chrono::system_clock::time_point now, std::uint64_t archiveBytes);

} // namespace rv
