// The date and time texts of a run's generated pages and its stamp.
#pragma once

#include <ctime>
#include <string>

namespace rv
{

// The short date of the summary page: month/day/four-digit year without
// leading zeros, "3/7/2005".
std::string ShortDateText(const std::tm& local);

// The stamp's date: month/day/year modulo 100 without leading zeros,
// "3/7/5".
std::string StampDateText(const std::tm& local);

// The stamp's time on the 12-hour clock (0 shows as 12), minutes and
// seconds with two digits, AM for hours 0 to 11: "12:05:09AM", "1:00:00PM".
std::string StampTimeText(const std::tm& local);

// The last-retrieval stamp of a brief: "3/7/5, 12:05:09AM".
std::string RunStampText(const std::tm& local);

} // namespace rv
