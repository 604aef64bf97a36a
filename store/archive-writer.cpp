#include "store/archive-writer.h"

#include "store/archive-error.h"
#include "store/archive-format.h"
#include "store/archive-name.h"
#include "store/index-closing.h"
#include "store/local-stamp.h"

#include <algorithm>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>

namespace rv
{

namespace
{

// Offsets in the index are signed 32-bit values, so page data must end
// below 2 GiB; a page that would pass it fails.
constexpr std::uint64_t MaxDataEnd = std::numeric_limits<std::int32_t>::max();

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
    {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

std::string LengthPrefixed(std::string_view block)
{
    std::string out;
    out.reserve(block.size() + 2);
    PutLittleEndian(out, static_cast<std::uint32_t>(block.size()), 2);
    out.append(block);
    return out;
}

// The key a record is written and looked up under.
std::string RecordKey(std::string_view url)
{
    std::string key = StripUrlControls(url);
    if (key.size() > MaxKeyBytes)
    {
        key.resize(MaxKeyBytes);
    }
    return key;
}

[[noreturn]] void ThrowIo(const std::string& message)
{
    throw ArchiveError(ArchiveErrorKind::Io, message);
}

// Reads a whole storage (size, open, read).
std::string ReadStorage(ALHandle storage)
{
    std::string bytes(static_cast<std::size_t>(std::max(0L, ALStorageGetSize(storage))), '\0');
    ALStorageOpen(storage);
    const long got = ALStorageReadBuffer(storage, bytes.data(), static_cast<long>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(std::max(0L, got)));
    return bytes;
}

ALHandle NewStorage(const char* label)
{
    const ALHandle storage = newALWinMemory(label, nullptr, 0);
    ALStorageCreate(storage, 0);
    return storage;
}

} // namespace

TKSDB::TKSDB() : TKSDB(LocalNow) {}

TKSDB::TKSDB(Clock clock) : clock_(std::move(clock)) {}

TKSDB::~TKSDB()
{
    if (open_)
    {
        deleteALCompressor(compressor_);
        CloseFiles();
    }
}

bool TKSDB::Open(const std::filesystem::path& archive, std::string_view information)
{
    if (disabled_ || open_)
    {
        return false;
    }
    archivePath_ = archive;
    ndxPath_ = SideFilePath(archive, ".ndx");
    nd2Path_ = SideFilePath(archive, ".nd2");
    // Lock before emptying, so that an archive another store is writing is
    // refused rather than cut.
    if (!archive_.Open(archive, O_RDWR | O_CREAT) || ::flock(archive_.Descriptor(), LOCK_EX | LOCK_NB) != 0 ||
        !archive_.Truncate(0) || !ndx_.Open(ndxPath_, O_RDWR | O_CREAT | O_TRUNC) ||
        !nd2_.Open(nd2Path_, O_RDWR | O_CREAT | O_TRUNC | O_APPEND))
    {
        CloseFiles();
        return false;
    }
    information = information.substr(0, std::numeric_limits<std::uint16_t>::max());
    std::string header(ArchiveMagic);
    PutLittleEndian(header, ArchiveVersion, 2);
    PutLittleEndian(header, ArchiveSubversion, 2);
    PutLittleEndian(header, static_cast<std::uint32_t>(information.size()), 2);
    header.append(information);
    indexOffsetField_ = header.size();
    PutLittleEndian(header, 0, 4);
    compressor_ = newALPkCompressor(9, 15, 9);
    if (compressor_ == 0 || !archive_.WriteAt(0, header))
    {
        deleteALCompressor(compressor_);
        CloseFiles();
        return false;
    }
    writePosition_ = header.size();
    ndxPosition_ = 0;
    nd2Unflushed_ = 0;
    nd2Held_.clear();
    nd2HeldCount_ = 0;
    recordCount_ = 0;
    recent_.Clear();
    open_ = true;
    pageOpen_ = false;
    return true;
}

IndexRecord TKSDB::NewRecord(std::string_view url, std::string_view contentType, std::string_view caption, std::int16_t number,
                             std::uint8_t flags) const
{
    IndexRecord record;
    record.Key = RecordKey(url);
    record.ContentType = contentType.empty() ? "text/html" : std::string(contentType);
    record.Number = number;
    record.Flags = flags;
    record.Stamp = FormatStamp(clock_());
    record.Caption = caption;
    return record;
}

bool TKSDB::BeginPage(std::string_view url, std::string_view contentType, const std::vector<std::string>* redirects,
                      std::uint8_t flags, std::string_view caption, std::int16_t number)
{
    if (disabled_)
    {
        return true;
    }
    if (!open_ || pageOpen_)
    {
        return false;
    }
    current_ = NewRecord(url, contentType, caption, number, flags);
    current_.Offset = static_cast<std::int32_t>(writePosition_);
    currentRedirects_ = redirects ? *redirects : std::vector<std::string>{};
    pending_.clear();
    pending_.reserve(PageBlockPlainBytes);
    pageBytes_ = 0;
    lastBlockLength_ = 0;
    pageOpen_ = true;
    return true;
}

bool TKSDB::Append(const void* bytes, std::size_t count)
{
    if (disabled_)
    {
        return true;
    }
    if (!pageOpen_)
    {
        return false;
    }
    const auto* in = static_cast<const char*>(bytes);
    while (count > 0)
    {
        const std::size_t piece = std::min(count, PageBlockPlainBytes);
        if (!AppendPiece(in, piece))
        {
            return false;
        }
        in += piece;
        count -= piece;
    }
    return true;
}

bool TKSDB::AppendPiece(const char* bytes, std::size_t count)
{
    if (!pending_.empty() && pending_.size() + count > PageBlockPlainBytes && !WritePendingBlock())
    {
        return false;
    }
    pending_.append(bytes, count);
    pageBytes_ += count;
    return true;
}

bool TKSDB::WritePendingBlock(bool endOfPage)
{
    const std::optional<std::string> block = CompressBlock(compressor_, pending_);
    if (!block)
    {
        return FailPage();
    }
    std::string bytes = LengthPrefixed(*block);
    if (endOfPage)
    {
        bytes.append(2, '\0'); // the page's last block and its end in one write
    }
    if (!WriteArchive(bytes))
    {
        return FailPage();
    }
    lastBlockLength_ = static_cast<std::int32_t>(block->size());
    pending_.clear();
    return true;
}

bool TKSDB::WriteArchive(std::string_view bytes)
{
    if (writePosition_ + bytes.size() > MaxDataEnd)
    {
        return false;
    }
    if (!archive_.WriteAt(writePosition_, bytes))
    {
        archive_.Truncate(writePosition_); // drop what a short write left behind
        return false;
    }
    writePosition_ += bytes.size();
    return true;
}

bool TKSDB::FailPage()
{
    pageOpen_ = false;
    pending_.clear();
    return false;
}

bool TKSDB::AppendRaw(const void* bytes, std::size_t count)
{
    if (disabled_)
    {
        return true;
    }
    if (!open_)
    {
        return false;
    }
    if (!WriteArchive(std::string_view(static_cast<const char*>(bytes), count)))
    {
        return pageOpen_ ? FailPage() : false;
    }
    return true;
}

void TKSDB::MarkHead(std::size_t count)
{
    if (disabled_ || !pageOpen_)
    {
        return;
    }
    const auto total = static_cast<std::int32_t>(std::min<std::uint64_t>(pageBytes_, MaxDataEnd));
    if (current_.HeadOffset == -1)
    {
        const auto length = static_cast<std::int32_t>(std::min<std::uint64_t>(count, static_cast<std::uint64_t>(total)));
        current_.HeadOffset = total - length;
        current_.HeadLength = length;
    }
    else
    {
        current_.HeadLength = total - current_.HeadOffset;
    }
}

void TKSDB::SetHead(std::int32_t offset, std::int32_t length)
{
    if (!disabled_ && pageOpen_)
    {
        current_.HeadOffset = offset;
        current_.HeadLength = length;
    }
}

void TKSDB::SetExtra(std::string_view text)
{
    if (!disabled_ && pageOpen_)
    {
        current_.Extra1 = text;
    }
}

void TKSDB::SetValue(std::int32_t value)
{
    if (!disabled_ && pageOpen_)
    {
        current_.Value = value;
    }
}

std::int32_t TKSDB::PageOffset() const
{
    return disabled_ ? 0 : current_.Offset;
}

void TKSDB::ClearFlag128()
{
    if (!disabled_ && pageOpen_)
    {
        current_.Flags &= static_cast<std::uint8_t>(~0x80u);
    }
}

bool TKSDB::EndPage(std::vector<std::string>* redirects)
{
    if (disabled_)
    {
        return true;
    }
    if (!pageOpen_)
    {
        return false;
    }
    lastBlockLength_ = 0;
    if (!pending_.empty())
    {
        if (!WritePendingBlock(true))
        {
            return false;
        }
    }
    else if (!WriteArchive(std::string(2, '\0')))
    {
        return FailPage();
    }
    current_.Length = lastBlockLength_;
    WriteRecord(current_);
    if (listener_)
    {
        listener_(current_);
    }
    if (redirects)
    {
        WriteAliases(*redirects, true);
    }
    WriteAliases(currentRedirects_, false);
    pageOpen_ = false;
    WriteHeldRecords();
    return true;
}

void TKSDB::WriteAliases(std::vector<std::string>& urls, bool shareHead)
{
    IndexRecord alias = current_;
    if (!shareHead)
    {
        alias.HeadOffset = -1;
        alias.HeadLength = 0;
        alias.Value = 0;
    }
    for (const std::string& url : urls)
    {
        alias.Key = RecordKey(url);
        WriteRecord(alias);
    }
    urls.clear();
}

bool TKSDB::AddFromFile(std::string_view url, std::string_view contentType, const std::vector<std::string>* redirects,
                        const std::filesystem::path& file, std::string_view caption, std::int16_t number,
                        std::string_view extra)
{
    if (disabled_)
    {
        return true;
    }
    FileHandle source;
    if (!open_ || pageOpen_ || !source.Open(file, O_RDONLY) || !BeginPage(url, contentType, redirects, 8, caption, number))
    {
        return false;
    }
    SetExtra(extra);
    std::string piece(PageBlockPlainBytes, '\0');
    for (std::uint64_t position = 0;; position += PageBlockPlainBytes)
    {
        const long long got = source.ReadAt(position, piece.data(), piece.size());
        if (got < 0)
        {
            return FailPage();
        }
        auto size = static_cast<std::size_t>(got);
        const bool last = size < PageBlockPlainBytes;
        if (last && size > 0)
        {
            --size; // the 0 byte that ends every received body
        }
        if (!Append(piece.data(), size))
        {
            return false;
        }
        if (last)
        {
            break;
        }
    }
    return EndPage(nullptr);
}

bool TKSDB::AddRecord(std::string_view url, std::int32_t offset, std::int32_t length, std::uint8_t flags,
                      std::string_view caption, std::int16_t number, std::string_view contentType)
{
    if (disabled_)
    {
        return true;
    }
    if (!open_)
    {
        return false;
    }
    IndexRecord record = NewRecord(url, contentType, caption, number, flags);
    record.Offset = offset;
    record.Length = length;
    WriteRecord(std::move(record));
    return true;
}

bool TKSDB::AddAlias(std::string_view oldUrl, std::string_view newUrl)
{
    if (disabled_)
    {
        return true;
    }
    const IndexRecord* found = open_ ? recent_.Find(RecordKey(oldUrl)) : nullptr;
    if (!found)
    {
        return false;
    }
    IndexRecord alias = *found;
    alias.Key = RecordKey(newUrl);
    if (!pageOpen_)
    {
        current_ = alias;
    }
    WriteRecord(std::move(alias));
    return true;
}

bool TKSDB::AddNotStored(std::string_view url, std::int32_t offset, std::string_view caption, std::int16_t number,
                         std::uint8_t flags)
{
    if (disabled_)
    {
        return true;
    }
    if (!open_)
    {
        return false;
    }
    IndexRecord record = NewRecord(url, {}, caption, number, flags);
    record.Offset = offset;
    WriteRecord(record);
    if (listener_)
    {
        listener_(record);
    }
    return true;
}

bool TKSDB::AddTooDeep(std::string_view url, std::string_view caption, std::int16_t number, std::uint8_t flags)
{
    return AddNotStored(url, OffsetTooDeep, caption, number, flags);
}

bool TKSDB::AddOutOfTree(std::string_view url, std::string_view caption, std::int16_t number, std::uint8_t flags)
{
    return AddNotStored(url, OffsetOutOfTree, caption, number, flags);
}

bool TKSDB::AddExcluded(std::string_view url, std::string_view caption, std::int16_t number, std::uint8_t flags)
{
    return AddNotStored(url, OffsetExcluded, caption, number, flags);
}

bool TKSDB::AddSkipped(std::string_view url, std::string_view caption, const std::vector<std::string>& more,
                       std::int16_t number, std::uint8_t flags)
{
    if (!AddNotStored(url, OffsetSkipped, caption, number, flags))
    {
        return false;
    }
    for (const std::string& further : more)
    {
        AddNotStored(further, OffsetSkipped, caption, number, flags);
    }
    return true;
}

void TKSDB::WriteRecord(IndexRecord record)
{
    BoundRecordTexts(record);
    const std::size_t before = nd2Held_.size();
    EncodeIndexRecord(record, nd2Held_);
    recent_.Add(record);
    ++recordCount_;
    ++nd2HeldCount_;
    nd2Unflushed_ += nd2Held_.size() - before;
    if (!pageOpen_ || nd2Unflushed_ > WorkingIndexFlushBytes)
    {
        WriteHeldRecords();
    }
    if (nd2Unflushed_ > WorkingIndexFlushBytes)
    {
        FlushWorkingIndex();
    }
}

void TKSDB::WriteHeldRecords()
{
    if (nd2Held_.empty())
    {
        return;
    }
    const bool written = nd2_.Write(nd2Held_);
    if (!written)
    {
        // The index counts only the records that reached the file.
        recordCount_ -= nd2HeldCount_;
        nd2Unflushed_ -= nd2Held_.size();
    }
    nd2Held_.clear();
    nd2HeldCount_ = 0;
    if (!written)
    {
        ThrowIo("Cannot write the working index " + nd2Path_.string());
    }
}

// A flush that fails leaves ".ndx" as it found it: the blocks it wrote
// would be written again by the next flush (the records stay in ".nd2"),
// and the index would hold their records twice, more than its count.
void TKSDB::FlushWorkingIndex()
{
    WriteHeldRecords();
    const std::uint64_t start = ndxPosition_;
    try
    {
        MoveWorkingRecords();
    }
    catch (...)
    {
        ndxPosition_ = start;
        ndx_.Truncate(start); // Close copies only up to ndxPosition_ anyway
        throw;
    }
}

// Moves the records of ".nd2" into compressed blocks at the end of ".ndx".
// ".nd2" is read in windows; records that start in the first part of a
// window are taken, and the next window starts at the first one left, so a
// record is never read across a window's end.
void TKSDB::MoveWorkingRecords()
{
    const long long size = nd2_.Size();
    if (size < 0)
    {
        ThrowIo("Cannot read the working index " + nd2Path_.string());
    }
    ALHandle input = NewStorage("NDX2In");
    std::size_t inputBytes = 0;
    std::string window(RecordWindowBytes, '\0');
    std::string cleaned;
    for (std::uint64_t position = 0; position < static_cast<std::uint64_t>(size);)
    {
        const long long got = nd2_.ReadAt(position, window.data(), window.size());
        if (got <= 0)
        {
            ALStorageDelete(input);
            ThrowIo("Cannot read the working index " + nd2Path_.string());
        }
        const std::string_view held(window.data(), static_cast<std::size_t>(got));
        std::size_t parsed = 0;
        while (parsed < IndexBlockThreshold && parsed < held.size())
        {
            std::optional<IndexRecord> record = DecodeIndexRecord(held, parsed, true);
            if (!record)
            {
                break;
            }
            record->Key = CleanIndexKey(record->Key);
            cleaned.clear();
            EncodeIndexRecord(*record, cleaned);
            ALStorageWriteBuffer(input, cleaned.data(), static_cast<long>(cleaned.size()));
            inputBytes += cleaned.size();
            if (inputBytes > IndexBlockThreshold)
            {
                WriteIndexBlock(input, "NDX2IndexOut");
                input = NewStorage("NDX2IndexIn");
                inputBytes = 0;
            }
        }
        if (parsed == 0)
        {
            ALStorageDelete(input);
            ThrowIo("The working index " + nd2Path_.string() + " is damaged");
        }
        position += parsed;
    }
    if (inputBytes > 0)
    {
        WriteIndexBlock(input, "NDX2Output");
    }
    else
    {
        ALStorageDelete(input);
    }
    if (!nd2_.Truncate(0))
    {
        ThrowIo("Cannot empty the working index " + nd2Path_.string());
    }
    nd2Unflushed_ = 0;
}

// Compresses input (and deletes it) and appends the block to ".ndx".
void TKSDB::WriteIndexBlock(ALHandle input, const char* outputLabel)
{
    const ALHandle output = NewStorage(outputLabel);
    ALStorageClose(input);
    const ALStatus status = ALCompress(compressor_, input, output);
    const std::string block = status == 0 ? ReadStorage(output) : std::string();
    ALStorageDelete(input);
    ALStorageClose(output);
    ALStorageDelete(output);
    if (status != 0 || block.size() > MaxBlockStoredBytes)
    {
        ThrowIo("Cannot compress the index of " + archivePath_.string());
    }
    const std::string stored = LengthPrefixed(block);
    if (!ndx_.WriteAt(ndxPosition_, stored))
    {
        ThrowIo("Cannot write the working index " + ndxPath_.string());
    }
    ndxPosition_ += stored.size();
}

bool TKSDB::Close()
{
    if (disabled_)
    {
        return true;
    }
    if (!open_)
    {
        return false;
    }
    pageOpen_ = false;
    pending_.clear();
    try
    {
        FlushWorkingIndex();
        CloseArchiveIndex(archive_, {indexOffsetField_, writePosition_, recordCount_}, ndx_, ndxPosition_, ndxPath_);
    }
    catch (...)
    {
        deleteALCompressor(compressor_);
        CloseFiles();
        throw;
    }
    deleteALCompressor(compressor_);
    CloseFiles();
    std::error_code ignored;
    std::filesystem::remove(ndxPath_, ignored);
    std::filesystem::remove(nd2Path_, ignored);
    return true;
}

void TKSDB::CloseFiles()
{
    archive_.Close();
    ndx_.Close();
    nd2_.Close();
    open_ = false;
    pageOpen_ = false;
    compressor_ = 0;
}

} // namespace rv
