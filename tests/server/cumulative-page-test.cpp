// The cumulative page over a brief's archives, from its catalogue.
#include "server-fixture.h"
#include "server/cumulative-page.h"

#include <gtest/gtest.h>

namespace rv::test
{
namespace
{

std::string Text(const std::string& text)
{
    return std::string{static_cast<char>(text.size() & 0xFF), static_cast<char>(text.size() >> 8)} + text;
}

std::string Count(int n)
{
    return std::string{static_cast<char>(n & 0xFF), static_cast<char>(n >> 8)};
}

class CumulativePageTest : public ServerTest
{
protected:
    void SetUp() override
    {
        ServerTest::SetUp();
        server->Dispatcher().SetCumulativeSource(DoCumulativePage);
        TKSDB store(FixedTime);
        ASSERT_TRUE(store.Open(PathOf("News.12-8-99.1h00m00s.rvd"), "News"));
        StorePage(store, "index", "", "own summary", 0, -1);
        ASSERT_TRUE(store.Close());
        WriteFile(PathOf("News.12-7-99.4h05m09s.rvd"), "older archive");
    }

    std::filesystem::path Newest() const { return PathOf("News.12-8-99.1h00m00s.rvd"); }
};

TEST_F(CumulativePageTest, ListsEachEntryFromItsFirstArchiveThatExists)
{
    WriteFile(PathOf("News.cat"),
              Count(0) + Text("News") + Text("Daily") + Count(2) + //
                  Count(2) + Text("<a href=\"%%%%s/1/x\">gone</a>") + Text("News.1-1-99.1h00m00s.rvd") +
                  Text("<a href=\"%%%%s/1/x\">first</a>") + Text("News.12-7-99.4h05m09s.rvd") + //
                  Count(1) + Text("second") + Text("News.12-8-99.1h00m00s.rvd"));
    const std::string older = PathOf("News.12-7-99.4h05m09s.rvd").string().substr(1);
    EXPECT_EQ(GetPage(Newest(), "cumulative/"),
              "HTTP/1.0 200\r\nContent-Type: text/html\r\n\r\n<base href=\"http://127.0.0.1:" + std::to_string(port) +
                  "/\">\r\n<html>\r\n<head>\r\n<title>News</title>\r\n</head>\r\n"
                  "<body bgcolor=#FFFFFF background=\"Background\"><ul>\r\n"
                  "<p><img src=\"RavelinBar\" width=402 height=43 alt=\"Ravelin Pro\">\r\n"
                  "<p><font size=5><b>\r\nBrief: </b>News\r\n</font><br>\r\n"
                  "<font size=3><b>\r\n Brief Information: </b>\r\nDaily</font><font size=1><br></font><hr size=3>\r\n"
                  "<a href=\"" +
                  older +
                  "/cumulative/1/x\">first</a><hr size=1>\r\nsecond"
                  "<hr size=4><br>Ravelin Pro keeps your briefs for reading off-line.<p>\r\n</body></ul>\r\n</html>\r\n");
}

TEST_F(CumulativePageTest, NothingToListServesTheArchivesOwnSummary)
{
    WriteFile(PathOf("News.cat"),
              Count(0) + Text("News") + Text("") + Count(1) + Count(1) + Text("x") + Text("News.1-1-99.1h00m00s.rvd"));
    EXPECT_TRUE(GetPage(Newest(), "cumulative/").ends_with("own summary"));
    WriteFile(PathOf("News.cat"), Count(0) + Text("News") + Count(500));
    EXPECT_TRUE(GetPage(Newest(), "cumulative/").ends_with("own summary"));
}

} // namespace
} // namespace rv::test
