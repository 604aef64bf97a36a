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
