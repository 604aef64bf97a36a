#include "server/archive-completion.h"

#include "server/small-file.h"
#include "store/archive-format.h"
#include "store/archive-lock.h"
#include "store/archive-reader.h"
#include "store/index-record.h"
#include "store/local-stamp.h"
#include "store/rv-comp.h"
#include "store/site-map-pages.h"
#include "store/site-map-reader.h"
#include "store/site-map-tree.h"

#include <cstdint>
#include <fstream>
#include <utility>

namespace rv
{
namespace
{

// Side files larger than this are not read into memory: no run writes one.
constexpr std::uintmax_t MaxSideFileBytes = std::uintmax_t{1} << 30;

void PutLe(std::string& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

bool AppendToFile(const std::filesystem::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

// Writes one page at the archive's end as compressed blocks and a 16-bit 0,
// and its record into the new-records file.
bool WriteGeneratedPage(const std::filesystem::path& archive, const std::filesystem::path& nd2, ALHandle compressor,
                        const std::string& key, int number, const GeneratedPage& page, const std::string& stamp)
{
    std::error_code ec;
    const std::uintmax_t position = std::filesystem::file_size(archive, ec);
    if (ec || position > INT32_MAX)
        return false;
    std::string blocks;
    std::size_t lastLength = 0;
    for (std::size_t at = 0; at < page.Text.size(); at += PageBlockPlainBytes)
    {
        const std::optional<std::string> block =
            CompressBlock(compressor, std::string_view(page.Text).substr(at, PageBlockPlainBytes));
        if (!block || block->size() > 0xFFFF)
            return false;
        PutLe(blocks, block->size(), 2);
        blocks += *block;
        lastLength = block->size();
    }
    PutLe(blocks, 0, 2);
    if (!AppendToFile(archive, blocks))
        return false;

    IndexRecord record;
    record.Key = key + std::to_string(number);
    record.Offset = static_cast<std::int32_t>(position);
    record.Length = static_cast<std::int32_t>(lastLength);
    record.ContentType = "text/html";
    record.Number = static_cast<std::int16_t>(number);
    record.Flags = 0;
    record.Stamp = stamp;
    record.HeadOffset = static_cast<std::int32_t>(page.HeadOffset);
    record.HeadLength = static_cast<std::int32_t>(page.HeadLength);
    std::string bytes;
    EncodeIndexRecord(record, bytes, true);
    return AppendToFile(nd2, bytes);
}

// Builds every list's site map and match page from the notes and deletes
// the notes file.
bool ReadSiteMaps(const std::filesystem::path& smp, const std::filesystem::path& archive, const std::filesystem::path& nd2)
{
    SiteMapForest trees;
    try
    {
        for (SiteMapRecord& record : ReadSiteMapFile(smp).Records)
            trees.Insert(std::move(record));
    }
    catch (const SiteMapError&)
    {
        return false;
    }
    const std::string stamp = FormatStamp(LocalNow());
    const ALHandle compressor = newALPkCompressor(6, 15, 8);
    bool ok = true;
    for (std::size_t entry = 0; ok && entry < trees.Count(); ++entry)
    {
        const TOCNode* root = trees.Root(entry);
        const int i = static_cast<int>(entry);
        ok = WriteGeneratedPage(archive, nd2, compressor, "TOC", i, TocPage(root), stamp) &&
             WriteGeneratedPage(archive, nd2, compressor, "Match", i, MatchPage(root), stamp);
    }
    deleteALCompressor(compressor);
    if (ok)
        std::filesystem::remove(smp);
    return ok;
}

// Moves the plain records of ".nd2" into compressed blocks at the end of
// ".ndx", closes the block list with a 16-bit 0 and deletes ".nd2".
bool SaveNDX2(const std::filesystem::path& nd2, const std::filesystem::path& ndx)
{
    std::string blocks;
    if (std::filesystem::exists(nd2))
    {
        const std::optional<std::string> plain = ReadSmallFile(nd2, MaxSideFileBytes);
        if (!plain)
            return false;
        const ALHandle compressor = newALPkCompressor(6, 15, 8);
        std::string pending;
        auto flush = [&]
        {
            const std::optional<std::string> block = CompressBlock(compressor, pending);
            pending.clear();
            if (!block || block->size() > 0xFFFF)
                return false;
            PutLe(blocks, block->size(), 2);
            blocks += *block;
            return true;
        };
        bool ok = true;
        std::size_t pos = 0;
        while (ok && pos < plain->size())
        {
            std::optional<IndexRecord> record = DecodeIndexRecord(*plain, pos, true);
            if (!record)
                break; // a record cut short by the crash
            record->Key = CleanIndexKey(record->Key);
            BoundRecordTexts(*record);
            EncodeIndexRecord(*record, pending, true);
            if (pending.size() > IndexBlockThreshold)
                ok = flush();
        }
        if (ok && !pending.empty())
            ok = flush();
        deleteALCompressor(compressor);
        if (!ok)
            return false;
    }
    PutLe(blocks, 0, 2);
    if (!AppendToFile(ndx, blocks))
        return false;
    std::filesystem::remove(nd2);
    return true;
}

// Appends the count (-1: to the end) and the ".ndx" blocks to the archive
// and points the header's index offset at them.
bool AppendIndex(const std::filesystem::path& archive, const std::filesystem::path& ndx, std::uint64_t offsetField)
{
    std::error_code ec;
    const std::uintmax_t indexOffset = std::filesystem::file_size(archive, ec);
    if (ec || indexOffset > UINT32_MAX)
        return false;
    std::ifstream in(ndx, std::ios::binary);
    if (!in)
        return false;
    std::fstream out(archive, std::ios::binary | std::ios::in | std::ios::out);
    if (!out)
        return false;
    std::string field;
    PutLe(field, indexOffset, 4);
    out.seekp(static_cast<std::streamoff>(offsetField));
    out.write(field.data(), 4);
    out.seekp(0, std::ios::end);
    const std::string count = "\xFF\xFF\xFF\xFF";
    out.write(count.data(), 4);
    std::string piece(CopyPieceBytes, '\0');
    while (in)
    {
        in.read(piece.data(), static_cast<std::streamsize>(piece.size()));
        out.write(piece.data(), in.gcount());
    }
    if (!out.flush())
        return false;
    out.close();
    std::filesystem::remove(ndx);
    return true;
}

} // namespace

bool CompleteArchive(const std::filesystem::path& archive)
{
    const std::optional<ArchiveLock> lock = ArchiveLock::TryAcquire(archive);
    if (!lock)
        return false; // a run is still writing it, or it cannot be opened
    std::uint64_t offsetField = 0;
    try
    {
        offsetField = ArchiveReader::OpenFile(archive).Header().IndexOffsetField;
    }
    catch (const ArchiveError&)
    {
        return false; // not an archive header we could complete
    }
    std::filesystem::path ndx = archive, nd2 = archive, smp = archive;
    ndx.replace_extension(".ndx");
    nd2.replace_extension(".nd2");
    smp.replace_extension(".smp");
    if (!std::filesystem::exists(ndx) || !std::filesystem::exists(smp))
        return false;
    try
    {
        return ReadSiteMaps(smp, archive, nd2) && SaveNDX2(nd2, ndx) && AppendIndex(archive, ndx, offsetField);
    }
    catch (const std::filesystem::filesystem_error&)
    {
        return false;
    }
}

} // namespace rv
