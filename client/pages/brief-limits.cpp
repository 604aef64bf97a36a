#include "client/pages/brief-limits.h"

#include "client/briefs/brief.h"

#include <system_error>

namespace rv
{

std::optional<std::uint64_t> FreeBytes(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::space_info space = std::filesystem::space(folder, error);
    if (error || space.available == static_cast<std::uintmax_t>(-1))
        return std::nullopt;
    return space.available;
}

bool DiskReserveReached(std::optional<std::uint64_t> freeBytes, std::int32_t reserveMegabytes)
{
    if (reserveMegabytes <= 0 || !freeBytes)
        return false;
    return *freeBytes <= std::uint64_t(reserveMegabytes) * 1048576u;
}

bool DiskReserveWatch::Reached(const std::filesystem::path& archive, std::uint64_t archiveBytes, std::int32_t reserveMegabytes)
{
    if (reserveMegabytes <= 0)
        return false;
    const auto now = std::chrono::steady_clock::now();
    if (!asked_ || archive != archive_ || now - askedAt_ >= DiskAskInterval || archiveBytes < archiveBytesThen_ ||
        archiveBytes - archiveBytesThen_ >= DiskAskBytes)
    {
        archive_ = archive;
        askedAt_ = now;
        archiveBytesThen_ = archiveBytes;
        freeThen_ = FreeBytes(archive.parent_path());
        asked_ = true;
    }
    if (!freeThen_)
        return false;
    const std::uint64_t grown = archiveBytes - archiveBytesThen_;
    return DiskReserveReached(*freeThen_ > grown ? *freeThen_ - grown : 0, reserveMegabytes);
}

bool BriefLimitsExceeded(const TBrief& brief, std::chrono::system_clock::time_point started,
                         std::chrono::system_clock::time_point now, std::uint64_t archiveBytes)
{
    if (brief.MaxHours != -1)
    {
        auto allowed = std::chrono::hours(brief.MaxHours) + std::chrono::minutes(brief.MaxMins < 0 ? 0 : brief.MaxMins);
        if (now - started >= allowed)
            return true;
    }
    return brief.NumMegs != -1 && archiveBytes > std::uint64_t(brief.NumMegs) * 1048576u;
}

} // namespace rv
