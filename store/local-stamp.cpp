#include "store/local-stamp.h"

#include <cstdio>

namespace rv
{

std::tm LocalNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::string FormatStamp(const std::tm& localTime)
{
    const int hour12 = localTime.tm_hour % 12 == 0 ? 12 : localTime.tm_hour % 12;
    char text[160];
    std::snprintf(text, sizeof text, "%d/%d/%d %d:%02d:%02d %s", localTime.tm_mon + 1, localTime.tm_mday,
                  (localTime.tm_year + 1900) % 100, hour12, localTime.tm_min, localTime.tm_sec,
                  localTime.tm_hour < 12 ? "AM" : "PM");
    return text;
}

} // namespace rv
