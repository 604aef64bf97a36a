#include "client/shell/app/status-log-model.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

TEST(StatusLogModelTest, UpdateReplacesTheStatusOfTheNewestMatchingLineOnly)
{
    StatusLogModel log;
    log.AddLine("News", "1/2/26, 7:00AM", "Loading...", "", "/b/News.brf");
    log.AddLine("Newsletter", "1/2/26, 7:05AM", "Loading...", "", "/b/Newsletter.brf");
    log.AddLine("News", "1/3/26, 7:00AM", "Loading...", "", "/b/News.brf");

    // The key tells News from Newsletter, whose line starts with the same name.
    ASSERT_TRUE(log.UpdateLine("News", "Available", "/b/Newsletter.brf", "/b/Newsletter.rvd"));
    ASSERT_TRUE(log.UpdateLine("News", "Available", "/b/News.brf", "/b/News.rvd"));
    EXPECT_FALSE(log.UpdateLine("Sport", "Available", "", ""));
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"News\x02"
                                                     "1/3/26, 7:00AM\x02"
                                                     "Available",
                                                     "Newsletter\x02"
                                                     "1/2/26, 7:05AM\x02"
                                                     "Available",
                                                     "News\x02"
                                                     "1/2/26, 7:00AM\x02"
                                                     "Loading..."}));
    EXPECT_EQ(log.Details(), (std::vector<std::string>{"/b/News.rvd", "/b/Newsletter.rvd", ""}));

    log.RemoveLinesWithDetail("/b/News.rvd");
    EXPECT_EQ(log.rowCount(), 2);
    EXPECT_EQ(log.Keys(), (std::vector<std::string>{"/b/Newsletter.brf", "/b/News.brf"}));
}

} // namespace
} // namespace rv
