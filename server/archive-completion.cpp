#include "server/archive-completion.h"

#include "store/archive-format.h"
#include "store/archive-reader.h"
#include "store/file-handle.h"
#include "store/index-closing.h"
#include "store/index-record.h"
#include "store/local-stamp.h"
#include "store/rv-comp.h"
#include "store/site-map-pages.h"
#include "store/site-map-reader.h"
#include "store/site-map-tree.h"

#include <cstdint>
#include <fcntl.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace rv
{
namespace
{

// Side files larger than the biggest index a reader loads are not read: no
// run writes one, and the completed index would be refused anyway.
constexpr std::uint64_t MaxSideFileBytes = MaxIndexPlainBytes;

void PutLe(std::string& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Opens a file of the completion only when it is a regular file of the
// server's own user, reached without following a symbolic link in its last
// step. A request names the folder, and whoever owns the folder decides
// what its names lead to. A file the completion writes must also have one
// name only and be writable by its owner alone, so that no link or shared
// file makes the server change a file it was not asked about.
std::optional<FileHandle> OpenOwnFile(const std::filesystem::path& path, int flags, bool written)
{
    FileHandle file;
    if (!file.Open(path, flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY))
        return std::nullopt;
    struct stat status
    {
    };
    if (::fstat(file.Descriptor(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != ::geteuid())
        return std::nullopt;
    if (written && (status.st_nlink != 1 || (status.st_mode & (S_IWGRP | S_IWOTH)) != 0))
        return std::nullopt;
    return file;
}

std::optional<std::uint64_t> SizeOf(const FileHandle& file)
{
    const long long size = file.Size();
    if (size < 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(size);
}

// The whole file, when it holds at most maxBytes.
std::optional<std::string> ReadWhole(const FileHandle& file, std::uint64_t maxBytes)
{
    const std::optional<std::uint64_t> size = SizeOf(file);
    if (!size || *size > maxBytes)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(*size), '\0');
    if (file.ReadAt(0, bytes.data(), bytes.size()) != static_cast<long long>(bytes.size()))
        return std::nullopt;
    return bytes;
}

bool AppendToFile(FileHandle& file, std::string_view bytes)
{
    const std::optional<std::uint64_t> size = SizeOf(file);
    return size && file.WriteAt(*size, bytes);
}

// The completion's files, each opened once and checked (OpenOwnFile).
struct SideFiles
{
    FileHandle archive;
    FileHandle ndx;
    FileHandle nd2;
    FileHandle smp;
    std::filesystem::path ndxPath, nd2Path, smpPath;
};

// Writes one page at the archive's end as compressed blocks and a 16-bit 0,
// and its record into the new-records file.
bool WriteGeneratedPage(SideFiles& files, ALHandle compressor, const std::string& key, int number, const GeneratedPage& page,
                        const std::string& stamp)
{
    const std::optional<std::uint64_t> position = SizeOf(files.archive);
    if (!position || *position > INT32_MAX)
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
    if (!AppendToFile(files.archive, blocks))
        return false;

    IndexRecord record;
    record.Key = key + std::to_string(number);
    record.Offset = static_cast<std::int32_t>(*position);
    record.Length = static_cast<std::int32_t>(lastLength);
    record.ContentType = "text/html";
    record.Number = static_cast<std::int16_t>(number);
    record.Flags = 0;
    record.Stamp = stamp;
    record.HeadOffset = static_cast<std::int32_t>(page.HeadOffset);
    record.HeadLength = static_cast<std::int32_t>(page.HeadLength);
    std::string bytes;
    EncodeIndexRecord(record, bytes, true);
    return AppendToFile(files.nd2, bytes);
}

// Builds every list's site map and match page from the notes and deletes
// the notes file.
bool ReadSiteMaps(SideFiles& files)
{
    const std::optional<std::string> notes = ReadWhole(files.smp, MaxSideFileBytes);
    if (!notes)
        return false;
    SiteMapForest trees;
    try
    {
        std::istringstream in(*notes);
        SiteMapReader reader(in);
        SiteMapRecord record;
        while (reader.Next(record))
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
        ok = WriteGeneratedPage(files, compressor, "TOC", i, TocPage(root), stamp) &&
             WriteGeneratedPage(files, compressor, "Match", i, MatchPage(root), stamp);
    }
    deleteALCompressor(compressor);
    if (ok)
        std::filesystem::remove(files.smpPath);
    return ok;
}

// Moves the plain records of ".nd2" into compressed blocks at the end of
// ".ndx" and deletes ".nd2".
bool SaveNDX2(SideFiles& files)
{
    std::string blocks;
    const std::optional<std::string> plain = ReadWhole(files.nd2, MaxSideFileBytes);
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
    if (!ok || !AppendToFile(files.ndx, blocks))
        return false;
    std::filesystem::remove(files.nd2Path);
    return true;
}

// Appends the index the ".ndx" blocks hold, without a count (the records
// run to the closing 0), and deletes ".ndx".
bool AppendIndex(SideFiles& files, std::uint64_t offsetField)
{
    const std::optional<std::uint64_t> dataEnd = SizeOf(files.archive);
    const std::optional<std::uint64_t> ndxSize = SizeOf(files.ndx);
    if (!dataEnd || !ndxSize || *ndxSize > MaxSideFileBytes)
        return false;
    try
    {
        CloseArchiveIndex(files.archive, {offsetField, *dataEnd, std::nullopt}, files.ndx, *ndxSize, files.ndxPath);
    }
    catch (const ArchiveError&)
    {
        return false;
    }
    std::filesystem::remove(files.ndxPath);
    return true;
}

// The header of the open archive: at most its fixed part, the longest
// information text and the index offset are read.
std::optional<ArchiveHeader> HeaderOf(const FileHandle& archive)
{
    const std::optional<std::uint64_t> size = SizeOf(archive);
    if (!size)
        return std::nullopt;
    const std::uint64_t wanted = std::min<std::uint64_t>(*size, ArchiveFixedHeaderBytes + 0xFFFF + 4);
    std::string bytes(static_cast<std::size_t>(wanted), '\0');
    if (archive.ReadAt(0, bytes.data(), bytes.size()) != static_cast<long long>(bytes.size()))
        return std::nullopt;
    try
    {
        return ArchiveReader::FromBytes(std::move(bytes)).Header();
    }
    catch (const ArchiveError&)
    {
        return std::nullopt; // not an archive header we could complete
    }
}

} // namespace

bool CompleteArchive(const std::filesystem::path& archive)
{
    SideFiles files;
    files.ndxPath = files.nd2Path = files.smpPath = archive;
    files.ndxPath.replace_extension(".ndx");
    files.nd2Path.replace_extension(".nd2");
    files.smpPath.replace_extension(".smp");
    std::optional<FileHandle> opened = OpenOwnFile(archive, O_RDWR, true);
    if (!opened)
        return false;
    files.archive = std::move(*opened);
    // A run that is still writing the archive holds this lock.
    if (::flock(files.archive.Descriptor(), LOCK_EX | LOCK_NB) != 0)
        return false;
    const std::optional<ArchiveHeader> header = HeaderOf(files.archive);
    if (!header)
        return false;
    std::optional<FileHandle> ndx = OpenOwnFile(files.ndxPath, O_RDWR, true);
    std::optional<FileHandle> smp = OpenOwnFile(files.smpPath, O_RDONLY, false);
    if (!ndx || !smp)
        return false;
    // Made when missing: the generated pages' records go there.
    std::optional<FileHandle> nd2 = OpenOwnFile(files.nd2Path, O_RDWR | O_CREAT, true);
    if (!nd2)
        return false;
    files.ndx = std::move(*ndx);
    files.smp = std::move(*smp);
    files.nd2 = std::move(*nd2);
    try
    {
        return ReadSiteMaps(files) && SaveNDX2(files) && AppendIndex(files, header->IndexOffsetField);
    }
    catch (const std::filesystem::filesystem_error&)
    {
        return false;
    }
}

} // namespace rv
