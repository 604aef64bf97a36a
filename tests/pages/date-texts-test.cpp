#include "client/pages/date-texts.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

std::tm At(int year, int month, int day, int hour, int minute, int second)
{
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    return local;
}

TEST(DateTexts, MidnightShowsAsTwelveInTheMorning)
{
    EXPECT_EQ(RunStampText(At(2005, 3, 7, 0, 5, 9)), "3/7/5, 12:05:09AM");
    EXPECT_EQ(RunStampText(At(2005, 3, 7, 13, 0, 0)), "3/7/5, 1:00:00PM");
}

TEST(DateTexts, NoonIsAfternoonAndElevenIsMorning)
{
    EXPECT_EQ(StampTimeText(At(1999, 12, 31, 12, 0, 0)), "12:00:00PM");
    EXPECT_EQ(StampTimeText(At(1999, 12, 31, 11, 59, 59)), "11:59:59AM");
    EXPECT_EQ(StampTimeText(At(1999, 12, 31, 23, 59, 59)), "11:59:59PM");
}

TEST(DateTexts, StampDateKeepsTwoDigitsOfTheYearWithoutLeadingZero)
{
    EXPECT_EQ(StampDateText(At(1999, 12, 7, 0, 0, 0)), "12/7/99");
    EXPECT_EQ(StampDateText(At(2000, 1, 1, 0, 0, 0)), "1/1/0");
    EXPECT_EQ(StampDateText(At(2026, 10, 20, 0, 0, 0)), "10/20/26");
}

TEST(DateTexts, ShortDateHasTheWholeYear)
{
    EXPECT_EQ(ShortDateText(At(2005, 3, 7, 0, 0, 0)), "3/7/2005");
    EXPECT_EQ(ShortDateText(At(1999, 12, 31, 0, 0, 0)), "12/31/1999");
}

} // namespace
} // namespace rv
