#include "client/pages/date-texts.h"

#include <cstdio>

namespace rv
{

std::string ShortDateText(const std::tm& local)
{
    return std::to_string(local.tm_mon + 1) + "/" + std::to_string(local.tm_mday) + "/" + std::to_string(local.tm_year + 1900);
}

std::string StampDateText(const std::tm& local)
{
    // A year before 1900 would give a negative remainder; keep it a plain two-digit number.
    const int year = ((local.tm_year + 1900) % 100 + 100) % 100;
    return std::to_string(local.tm_mon + 1) + "/" + std::to_string(local.tm_mday) + "/" + std::to_string(year);
}

std::string StampTimeText(const std::tm& local)
{
    const int hour12 = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    char text[48];
    std::snprintf(text, sizeof text, "%d:%02d:%02d%s", hour12, local.tm_min, local.tm_sec, local.tm_hour < 12 ? "AM" : "PM");
    return text;
}

std::string RunStampText(const std::tm& local)
{
    return StampDateText(local) + ", " + StampTimeText(local);
}

} // namespace rv
