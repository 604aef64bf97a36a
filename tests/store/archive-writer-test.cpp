// Archives written by TKSDB and read back by ArchiveReader.
#include "store/archive-lock.h"
#include "store/archive-reader.h"
#include "store/archive-writer.h"
#include "store/rv-comp.h"
#include "tests/support/sandbox.h"

#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <sys/resource.h>

namespace rv
{
namespace
{

using test::ReadFile;
using test::WriteFile;

std::tm Fixed()
{
    std::tm time{};
    time.tm_year = 99;
    time.tm_mon = 11;
    time.tm_mday = 7;
    time.tm_hour = 16;
    time.tm_min = 5;
    time.tm_sec = 9;
    return time;
}

std::string RandomBytes(std::size_t count, unsigned seed = 1)
{
    std::mt19937 random(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes)
    {
        c = static_cast<char>(random());
    }
    return bytes;
}

std::string Html(std::size_t count)
{
    std::string text;
    for (int i = 0; text.size() < count; ++i)
    {
        text += "<p>Paragraph " + std::to_string(i) + " of the page, with a <a href=\"x/" + std::to_string(i * 7) +
                "\">link</a>.</p>\n";
    }
    text.resize(count);
    return text;
}

// The plain size of every block of a stored page, from its stored bytes.
std::vector<std::size_t> BlockSizes(const ArchiveReader& reader, const IndexRecord& record)
{
    const std::string stored = reader.ReadStoredBytes(record);
    std::vector<std::size_t> sizes;
    for (std::size_t pos = 0;;)
    {
        const std::size_t length = static_cast<unsigned char>(stored[pos]) | static_cast<unsigned char>(stored[pos + 1]) << 8;
        pos += 2;
        if (length == 0)
        {
            EXPECT_EQ(pos, stored.size());
            return sizes;
        }
        const auto plain = ExpandBlock(std::string_view(stored).substr(pos, length));
        EXPECT_TRUE(plain);
        sizes.push_back(plain ? plain->bytes.size() : 0);
        pos += length;
    }
}

const IndexRecord* Find(const std::vector<IndexRecord>& records, std::string_view key)
{
    for (const auto& record : records)
    {
        if (record.Key == key)
        {
            return &record;
        }
    }
    return nullptr;
}

class ArchiveWriterTest : public test::SandboxedTest
{
protected:
    std::filesystem::path Archive() const { return PathOf("Brief.rvd"); }

    // Writes one page through the given appends and returns the reader.
    ArchiveReader WriteOnePage(const std::vector<std::string>& appends)
    {
        TKSDB store(Fixed);
        EXPECT_TRUE(store.Open(Archive(), "Brief"));
        EXPECT_TRUE(store.BeginPage("p", "", nullptr, 0x34, "Entry", 1));
        for (const auto& bytes : appends)
        {
            EXPECT_TRUE(store.Append(bytes));
        }
        EXPECT_TRUE(store.EndPage());
        EXPECT_TRUE(store.Close());
        return ArchiveReader::OpenFile(Archive());
    }
};

TEST_F(ArchiveWriterTest, PagesComeBackInBlocksOfAtMostTwentyThousandBytes)
{
    struct Case
    {
        const char* name;
        std::vector<std::size_t> appends;
        std::vector<std::size_t> blocks;
    };
    const std::vector<Case> cases = {
        {"small page", {100}, {100}},
        {"20000 in one call", {20000}, {20000}},
        {"20001 in one call", {20001}, {20000, 1}},
        {"20000 then 1", {20000, 1}, {20000, 1}},
        {"5 then 30000", {5, 30000}, {5, 20000, 10000}},
        {"19999 then 1", {19999, 1}, {20000}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::vector<std::string> appends;
        std::string whole;
        for (std::size_t size : c.appends)
        {
            appends.push_back(Html(size));
            whole += appends.back();
        }
        const ArchiveReader reader = WriteOnePage(appends);
        const auto records = reader.ReadIndex();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(reader.ReadPage(records[0]), whole);
        EXPECT_EQ(BlockSizes(reader, records[0]), c.blocks);
    }
}

TEST_F(ArchiveWriterTest, OneMegabyteInOneCallIsSplitIntoBlocksThatFitTheLengthField)
{
    const std::string page = RandomBytes(1 << 20);
    const ArchiveReader reader = WriteOnePage({page});
    const auto records = reader.ReadIndex();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(reader.ReadPage(records[0]), page);
    const auto blocks = BlockSizes(reader, records[0]);
    EXPECT_EQ(blocks.size(), (page.size() + 19999) / 20000);
    for (std::size_t size : blocks)
    {
        EXPECT_LE(size, 20000u);
    }
    // Length is the stored size of the last block.
    const std::string stored = reader.ReadStoredBytes(records[0]);
    const std::size_t lastBlock = page.size() % 20000;
    const std::size_t lastStart = stored.size() - 2 - records[0].Length;
    EXPECT_EQ(ExpandBlock(std::string_view(stored).substr(lastStart, records[0].Length))->bytes.size(), lastBlock);
}

TEST_F(ArchiveWriterTest, EveryIndexFieldComesBackAsWritten)
{
    TKSDB store(Fixed);
    ASSERT_TRUE(store.Open(Archive(), "Brief"));
    ASSERT_TRUE(store.BeginPage("www.a.com/\r\npage\t.html", "text/plain", nullptr, 0xB5, "Caption", 7));
    const std::int32_t offset = store.PageOffset();
    ASSERT_TRUE(store.Append("<html><body bgcolor=white>"));
    store.MarkHead(20);
    ASSERT_TRUE(store.Append("text"));
    store.SetValue(42);
    store.ClearFlag128();
    ASSERT_TRUE(store.EndPage());
    ASSERT_TRUE(store.BeginPage("second", "", nullptr, 0, "", -1));
    ASSERT_TRUE(store.Append("abc"));
    store.SetHead(1, 2);
    store.MarkHead(0); // extends the head part to the end of the page
    ASSERT_TRUE(store.EndPage());
    ASSERT_TRUE(store.Close());

    const ArchiveReader reader = ArchiveReader::OpenFile(Archive());
    EXPECT_EQ(reader.Header().Information, "Brief");
    EXPECT_EQ(reader.Header().Subversion, 4);
    const auto records = reader.ReadIndex();
    ASSERT_EQ(records.size(), 2u);
    const IndexRecord& page = records[0];
    EXPECT_EQ(page.Key, "www.a.com/page.html");
    EXPECT_EQ(page.Offset, offset);
    EXPECT_EQ(page.Offset, static_cast<std::int32_t>(reader.Header().DataStart()));
    EXPECT_GT(page.Length, 0);
    EXPECT_EQ(page.ContentType, "text/plain");
    EXPECT_EQ(page.Number, 7);
    EXPECT_EQ(page.Flags, 0x35);
    EXPECT_EQ(page.Extra1, "");
    EXPECT_EQ(page.Stamp, "12/7/99 4:05:09 PM");
    EXPECT_EQ(page.Caption, "Caption");
    EXPECT_EQ(page.HeadOffset, 6);
    EXPECT_EQ(page.HeadLength, 20);
    EXPECT_EQ(page.Value, 42);
    EXPECT_EQ(reader.ReadPage(page), "<html><body bgcolor=white>text");

    EXPECT_EQ(records[1].ContentType, "text/html");
    EXPECT_EQ(records[1].Number, -1);
    EXPECT_EQ(records[1].HeadOffset, 1);
    EXPECT_EQ(records[1].HeadLength, 2);
    EXPECT_EQ(records[1].Value, 0);
}

TEST_F(ArchiveWriterTest, RedirectedUrlsAreFoundWithTheTargetsOffset)
{
    TKSDB store(Fixed);
    ASSERT_TRUE(store.Open(Archive(), ""));
    const std::vector<std::string> own = {"old.com/", "older.com/"};
    ASSERT_TRUE(store.BeginPage("new.com/", "", &own, 0x34, "C", 2));
    ASSERT_TRUE(store.Append("body"));
    store.SetHead(0, 4);
    store.SetValue(5);
    std::vector<std::string> given = {"given.com/"};
    ASSERT_TRUE(store.EndPage(&given));
    EXPECT_TRUE(given.empty());
    ASSERT_TRUE(store.AddAlias("new.com/", "alias.com/"));
    EXPECT_FALSE(store.AddAlias("unknown.com/", "x.com/"));
    ASSERT_TRUE(store.Close());

    const ArchiveReader reader = ArchiveReader::OpenFile(Archive());
    const auto records = reader.ReadIndex();
    ASSERT_EQ(records.size(), 5u);
    const IndexRecord* target = Find(records, "new.com/");
    ASSERT_TRUE(target);
    for (const char* key : {"old.com/", "older.com/", "given.com/", "alias.com/"})
    {
        SCOPED_TRACE(key);
        const IndexRecord* alias = Find(records, key);
        ASSERT_TRUE(alias);
        EXPECT_EQ(alias->Offset, target->Offset);
        EXPECT_EQ(alias->Length, target->Length);
        EXPECT_EQ(alias->Number, 2);
        EXPECT_EQ(alias->Flags, 0x34);
        EXPECT_EQ(reader.ReadPage(*alias), "body");
    }
    // Aliases from EndPage's list share the head part and value; those from
    // BeginPage's list do not.
    EXPECT_EQ(Find(records, "given.com/")->HeadLength, 4);
    EXPECT_EQ(Find(records, "given.com/")->Value, 5);
    EXPECT_EQ(Find(records, "old.com/")->HeadOffset, -1);
    EXPECT_EQ(Find(records, "old.com/")->Value, 0);
    EXPECT_EQ(Find(records, "alias.com/")->Value, 5);
    EXPECT_EQ(records[1].Key, "given.com/");
}

TEST_F(ArchiveWriterTest, NotRetrievedUrlsAreRecordedWithTheirReason)
{
    TKSDB store(Fixed);
    ASSERT_TRUE(store.Open(Archive(), ""));
    ASSERT_TRUE(store.BeginPage("page", "", nullptr, 0, "", 0));
    // Links found while a page is stored are recorded without disturbing it.
    ASSERT_TRUE(store.AddTooDeep("deep", "c1", 1, 0x20));
    ASSERT_TRUE(store.Append("x"));
    ASSERT_TRUE(store.EndPage());
    ASSERT_TRUE(store.AddOutOfTree("out", "c2", 2, 0));
    ASSERT_TRUE(store.AddExcluded("excluded", "c3", 3, 0));
    ASSERT_TRUE(store.AddSkipped("skipped", "c4", {"more1", "more2"}, 4, 0x10));
    ASSERT_TRUE(store.AddRecord("copied", 1234, 56, 0x08, "c5", 5, "image/gif"));
    EXPECT_EQ(store.RecordCount(), 8u);
    ASSERT_TRUE(store.Close());

    const ArchiveReader reader = ArchiveReader::OpenFile(Archive());
    EXPECT_EQ(reader.IndexRecordCount(), 8);
    const auto records = reader.ReadIndex();
    const std::vector<std::pair<std::string, std::int32_t>> expected = {
        {"deep", 0}, {"out", -1}, {"excluded", -3}, {"skipped", -2}, {"more1", -2}, {"more2", -2}, {"copied", 1234}};
    for (const auto& [key, offset] : expected)
    {
        SCOPED_TRACE(key);
        const IndexRecord* record = Find(records, key);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->Offset, offset);
        if (offset <= 0)
        {
            EXPECT_EQ(record->Length, 0);
            EXPECT_THROW(reader.ReadPage(*record), ArchiveError);
        }
    }
    EXPECT_EQ(Find(records, "more2")->Caption, "c4");
    EXPECT_EQ(Find(records, "more2")->Flags, 0x10);
    EXPECT_EQ(Find(records, "copied")->Length, 56);
    EXPECT_EQ(Find(records, "copied")->ContentType, "image/gif");
    EXPECT_GT(Find(records, "page")->Length, 0);
}

TEST_F(ArchiveWriterTest, FileBodiesLoseTheirClosingZeroByte)
{
    struct Case
    {
        std::size_t fileBytes;
        std::size_t pageBytes;
    };
    // A last piece shorter than 20000 bytes loses its last byte.
    const std::vector<Case> cases = {{6, 5}, {1, 0}, {0, 0}, {20000, 20000}, {20001, 20000}, {45000, 44999}};
    TKSDB store(Fixed);
    ASSERT_TRUE(store.Open(Archive(), ""));
    for (const auto& c : cases)
    {
        const std::string body = RandomBytes(c.fileBytes, static_cast<unsigned>(c.fileBytes));
        WriteFile(PathOf("body"), body);
        ASSERT_TRUE(store.AddFromFile("f" + std::to_string(c.fileBytes), "image/gif", nullptr, PathOf("body"), "C", 1));
    }
    EXPECT_FALSE(store.AddFromFile("missing", "", nullptr, PathOf("no such file"), "C", 1));
    EXPECT_FALSE(store.IsPageOpen());
    ASSERT_TRUE(store.Close());

    const ArchiveReader reader = ArchiveReader::OpenFile(Archive());
    const auto records = reader.ReadIndex();
    ASSERT_EQ(records.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i)
    {
        SCOPED_TRACE(cases[i].fileBytes);
        const std::string body = RandomBytes(cases[i].fileBytes, static_cast<unsigned>(cases[i].fileBytes));
        EXPECT_EQ(reader.ReadPage(records[i]), body.substr(0, cases[i].pageBytes));
        EXPECT_EQ(records[i].Flags, 8);
        EXPECT_EQ(records[i].ContentType, "image/gif");
    }
}

TEST_F(ArchiveWriterTest, StoredBytesCopiedRawReadTheSameInTheNewArchive)
{
    const std::string page = Html(50000);
    ArchiveReader source = WriteOnePage({page});
    const IndexRecord record = source.ReadIndex().at(0);

    TKSDB package(Fixed);
    ASSERT_TRUE(package.Open(PathOf("Package.rvd"), ""));
    ASSERT_TRUE(package.BeginPage("TOC0", record.ContentType, nullptr, record.Flags, record.Stamp, 0));
    ASSERT_TRUE(package.AppendRaw(source.ReadStoredBytes(record)));
    ASSERT_TRUE(package.EndPage());
    ASSERT_TRUE(package.Close());

    const ArchiveReader copy = ArchiveReader::OpenFile(PathOf("Package.rvd"));
    EXPECT_EQ(copy.ReadPage(copy.ReadIndex().at(0)), page);
}

TEST_F(ArchiveWriterTest, ManyRecordsForceSeveralFlushesAndAllComeBackInOrder)
{
    TKSDB store(Fixed);
    ASSERT_TRUE(store.Open(Archive(), "Brief"));
    const int count = 3000;
    bool sawBlocksWhileOpen = false;
    for (int i = 0; i < count; ++i)
    {
        const std::string url = "www.site.com/section/page" + std::to_string(i) + ".html";
        if (i % 100 == 0)
        {
            ASSERT_TRUE(store.BeginPage(url, "", nullptr, 0x34, "Entry", 1));
            ASSERT_TRUE(store.Append(Html(300 + i)));
            ASSERT_TRUE(store.EndPage());
        }
        else
        {
            ASSERT_TRUE(store.AddTooDeep(url, "Entry caption", static_cast<std::int16_t>(i % 50), 0));
        }
        sawBlocksWhileOpen = sawBlocksWhileOpen || std::filesystem::file_size(PathOf("Brief.ndx")) > 0;
    }
    EXPECT_TRUE(sawBlocksWhileOpen);
    ASSERT_TRUE(store.Close());
    EXPECT_FALSE(std::filesystem::exists(PathOf("Brief.ndx")));
    EXPECT_FALSE(std::filesystem::exists(PathOf("Brief.nd2")));

    const ArchiveReader reader = ArchiveReader::OpenFile(Archive());
    const auto records = reader.ReadIndex();
    ASSERT_EQ(records.size(), static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
    {
        ASSERT_EQ(records[i].Key, "www.site.com/section/page" + std::to_string(i) + ".html") << i;
        if (i % 100 == 0)
        {
            ASSERT_EQ(reader.ReadPage(records[i]), Html(300 + i)) << i;
        }
    }
}

TEST_F(ArchiveWriterTest, LongKeysAndCaptionsAreCutAndArchiveKeysCleaned)
{
    TKSDB store(Fixed);
    ASSERT_TRUE(store.Open(Archive(), ""));
    const std::string longKey(5000, 'k');
    for (int i = 0; i < 30; ++i) // enough to pass several flush windows
    {
        ASSERT_TRUE(store.AddTooDeep(longKey + std::to_string(i), std::string(5000, 'c'), 1, 0));
    }
    ASSERT_TRUE(store.AddExcluded("a.com/q\\\"x\\\" y", "", 1, 0));
    ASSERT_TRUE(store.Close());
    const auto records = ArchiveReader::OpenFile(Archive()).ReadIndex();
    ASSERT_EQ(records.size(), 31u);
    EXPECT_EQ(records[0].Key, std::string(MaxKeyBytes, 'k'));
    EXPECT_EQ(records[0].Caption.size(), MaxCaptionBytes);
    EXPECT_EQ(records[30].Key, "a.com/q\"x\"");
}

TEST_F(ArchiveWriterTest, CallsInTheWrongStateFailAndADisabledStoreDoesNothing)
{
    TKSDB store(Fixed);
    EXPECT_FALSE(store.BeginPage("p", "", nullptr, 0, "", 0));
    EXPECT_FALSE(store.Append("x"));
    EXPECT_FALSE(store.EndPage());
    EXPECT_FALSE(store.AddTooDeep("p", "", 0, 0));
    EXPECT_FALSE(store.Close());
    ASSERT_TRUE(store.Open(Archive(), ""));
    EXPECT_FALSE(store.Open(Archive(), ""));
    ASSERT_TRUE(store.BeginPage("p", "", nullptr, 0, "", 0));
    EXPECT_FALSE(store.BeginPage("q", "", nullptr, 0, "", 0));
    ASSERT_TRUE(store.EndPage());
    EXPECT_FALSE(store.EndPage());
    ASSERT_TRUE(store.Close());

    TKSDB disabled(Fixed);
    disabled.SetDisabled(true);
    EXPECT_FALSE(disabled.Open(PathOf("Disabled.rvd"), ""));
    EXPECT_TRUE(disabled.BeginPage("p", "", nullptr, 0, "", 0));
    EXPECT_TRUE(disabled.Append("x"));
    EXPECT_TRUE(disabled.EndPage());
    EXPECT_TRUE(disabled.AddSkipped("p", "", {}, 0, 0));
    EXPECT_TRUE(disabled.Close());
    EXPECT_FALSE(std::filesystem::exists(PathOf("Disabled.rvd")));
}

TEST_F(ArchiveWriterTest, ArchiveIsLockedWhileWrittenAndLeftCompletableByACrash)
{
    {
        TKSDB store(Fixed);
        ASSERT_TRUE(store.Open(Archive(), "Brief"));
        EXPECT_TRUE(ArchiveIsBeingWritten(Archive()));
        EXPECT_FALSE(ArchiveLock::TryAcquire(Archive()));
        TKSDB second(Fixed);
        EXPECT_FALSE(second.Open(Archive(), "Other"));
        ASSERT_TRUE(store.BeginPage("p", "", nullptr, 0, "", 0));
        ASSERT_TRUE(store.Append("x"));
        ASSERT_TRUE(store.EndPage());
        // An archive being written has no index yet.
        const ArchiveReader reader = ArchiveReader::OpenFile(Archive());
        EXPECT_EQ(reader.Header().Information, "Brief");
        try
        {
            reader.ReadIndex();
            ADD_FAILURE() << "an open archive has an index";
        }
        catch (const ArchiveError& error)
        {
            EXPECT_EQ(error.Kind(), ArchiveErrorKind::NoIndex);
        }
    } // destroyed without Close, as by a crash
    EXPECT_FALSE(ArchiveIsBeingWritten(Archive()));
    EXPECT_TRUE(ArchiveLock::TryAcquire(Archive()));
    EXPECT_TRUE(std::filesystem::exists(PathOf("Brief.nd2")));
    EXPECT_TRUE(std::filesystem::exists(PathOf("Brief.ndx")));
}

// Runs body with the largest file this process may write limited to bytes.
template <typename Body> void WithFileSizeLimit(rlim_t bytes, Body body)
{
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
    body();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
}

TEST_F(ArchiveWriterTest, ShortWritesAbandonThePageAndFailTheClose)
{
    TKSDB store(Fixed);
    ASSERT_TRUE(store.Open(Archive(), ""));
    ASSERT_TRUE(store.BeginPage("kept", "", nullptr, 0, "", 0));
    ASSERT_TRUE(store.Append(RandomBytes(100)));
    ASSERT_TRUE(store.EndPage());
    const auto size = std::filesystem::file_size(Archive());
    WithFileSizeLimit(size + 1000,
                      [&]
                      {
                          ASSERT_TRUE(store.BeginPage("lost", "", nullptr, 0, "", 0));
                          EXPECT_FALSE(store.Append(RandomBytes(100000)));
                          EXPECT_FALSE(store.IsPageOpen());
                          EXPECT_FALSE(store.EndPage());
                      });
    ASSERT_TRUE(store.IsOpen());
    const auto written = store.WritePosition();
    WithFileSizeLimit(written + 2,
                      [&]
                      {
                          try
                          {
                              store.Close();
                              ADD_FAILURE() << "Close did not fail";
                          }
                          catch (const ArchiveError& error)
                          {
                              EXPECT_EQ(error.Kind(), ArchiveErrorKind::Io);
                              EXPECT_STREQ(error.what(), "Write Failed");
                          }
                      });
    EXPECT_FALSE(store.IsOpen());
    EXPECT_TRUE(std::filesystem::exists(PathOf("Brief.ndx")));
}

// A flush of the working index cut short after its first block (a full
// disk) must not leave that block behind: the run then closes the archive,
// the flush runs again, and the block's records would be in the index twice,
// more than its count, so that the whole archive was refused.
TEST_F(ArchiveWriterTest, FlushCutShortLeavesNoRecordTwiceInTheIndex)
{
    // Records that hardly compress, so that each flush writes two blocks.
    const auto add = [](TKSDB& store, int i)
    { return store.AddTooDeep("u" + std::to_string(i), RandomBytes(400, static_cast<unsigned>(i)), 1, 0); };
    const auto ndx = PathOf("Brief.ndx");
    // A first store shows which record starts a flush once ".ndx" is larger
    // than ".nd2" can grow, and where that flush's first block ends.
    int flushing = 0;
    std::uint64_t firstBlockEnd = 0;
    {
        TKSDB store(Fixed);
        ASSERT_TRUE(store.Open(Archive(), ""));
        for (int i = 0; firstBlockEnd == 0; ++i)
        {
            const auto before = std::filesystem::file_size(ndx);
            ASSERT_TRUE(add(store, i));
            if (before > 30000 && std::filesystem::file_size(ndx) > before)
            {
                const std::string bytes = ReadFile(ndx);
                flushing = i;
                firstBlockEnd =
                    before + 2 +
                    (static_cast<unsigned char>(bytes[before]) | static_cast<unsigned char>(bytes[before + 1]) << 8);
            }
        }
    }
    TKSDB store(Fixed);
    ASSERT_TRUE(store.Open(Archive(), ""));
    for (int i = 0; i < flushing; ++i)
    {
        ASSERT_TRUE(add(store, i));
    }
    WithFileSizeLimit(firstBlockEnd + 1, [&] { EXPECT_THROW(add(store, flushing), ArchiveError); });
    ASSERT_TRUE(store.Close());
    EXPECT_EQ(ArchiveReader::OpenFile(Archive()).ReadIndex().size(), flushing + 1u);
}

} // namespace
} // namespace rv
