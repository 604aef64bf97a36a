// ArchiveReader on archives of every subversion, and on damaged archives.
#include "store/archive-reader.h"
#include "store/archive-writer.h"
#include "store/rv-comp.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace rv
{
namespace
{

void Put(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
    {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

std::string Header(std::uint16_t subversion, std::string_view information)
{
    std::string out("KSDB-MWR");
    Put(out, 1, 2);
    Put(out, subversion, 2);
    Put(out, static_cast<std::uint32_t>(information.size()), 2);
    out.append(information);
    Put(out, 0, 4);
    return out;
}

void SetIndexOffset(std::string& archive, std::size_t field, std::uint32_t offset)
{
    std::string bytes;
    Put(bytes, offset, 4);
    archive.replace(field, 4, bytes);
}

std::string Block(std::string_view plain)
{
    const ALHandle compressor = newALPkCompressor(9, 15, 9);
    const auto compressed = CompressBlock(compressor, plain);
    deleteALCompressor(compressor);
    std::string out;
    Put(out, static_cast<std::uint32_t>(compressed.value().size()), 2);
    return out + *compressed;
}

IndexRecord Record(std::string key, std::int32_t offset, std::int32_t length)
{
    IndexRecord record;
    record.Key = std::move(key);
    record.Offset = offset;
    record.Length = length;
    record.Stamp = "1/2/3 4:05:06 AM";
    record.Caption = "caption";
    return record;
}

// An archive of an older subversion as the earlier writers made it: plain
// pages and a plain index (0 and 1), or blocks without the Value field (2).
struct OldArchive
{
    std::string bytes;
    std::vector<IndexRecord> records;
};

OldArchive MakeOldArchive(std::uint16_t subversion, int recordCount, std::int32_t count)
{
    OldArchive archive{Header(subversion, "Old"), {}};
    const std::size_t field = archive.bytes.size() - 4;
    const std::string page = "<html><body>old page</body></html>";
    const auto pageOffset = static_cast<std::int32_t>(archive.bytes.size());
    const bool compressed = subversion >= 2;
    archive.bytes += compressed ? Block(page) + std::string(2, '\0') : page;
    const std::uint32_t indexOffset = static_cast<std::uint32_t>(archive.bytes.size());
    SetIndexOffset(archive.bytes, field, indexOffset);
    Put(archive.bytes, static_cast<std::uint32_t>(count), 4);
    std::string plain;
    for (int i = 0; i < recordCount; ++i)
    {
        IndexRecord record = Record("k" + std::to_string(i) + std::string(static_cast<std::size_t>(i % 700), 'x'),
                                    i == 0 ? pageOffset : -2, i == 0 ? static_cast<std::int32_t>(page.size()) : 0);
        record.Value = RecordHasValue(subversion) ? i : 0;
        EncodeIndexRecord(record, plain, RecordHasValue(subversion));
        archive.records.push_back(record);
        if (compressed && plain.size() > 19000)
        {
            archive.bytes += Block(plain);
            plain.clear();
        }
    }
    archive.bytes += compressed ? (plain.empty() ? "" : Block(plain)) + std::string(2, '\0') : plain;
    return archive;
}

TEST(ArchiveReaderTest, ReadsEverySubversionsIndexAndPages)
{
    for (std::uint16_t subversion = 0; subversion <= 3; ++subversion)
    {
        SCOPED_TRACE("subversion " + std::to_string(subversion));
        // Enough records, of sizes up to 700 bytes, that many straddle the
        // 19000- and 20000-byte window bounds of a plain index.
        const OldArchive archive = MakeOldArchive(subversion, 300, 300);
        const ArchiveReader reader = ArchiveReader::FromBytes(archive.bytes);
        EXPECT_EQ(reader.Header().Subversion, subversion);
        EXPECT_EQ(reader.Header().Information, "Old");
        const auto records = reader.ReadIndex();
        EXPECT_EQ(records, archive.records);
        ASSERT_FALSE(records.empty());
        EXPECT_EQ(reader.ReadPage(records[0]), "<html><body>old page</body></html>");
    }
}

TEST(ArchiveReaderTest, CountOfMinusOneRunsToTheEndOfTheIndex)
{
    for (std::uint16_t subversion : {1, 4})
    {
        SCOPED_TRACE(subversion);
        OldArchive archive = MakeOldArchive(subversion, 50, -1);
        EXPECT_EQ(ArchiveReader::FromBytes(archive.bytes).ReadIndex(), archive.records);
        if (subversion == 4)
        {
            // The server's completion may leave the blocks without a closing 0.
            archive.bytes.resize(archive.bytes.size() - 2);
            EXPECT_EQ(ArchiveReader::FromBytes(archive.bytes).ReadIndex(), archive.records);
        }
    }
}

TEST(ArchiveReaderTest, DamagedIndexesAreRefusedWithTheRecordsReadSoFar)
{
    struct Case
    {
        const char* name;
        std::uint16_t subversion;
        int records;
        std::int32_t count;
        ArchiveErrorKind kind;
    };
    const std::vector<Case> cases = {
        {"count above the records", 4, 10, 11, ArchiveErrorKind::Malformed},
        {"count below the records", 4, 10, 9, ArchiveErrorKind::Malformed},
        {"plain count above the records", 1, 10, 11, ArchiveErrorKind::Malformed},
        {"negative count", 4, 10, -7, ArchiveErrorKind::Malformed},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const OldArchive archive = MakeOldArchive(c.subversion, c.records, c.count);
        const ArchiveReader reader = ArchiveReader::FromBytes(archive.bytes);
        std::size_t delivered = 0;
        try
        {
            reader.ReadIndex([&](IndexRecord&&) { ++delivered; });
            ADD_FAILURE() << "no error";
        }
        catch (const ArchiveError& error)
        {
            EXPECT_EQ(error.Kind(), c.kind) << error.what();
        }
        EXPECT_LE(delivered, static_cast<std::size_t>(c.records));
    }
}

// Each index is refused before a record is read, or after at most the
// reader's bounds, however much the file claims.
TEST(ArchiveReaderTest, IndexesBeyondTheFileOrTheBoundsAreRefused)
{
    auto blocked = [](int blocks, int perBlock, std::size_t keyBytes)
    {
        std::string archive = Header(4, "");
        SetIndexOffset(archive, 14, static_cast<std::uint32_t>(archive.size()));
        Put(archive, 0xFFFFFFFF, 4);
        std::string plain;
        for (int i = 0; i < perBlock; ++i)
            EncodeIndexRecord(Record(std::string(keyBytes, 'k'), -2, 0), plain, true);
        for (int i = 0; i < blocks; ++i)
            archive += Block(plain);
        return archive + std::string(2, '\0');
    };
    struct Case
    {
        const char* name;
        std::string bytes;
        std::size_t mostDelivered;
    };
    const std::vector<Case> cases = {
        {"plain count the index bytes cannot hold", MakeOldArchive(1, 10, 1000).bytes, 0},
        {"blocked count beyond the record bound", MakeOldArchive(4, 10, 0x7FFFFFFF).bytes, 0},
        {"blocks expanding beyond the index bound", blocked(20, 1000, 950), 17000},
        {"more records than the record bound", blocked(120, 1000, 1), MaxIndexRecords},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const ArchiveReader reader = ArchiveReader::FromBytes(c.bytes);
        std::size_t delivered = 0;
        EXPECT_THROW(reader.ReadIndex([&](IndexRecord&&) { ++delivered; }), ArchiveError);
        EXPECT_LE(delivered, c.mostDelivered);
    }
}

TEST(ArchiveReaderTest, HeaderFaultsHaveTheirOwnKinds)
{
    const std::string good = MakeOldArchive(4, 1, 1).bytes;
    auto kindOf = [](std::string bytes)
    {
        try
        {
            const ArchiveReader reader = ArchiveReader::FromBytes(std::move(bytes));
            reader.ReadIndex();
        }
        catch (const ArchiveError& error)
        {
            return error.Kind();
        }
        ADD_FAILURE() << "no error";
        return ArchiveErrorKind::Io;
    };
    std::string bytes = good;
    bytes[0] = 'k';
    EXPECT_EQ(kindOf(bytes), ArchiveErrorKind::NotAnArchive);
    EXPECT_EQ(kindOf("KSDB"), ArchiveErrorKind::NotAnArchive);
    bytes = good;
    bytes[8] = 2;
    EXPECT_EQ(kindOf(bytes), ArchiveErrorKind::UnknownVersion);
    bytes = good;
    bytes[10] = 5;
    EXPECT_EQ(kindOf(bytes), ArchiveErrorKind::UnknownVersion);
    bytes = good;
    SetIndexOffset(bytes, 17, 0);
    EXPECT_EQ(kindOf(bytes), ArchiveErrorKind::NoIndex);
    SetIndexOffset(bytes, 17, static_cast<std::uint32_t>(bytes.size()));
    EXPECT_EQ(kindOf(bytes), ArchiveErrorKind::NoIndex);
    SetIndexOffset(bytes, 17, 12);
    EXPECT_EQ(kindOf(bytes), ArchiveErrorKind::Malformed);
}

TEST(ArchiveReaderTest, PagesThatDoNotFitTheFileAreRefused)
{
    const OldArchive plain = MakeOldArchive(1, 1, 1);
    const ArchiveReader plainReader = ArchiveReader::FromBytes(plain.bytes);
    IndexRecord record = plain.records[0];
    record.Length = 1 << 30;
    EXPECT_THROW(plainReader.ReadPage(record), ArchiveError);
    EXPECT_THROW(plainReader.ReadStoredBytes(record), ArchiveError);
    record.Length = -5;
    EXPECT_THROW(plainReader.ReadPage(record), ArchiveError);
    record = plain.records[0];
    record.Offset = 3;
    EXPECT_THROW(plainReader.ReadPage(record), ArchiveError);

    OldArchive compressed = MakeOldArchive(4, 1, 1);
    const ArchiveReader reader = ArchiveReader::FromBytes(compressed.bytes);
    record = compressed.records[0];
    // A page limit below the page's size is refused, not cut.
    EXPECT_THROW(reader.ReadPage(record, 10), ArchiveError);
    // Offsets that land in the index or past the end.
    record.Offset = static_cast<std::int32_t>(compressed.bytes.size() - 1);
    EXPECT_THROW(reader.ReadPage(record), ArchiveError);
    EXPECT_THROW(reader.ReadStoredBytes(record), ArchiveError);
}

class DamagedArchiveTest : public test::SandboxedTest
{
protected:
    // A small archive as the writer makes it: two pages, an alias and a
    // record of a URL that was not stored.
    std::string SmallArchive()
    {
        TKSDB store;
        EXPECT_TRUE(store.Open(PathOf("s.rvd"), "News"));
        EXPECT_TRUE(store.BeginPage("index", "", nullptr, 0, "Summary", -1));
        EXPECT_TRUE(store.Append("<html><body>summary</body></html>"));
        EXPECT_TRUE(store.EndPage());
        const std::vector<std::string> redirects = {"old.com/"};
        EXPECT_TRUE(store.BeginPage("a.com/", "", &redirects, 0x34, "Entry", 0));
        EXPECT_TRUE(store.Append(std::string(300, 'a')));
        EXPECT_TRUE(store.EndPage());
        EXPECT_TRUE(store.AddTooDeep("deep.com/", "Entry", 0, 0));
        EXPECT_TRUE(store.Close());
        return test::ReadFile(PathOf("s.rvd"));
    }

    // Opens the bytes, reads the index and every stored page; returns the
    // pages read, or throws ArchiveError.
    static std::vector<std::string> ReadAll(std::string bytes)
    {
        const ArchiveReader reader = ArchiveReader::FromBytes(std::move(bytes));
        std::vector<std::string> pages{reader.Header().Information};
        for (const IndexRecord& record : reader.ReadIndex())
        {
            pages.push_back(record.Key);
            if (record.Offset > 0)
            {
                pages.push_back(reader.ReadPage(record));
            }
        }
        return pages;
    }
};

TEST_F(DamagedArchiveTest, EveryTruncationIsRefused)
{
    const std::string archive = SmallArchive();
    ASSERT_EQ(ReadAll(archive).size(), 8u);
    for (std::size_t size = 0; size < archive.size(); ++size)
    {
        EXPECT_THROW(ReadAll(archive.substr(0, size)), ArchiveError) << "truncated to " << size << " bytes";
    }
}

TEST_F(DamagedArchiveTest, EveryDamagedHeaderByteIsRefusedOrOnlyChangesTheInformation)
{
    const std::string archive = SmallArchive();
    const std::vector<std::string> good = ReadAll(archive);
    const std::size_t informationStart = 14;
    const std::size_t headerEnd = 14 + 4 + 4;
    for (std::size_t offset = 0; offset < headerEnd; ++offset)
    {
        std::string damaged = archive;
        damaged[offset] = static_cast<char>(0xFF);
        if (offset >= informationStart && offset < informationStart + 4)
        {
            const auto pages = ReadAll(damaged);
            EXPECT_NE(pages[0], good[0]) << "byte " << offset;
            EXPECT_EQ(std::vector<std::string>(pages.begin() + 1, pages.end()),
                      std::vector<std::string>(good.begin() + 1, good.end()));
        }
        else
        {
            EXPECT_THROW(ReadAll(damaged), ArchiveError) << "byte " << offset << " set to 0xFF";
        }
    }
}

TEST_F(DamagedArchiveTest, OpenFileReportsMissingFilesAsIoErrors)
{
    try
    {
        ArchiveReader::OpenFile(PathOf("missing.rvd"));
        ADD_FAILURE() << "opened a missing file";
    }
    catch (const ArchiveError& error)
    {
        EXPECT_EQ(error.Kind(), ArchiveErrorKind::Io);
    }
    test::WriteFile(PathOf("s.rvd"), SmallArchive());
    const ArchiveReader reader = ArchiveReader::OpenFile(PathOf("s.rvd"));
    EXPECT_EQ(reader.ReadIndex().size(), 4u);
}

TEST_F(DamagedArchiveTest, HugeSparseFileIsRefusedBeforeItsIndexIsRead)
{
    // A valid header whose plain index would run through 4 GiB of zero
    // bytes, each 29 of them a record.
    std::string header = Header(1, "");
    SetIndexOffset(header, 14, static_cast<std::uint32_t>(header.size()));
    Put(header, 0xFFFFFFFF, 4);
    test::WriteFile(PathOf("huge.rvd"), header);
    std::error_code ec;
    std::filesystem::resize_file(PathOf("huge.rvd"), std::uint64_t{4} << 30, ec);
    if (ec)
        GTEST_SKIP() << "cannot make a sparse 4 GiB file here: " << ec.message();
    const ArchiveReader reader = ArchiveReader::OpenFile(PathOf("huge.rvd"));
    struct Read
    {
    };
    EXPECT_THROW(reader.ReadIndex([](IndexRecord&&) { throw Read{}; }), ArchiveError);
}

TEST_F(DamagedArchiveTest, OpenFileRefusesLinksAndSpecialFiles)
{
    test::WriteFile(PathOf("s.rvd"), SmallArchive());
    std::filesystem::create_symlink(PathOf("s.rvd"), PathOf("link.rvd"));
    ASSERT_EQ(::mkfifo(PathOf("pipe.rvd").c_str(), 0600), 0);
    std::filesystem::create_directory(PathOf("folder.rvd"));
    for (const char* name : {"link.rvd", "pipe.rvd", "folder.rvd"})
        EXPECT_THROW(ArchiveReader::OpenFile(PathOf(name)), ArchiveError) << name;
}

} // namespace
} // namespace rv
