#include "client/engine/internal/time-outs.h"
#include "client/pages/http-response.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

TEST(ResponseHead, TheEarliestOfTheThreeEndMarkersEndsTheHeader)
{
    struct Row
    {
        std::string bytes;
        std::size_t header;
        std::size_t body;
    };
    const Row rows[] = {
        {"HTTP/1.0 200 OK\r\nA: b\r\n\r\nbody", 21, 25},
        {"HTTP/1.0 200 OK\nA: b\n\nbody", 20, 22},
        {"HTTP/1.0 200 OK\nA: b\n\r\nbody\r\n\r\n", 20, 23},
        {"HTTP/1.0 200 OK\r\n\r\nx\n\n", 15, 19},
        {"HTTP/1.0 200 OK\r\nA: b\r\n\nbody\r\n\r\n", 22, 24},
        {"\r\n\r\n", 0, 4},
        {"\n\r\n", 0, 3},
    };
    for (const Row& row : rows)
    {
        ResponseHead head;
        ASSERT_EQ(FindHeaderEnd(row.bytes, head), ParseStatus::Ok) << row.bytes;
        EXPECT_EQ(head.HeaderLength, row.header) << row.bytes;
        EXPECT_EQ(head.BodyOffset, row.body) << row.bytes;
    }
}

TEST(ResponseHead, AnUnfinishedHeaderIsIncompleteUntilItPassesTheLimit)
{
    ResponseHead head;
    EXPECT_EQ(ParseResponseHead("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n", head), ParseStatus::Incomplete);
    std::string huge = "HTTP/1.0 200 OK\r\nX: " + std::string(MaxHeaderBytes, 'a');
    EXPECT_EQ(ParseResponseHead(huge, head), ParseStatus::Bad);
    // A header end just past the limit is not searched for either.
    EXPECT_EQ(ParseResponseHead(huge + "\r\n\r\n", head), ParseStatus::Bad);
}

TEST(ResponseHead, ContentTypeIsLowerCasedAndEndsAtParametersOrBlanks)
{
    ResponseHead head;
    ASSERT_EQ(ParseResponseHead("HTTP/1.0 200 OK\r\nCONTENT-TYPE: \t Image/GIF; x=y\r\n\r\n", head), ParseStatus::Ok);
    EXPECT_EQ(head.ContentType, "image/gif");
    EXPECT_FALSE(IsTextType(head.ContentType));
    ResponseHead plain;
    ASSERT_EQ(ParseResponseHead("HTTP/1.0 200 OK\r\n\r\n", plain), ParseStatus::Ok);
    EXPECT_EQ(plain.ContentType, "text/html");
    EXPECT_FALSE(plain.HasContentType);
    EXPECT_TRUE(IsTextType(plain.ContentType));
}

TEST(ResponseHead, ContentLengthZeroOrNotANumberCountsAsOne)
{
    struct Row
    {
        const char* value;
        std::int64_t length;
    };
    const Row rows[] = {{"1234", 1234}, {"0", 1}, {"abc", 1}, {"", 1}, {"99999999999999999999999", 1LL << 50}};
    for (const Row& row : rows)
    {
        ResponseHead head;
        std::string bytes = std::string("HTTP/1.0 200 OK\r\nContent-Length: ") + row.value + "\r\n\r\n";
        ASSERT_EQ(ParseResponseHead(bytes, head), ParseStatus::Ok);
        EXPECT_GE(head.ContentLength, std::min<std::int64_t>(row.length, 1LL << 50)) << row.value;
        EXPECT_LE(head.ContentLength, row.length * 10) << row.value;
    }
}

TEST(ResponseHead, ReservationIsCappedWhateverTheAnnouncedLength)
{
    EXPECT_EQ(ReserveFor(-1), 0u);
    EXPECT_EQ(ReserveFor(1000), 1300u);
    EXPECT_EQ(ReserveFor(std::int64_t{1} << 50), std::size_t(MaxReservedBodyBytes) + 300);
}

TEST(ResponseStatus, ReadsTheDigitsAfterTheVersionOrGives404)
{
    struct Row
    {
        const char* response;
        int status;
    };
    const Row rows[] = {
        {"HTTP/1.0 200 OK\r\n", 200},
        {"http/1.1\t\t 302 Found", 302},
        {"junk before HTTP/1.0 503", 503},
        {"<html>no status line</html>", 404},
        {"HTTP/1.0 2x0", 404},
        {"HTTP/1.0 20", 404},
        {"HTTP/", 404},
        {"", 404},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ReadStatus(row.response), row.status) << row.response;
}

TEST(ResponseLocation, TakesTheFirstLocationLineNotContentLocation)
{
    EXPECT_EQ(FindLocation("HTTP/1.0 301\r\nContent-Location: /no\r\nLOCATION: :  http://b/c\r\nLocation: /d\r\n"),
              "http://b/c");
    EXPECT_EQ(FindLocation("HTTP/1.0 302\nLocation:/x"), "/x");
    EXPECT_EQ(FindLocation("HTTP/1.0 302\r\n"), "");
}

TEST(TimeOuts, RaisesFollowTheirSteps)
{
    EXPECT_EQ(RaisedAfterTimeOut(10), 30);
    EXPECT_EQ(RaisedAfterTimeOut(59), 79);
    EXPECT_EQ(RaisedAfterTimeOut(64), 120);
    EXPECT_EQ(RaisedAfterTimeOut(60), 100);
    EXPECT_EQ(RaisedAfterRetryStatus(59), 79);
    EXPECT_EQ(RaisedAfterRetryStatus(60), 100);
}

TEST(TimeOuts, AwaitingAnAnswerGetsAMinuteAndLongTimeoutsDouble)
{
    EXPECT_EQ(TimeOutLimit(10, false, false), 10);
    EXPECT_EQ(TimeOutLimit(10, true, false), 60);
    EXPECT_EQ(TimeOutLimit(9, true, false), 9);
    EXPECT_EQ(TimeOutLimit(120, false, true), 240);
    EXPECT_EQ(TimeOutLimit(30, true, true), 120);
}

TEST(TimeOuts, ElapsedTimeIsMonotonicAcrossTheHour)
{
    auto start = std::chrono::steady_clock::time_point(std::chrono::minutes(59) + std::chrono::seconds(50));
    EXPECT_EQ(ElapsedSeconds(start, start + std::chrono::seconds(25)), 25);
    EXPECT_EQ(ElapsedSeconds(start, start + std::chrono::hours(2)), 7200);
}

} // namespace
} // namespace rv
