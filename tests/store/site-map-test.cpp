#include "store/site-map-reader.h"
#include "store/site-map.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace rv
{
namespace
{

using namespace std::string_literals;

class SiteMapTest : public test::SandboxedTest
{
protected:
    std::filesystem::path Archive() const { return PathOf("News.12-7-99.4h05m09s.rvd"); }
    std::filesystem::path SmpFile() const { return PathOf("News.12-7-99.4h05m09s.smp"); }
};

SiteMapRecord Record(std::string group, std::string title, std::string url, std::string fragment, std::uint8_t kind,
                     std::string note)
{
    return SiteMapRecord{std::move(group), std::move(title), std::move(url), std::move(fragment), kind, std::move(note)};
}

TEST_F(SiteMapTest, FileIsNamedAfterTheArchiveAndMadeOnlyByTheFirstNote)
{
    TSiteMap map(Archive());
    EXPECT_EQ(map.FileName(), SmpFile());
    EXPECT_FALSE(std::filesystem::exists(SmpFile()));
    EXPECT_EQ(map.Next(), nullptr);

    map.AddEntryNote("0");
    EXPECT_TRUE(std::filesystem::exists(SmpFile()));
    EXPECT_EQ(SiteMapFileName("/a/b.c/noext"), std::filesystem::path("/a/b.c/noext.smp"));
}

TEST_F(SiteMapTest, RecordWithEveryTextEmptyIsTwentyFiveBytes)
{
    TSiteMap map(Archive());
    map.AddNote("", "", "", "", 0);
    // clang-format off
    const std::string expected = "\0\0\0\0"s "\0\0\0\0"s "\0\0\0\0"s "\0\0\0\0"s "\1\0\0\0\0"s "\0\0\0\0"s;
    // clang-format on
    ASSERT_EQ(expected.size(), 25u);
    EXPECT_EQ(test::ReadFile(SmpFile()), expected);
}

TEST_F(SiteMapTest, RecordsAreWrittenByteForByte)
{
    TSiteMap map(Archive());
    map.AddNote("Home", "http://h/a#top", "3.1", "hit", 1);
    map.AddEntryNote("12");
    map.AddNote(std::string(300, 'T'), "file:/x", "0", "", 0);

    // clang-format off
    const std::string expected = "\3\0\0\0" "3.1"
                                 "\4\0\0\0" "Home"
                                 "\x0E\0\0\0" "http://h/a#top"
                                 "\3\0\0\0" "top"
                                 "\1\0\0\0" "\1"
                                 "\3\0\0\0" "hit"s +
                                 "\2\0\0\0" "12"
                                 "\0\0\0\0" "\0\0\0\0" "\0\0\0\0" "\1\0\0\0" "\0" "\0\0\0\0"s +
                                 "\1\0\0\0" "0"
                                 "\x2C\1\0\0"s + std::string(300, 'T') +
                                 "\7\0\0\0" "file:/x"
                                 "\0\0\0\0" "\1\0\0\0" "\0" "\0\0\0\0"s;
    // clang-format on
    EXPECT_EQ(test::ReadFile(SmpFile()), expected);
    EXPECT_EQ(map.Written(), 3u);
}

TEST_F(SiteMapTest, AnchorIsAppendedToTheAddressAndBecomesTheFragment)
{
    TSiteMap map(Archive());
    map.AddNote("Plain", "http://h/p", "1", "", 0);
    map.AddNote("Own fragment", "http://h/p#end", "1.0", "", 0);
    map.AddNote("Anchor", "http://h/p", "1.1", "", 0, "sec");
    map.AddNote("Both", "http://h/p#a", "1.2", "", 0, "b");
    map.AddNote("Empty anchor", "http://h/p", "1.3", "", 0, "");

    const std::vector<std::pair<std::string, std::string>> expected = {{"http://h/p", ""},
                                                                       {"http://h/p#end", "end"},
                                                                       {"http://h/p#sec", "sec"},
                                                                       {"http://h/p#a#b", "a#b"},
                                                                       {"http://h/p#", ""}};
    for (const auto& [url, fragment] : expected)
    {
        auto node = map.Next();
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->Url, url) << node->Title;
        EXPECT_EQ(node->Fragment, fragment) << node->Title;
    }
}

TEST_F(SiteMapTest, RecordsAreReadBackInOrderWhileWritingGoesOn)
{
    TSiteMap map(Archive());
    map.AddEntryNote("0");
    map.AddNote("A", "http://a/", "0.0", "term", 1);
    EXPECT_EQ(map.Unread(), 2u);

    auto first = map.Next();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(static_cast<SiteMapRecord&>(*first), Record("0", "", "", "", 0, ""));
    EXPECT_TRUE(first->Children.Empty());

    map.AddNote("B", "http://b/", "0.1", "", 0);
    EXPECT_EQ(map.Written(), 3u);
    EXPECT_EQ(map.Unread(), 2u);

    auto second = map.Next();
    auto third = map.Next();
    ASSERT_NE(second, nullptr);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(static_cast<SiteMapRecord&>(*second), Record("0.0", "A", "http://a/", "", 1, "term"));
    EXPECT_EQ(static_cast<SiteMapRecord&>(*third), Record("0.1", "B", "http://b/", "", 0, ""));
    EXPECT_EQ(map.Next(), nullptr);
    EXPECT_EQ(map.Unread(), 0u);
}

TEST_F(SiteMapTest, DestroyDeletesTheFileAndDestructionAloneKeepsIt)
{
    {
        TSiteMap kept(Archive());
        kept.AddEntryNote("0");
    }
    EXPECT_TRUE(std::filesystem::exists(SmpFile()));

    TSiteMap map(Archive());
    map.AddNote("Fresh", "http://f/", "0", "", 0);
    EXPECT_EQ(ReadSiteMapFile(SmpFile()).Records.size(), 1u) << "the first note replaces an old file";
    map.Destroy();
    EXPECT_FALSE(std::filesystem::exists(SmpFile()));
    EXPECT_EQ(map.Written(), 0u);
    EXPECT_EQ(map.Next(), nullptr);

    TSiteMap unused(PathOf("never.rvd"));
    EXPECT_NO_THROW(unused.Destroy());
}

TEST_F(SiteMapTest, FileThatCannotBeCreatedThrowsAndCountsNothing)
{
    TSiteMap map(PathOf("missing-folder/x.rvd"));
    EXPECT_THROW(map.AddEntryNote("0"), SiteMapError);
    EXPECT_EQ(map.Written(), 0u);
}

TEST_F(SiteMapTest, NotesFromTwoThreadsStayWhole)
{
    TSiteMap map(Archive());
    constexpr int PerThread = 2000;
    auto writer = [&map](const std::string& group)
    {
        for (int i = 0; i < PerThread; ++i)
        {
            map.AddNote("Title " + std::to_string(i), "http://h/" + std::to_string(i), group, "", 0);
        }
    };
    std::thread one(writer, "1");
    std::thread two(writer, "2");
    one.join();
    two.join();

    const SiteMapFileContents contents = ReadSiteMapFile(SmpFile());
    EXPECT_EQ(contents.Ending, SiteMapReadStatus::End);
    ASSERT_EQ(contents.Records.size(), 2u * PerThread);
    int next[3] = {0, 0, 0};
    for (const SiteMapRecord& record : contents.Records)
    {
        const int group = std::stoi(record.Group);
        EXPECT_EQ(record.Title, "Title " + std::to_string(next[group]++));
    }
}

// A file of three records written by TSiteMap, and the offsets where each record ends.
class SiteMapReaderTest : public SiteMapTest
{
protected:
    void SetUp() override
    {
        SiteMapTest::SetUp();
        TSiteMap map(Archive());
        for (const SiteMapRecord& record : records_)
        {
            map.AddNote(record.Title, record.Url, record.Group, record.Note, record.Kind);
            ends_.push_back(std::filesystem::file_size(SmpFile()));
        }
        bytes_ = test::ReadFile(SmpFile());
    }

    const std::vector<SiteMapRecord> records_ = {Record("4", "Entry", "http://e/#x", "x", 0, ""),
                                                 Record("4.0", "", "", "", 0, ""),
                                                 Record("4.1", "Child", "http://e/c", "", 1, "found")};
    std::vector<std::uint64_t> ends_;
    std::string bytes_;
};

TEST_F(SiteMapReaderTest, WholeFileIsReadToItsEnd)
{
    const SiteMapFileContents contents = ReadSiteMapFile(SmpFile());
    EXPECT_EQ(contents.Records, records_);
    EXPECT_EQ(contents.Ending, SiteMapReadStatus::End);
    EXPECT_THROW(ReadSiteMapFile(PathOf("absent.smp")), SiteMapError);
}

TEST_F(SiteMapReaderTest, TruncationAtEveryOffsetKeepsTheCompleteRecords)
{
    for (std::size_t cut = 0; cut <= bytes_.size(); ++cut)
    {
        std::istringstream in(bytes_.substr(0, cut));
        SiteMapReader reader(in);
        std::vector<SiteMapRecord> read;
        SiteMapRecord record;
        while (reader.Next(record))
        {
            read.push_back(record);
        }
        std::size_t whole = 0;
        while (whole < ends_.size() && ends_[whole] <= cut)
        {
            ++whole;
        }
        const bool onBoundary = cut == 0 || (whole > 0 && ends_[whole - 1] == cut);
        ASSERT_EQ(read, std::vector<SiteMapRecord>(records_.begin(), records_.begin() + whole)) << "cut at " << cut;
        EXPECT_EQ(reader.Ending(), onBoundary ? SiteMapReadStatus::End : SiteMapReadStatus::Truncated) << "cut at " << cut;
        EXPECT_EQ(reader.CompleteBytes(), whole == 0 ? 0 : ends_[whole - 1]) << "cut at " << cut;
    }
}

TEST_F(SiteMapReaderTest, LengthBeyondTheFileIsRefusedInEveryItem)
{
    // Each item's length of the last record in turn claims nearly 4 GiB.
    const std::uint64_t lastStart = ends_[1];
    for (int item = 0; item < 6; ++item)
    {
        std::string damaged = bytes_;
        std::uint64_t offset = lastStart;
        for (int skip = 0; skip < item; ++skip)
        {
            const auto length = static_cast<unsigned char>(damaged[offset]) | static_cast<unsigned char>(damaged[offset + 1])
                                                                                  << 8;
            offset += 4 + length;
        }
        damaged.replace(offset, 4, "\xF0\xFF\xFF\xFF");
        test::WriteFile(PathOf("damaged.smp"), damaged);

        const SiteMapFileContents contents = ReadSiteMapFile(PathOf("damaged.smp"));
        EXPECT_EQ(contents.Records, std::vector<SiteMapRecord>(records_.begin(), records_.begin() + 2)) << item;
        EXPECT_EQ(contents.Ending, item == 4 ? SiteMapReadStatus::Malformed : SiteMapReadStatus::Truncated) << item;
    }
}

TEST_F(SiteMapReaderTest, KindOfAnyLengthButOneEndsTheReading)
{
    for (const char* kindItem : {"\0\0\0\0", "\2\0\0\0"})
    {
        std::string damaged = bytes_.substr(0, ends_[0]) +
                              "\1\0\0\0"
                              "5"s +
                              std::string(12, '\0') + std::string(kindItem, 4) + "\1\1\0\0\0\0"s;
        std::istringstream in(damaged);
        SiteMapReader reader(in);
        SiteMapRecord record;
        EXPECT_TRUE(reader.Next(record));
        EXPECT_FALSE(reader.Next(record));
        EXPECT_EQ(reader.Ending(), SiteMapReadStatus::Malformed);
        EXPECT_EQ(reader.CompleteBytes(), ends_[0]);
    }
}

TEST_F(SiteMapReaderTest, StreamIsReadFromItsCurrentPosition)
{
    std::istringstream in("junk" + bytes_);
    in.seekg(4);
    SiteMapReader reader(in);
    SiteMapRecord record;
    ASSERT_TRUE(reader.Next(record));
    EXPECT_EQ(record, records_[0]);
}

} // namespace
} // namespace rv
