// Golden bytes of the archive header and of index records, archive names,
// record stamps and the recent-record list.
#include "store/archive-name.h"
#include "store/archive-writer.h"
#include "store/index-record.h"
#include "store/ksdb-list.h"
#include "store/local-stamp.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>
#include <string>

namespace rv
{
namespace
{

using test::ReadFile;
using test::SandboxedTest;
using test::WriteFile;

std::tm At(int year, int month, int day, int hour, int minute, int second)
{
    std::tm time{};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

std::tm Fixed()
{
    return At(1999, 12, 7, 16, 5, 9);
}

std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int value : values)
    {
        out.push_back(static_cast<char>(value));
    }
    return out;
}

class ArchiveFormatTest : public SandboxedTest
{
};

TEST_F(ArchiveFormatTest, EmptyArchiveIsHeaderIndexOffsetCountAndClosingZero)
{
    TKSDB store(Fixed);
    const auto path = PathOf("News.rvd");
    ASSERT_TRUE(store.Open(path, "News"));
    // While open the index offset is still 0.
    EXPECT_EQ(ReadFile(path), std::string("KSDB-MWR") + Bytes({1, 0, 4, 0, 4, 0}) + "News" + Bytes({0, 0, 0, 0}));
    ASSERT_TRUE(store.Close());

    const std::string expected = std::string("KSDB-MWR") + Bytes({1, 0, 4, 0, 4, 0}) + "News" +
                                 Bytes({22, 0, 0, 0}) + // index offset: right after the header
                                 Bytes({0, 0, 0, 0}) +  // record count
                                 Bytes({0, 0});         // no index blocks, closing 0
    EXPECT_EQ(ReadFile(path), expected);
    EXPECT_FALSE(std::filesystem::exists(PathOf("News.ndx")));
    EXPECT_FALSE(std::filesystem::exists(PathOf("News.nd2")));
}

TEST_F(ArchiveFormatTest, WorkingIndexRecordHasTheDocumentedBytes)
{
    TKSDB store(Fixed);
    ASSERT_TRUE(store.Open(PathOf("a.rvd"), ""));
    ASSERT_TRUE(store.AddExcluded("x.org/a\\\"b c", "Cap", 3, 0x10));

    const std::string stamp = "12/7/99 4:05:09 PM";
    const std::string expected = Bytes({12, 0}) + "x.org/a\\\"b c" + // key as given
                                 Bytes({0xFD, 0xFF, 0xFF, 0xFF}) +   // Offset -3: excluded
                                 Bytes({0, 0, 0, 0}) +               // Length
                                 Bytes({9, 0}) + "text/html" +       // content type
                                 Bytes({3, 0}) +                     // Number
                                 Bytes({0x10}) +                     // Flags
                                 Bytes({0, 0}) +                     // Extra1, empty
                                 Bytes({18, 0}) + stamp +            // Stamp
                                 Bytes({3, 0}) + "Cap" +             // Caption
                                 Bytes({0xFF, 0xFF, 0xFF, 0xFF}) +   // HeadOffset -1
                                 Bytes({0, 0, 0, 0}) +               // HeadLength
                                 Bytes({0, 0, 0, 0});                // Value
    EXPECT_EQ(ReadFile(PathOf("a.nd2")), expected);

    std::size_t pos = 0;
    const auto decoded = DecodeIndexRecord(expected, pos, true);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(pos, expected.size());
    EXPECT_EQ(decoded->Offset, -3);
    EXPECT_EQ(decoded->Stamp, stamp);
    std::string encoded;
    EncodeIndexRecord(*decoded, encoded);
    EXPECT_EQ(encoded, expected);
}

TEST(IndexRecordTest, DecodingStopsCleanlyAtEveryCut)
{
    IndexRecord record;
    record.Key = "k";
    record.Caption = "caption";
    std::string bytes;
    EncodeIndexRecord(record, bytes, false);
    for (std::size_t cut = 0; cut < bytes.size(); ++cut)
    {
        std::size_t pos = 0;
        EXPECT_FALSE(DecodeIndexRecord(std::string_view(bytes).substr(0, cut), pos, false)) << "cut at " << cut;
        EXPECT_EQ(pos, 0u);
    }
    std::size_t pos = 0;
    EXPECT_TRUE(DecodeIndexRecord(bytes, pos, false));
    // The same bytes read with the Value field are one field short.
    pos = 0;
    EXPECT_FALSE(DecodeIndexRecord(bytes, pos, true));
}

TEST(IndexRecordTest, KeysAreCleanedOfQuoteEscapesAndCutAtWhiteSpace)
{
    EXPECT_EQ(CleanIndexKey("a.com/x\\\"y\\\"z"), "a.com/x\"y\"z");
    EXPECT_EQ(CleanIndexKey("a.com/p q"), "a.com/p");
    EXPECT_EQ(CleanIndexKey("a.com/p\tq"), "a.com/p");
    EXPECT_EQ(CleanIndexKey("a.com/p\rq\n"), "a.com/p");
    EXPECT_EQ(CleanIndexKey("a\\b\\"), "a\\b\\");
    EXPECT_EQ(StripUrlControls("a\r\n.com/\tb"), "a.com/b");
}

TEST(IndexRecordTest, LongTextsAreBoundedSoARecordFitsOneWindow)
{
    IndexRecord record;
    record.Key.assign(70000, 'k');
    record.Caption.assign(70000, 'c');
    record.ContentType.assign(70000, 't');
    record.Extra1.assign(70000, 'e');
    record.Stamp.assign(70000, 's');
    BoundRecordTexts(record);
    std::string bytes;
    EncodeIndexRecord(record, bytes);
    EXPECT_EQ(record.Key.size(), MaxKeyBytes);
    EXPECT_EQ(record.Caption.size(), MaxCaptionBytes);
    EXPECT_LT(bytes.size(), 20000u - 19000u + 3000u);
}

TEST(ArchiveNameTest, StemHasMonthDayYearAndPaddedMinutesAndSeconds)
{
    EXPECT_EQ(ArchiveStem("Sports", At(1999, 12, 7, 4, 5, 9)), "Sports.12-7-99.4h05m09s");
    EXPECT_EQ(ArchiveStem("News", At(2005, 1, 31, 16, 30, 0)), "News.1-31-5.16h30m00s");
    EXPECT_EQ(ArchiveStem("N", At(2000, 6, 1, 0, 0, 59)), "N.6-1-0.0h00m59s");
}

TEST_F(ArchiveFormatTest, SecondArchiveInTheSameSecondGetsAnASuffix)
{
    const auto brief = PathOf("Sports.brf");
    const std::tm when = At(1999, 12, 7, 4, 5, 9);
    const auto first = NewArchivePath(brief, when);
    EXPECT_EQ(first, PathOf("Sports.12-7-99.4h05m09s.rvd"));
    WriteFile(first, "x");
    const auto second = NewArchivePath(brief, when);
    EXPECT_EQ(second, PathOf("Sports.12-7-99.4h05m09sa.rvd"));
    WriteFile(second, "x");
    EXPECT_EQ(NewArchivePath(brief, when), PathOf("Sports.12-7-99.4h05m09saa.rvd"));
    EXPECT_EQ(SideFilePath(second, ".ndx"), PathOf("Sports.12-7-99.4h05m09sa.ndx"));
}

TEST(LocalStampTest, StampIsShortDateBlankTwelveHourTime)
{
    EXPECT_EQ(FormatStamp(At(1999, 12, 7, 16, 5, 9)), "12/7/99 4:05:09 PM");
    EXPECT_EQ(FormatStamp(At(2001, 3, 4, 0, 0, 0)), "3/4/1 12:00:00 AM");
    EXPECT_EQ(FormatStamp(At(2001, 3, 4, 12, 59, 7)), "3/4/1 12:59:07 PM");
}

TEST(KsdbListTest, KeepsTheFortyOneNewestAndFindsTheNewestOfAKey)
{
    TKSDBList list;
    for (int i = 0; i < 45; ++i)
    {
        IndexRecord record;
        record.Key = "k" + std::to_string(i);
        record.Offset = i;
        list.Add(record);
    }
    EXPECT_EQ(list.Size(), TKSDBList::Capacity);
    EXPECT_EQ(list.Find("k3"), nullptr);
    ASSERT_NE(list.Find("k4"), nullptr);
    IndexRecord again;
    again.Key = "k10";
    again.Offset = 99;
    list.Add(again);
    EXPECT_EQ(list.Find("k4"), nullptr);
    EXPECT_EQ(list.Find("k10")->Offset, 99);
}

} // namespace
} // namespace rv
