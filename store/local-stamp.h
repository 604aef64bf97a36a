// The local date and time texts stored with index records.
#pragma once

#include <ctime>
#include <string>

namespace rv
{

// The local date and time now.
std::tm LocalNow();

// "date blank time" in a short, fixed form: month/day/year%100, then
// hour:minute:second on a 12-hour clock and AM or PM, for example
// "12/7/99 4:05:09 PM".
std::string FormatStamp(const std::tm& localTime);

} // namespace rv
