#include "store/archive-reader.h"

#include "store/file-handle.h"
#include "store/rv-comp.h"

#include <algorithm>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>

namespace rv
{

namespace
{

[[noreturn]] void Throw(ArchiveErrorKind kind, const std::string& message)
{
    throw ArchiveError(kind, message);
}

[[noreturn]] void ThrowMalformed(const std::string& message)
{
    Throw(ArchiveErrorKind::Malformed, message);
}

std::uint32_t LittleEndian(std::string_view bytes)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < bytes.size() && i < 4; ++i)
    {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    }
    return value;
}

} // namespace

// The bytes of an archive, read by offset. Read checks the range against the
// size before reserving anything, so no length from the file can make it
// allocate more than the file holds.
class ArchiveSource
{
public:
    virtual ~ArchiveSource() = default;

    std::uint64_t Size() const { return size_; }

    std::string Read(std::uint64_t offset, std::uint64_t count, const char* what) const
    {
        if (offset > size_ || count > size_ - offset)
        {
            ThrowMalformed(std::string(what) + " lies beyond the end of the archive");
        }
        std::string bytes(static_cast<std::size_t>(count), '\0');
        ReadExactly(offset, bytes.data(), bytes.size());
        return bytes;
    }

    std::uint32_t ReadNumber(std::uint64_t offset, int bytes, const char* what) const
    {
        return LittleEndian(Read(offset, static_cast<std::uint64_t>(bytes), what));
    }

protected:
    std::uint64_t size_ = 0;

private:
    virtual void ReadExactly(std::uint64_t offset, char* buffer, std::size_t count) const = 0;
};

namespace
{

class FileSource : public ArchiveSource
{
public:
    explicit FileSource(const std::filesystem::path& path) : path_(path.string())
    {
        // Not blocking: a pipe or device is refused below instead of waited on.
        if (!file_.Open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY))
        {
            Throw(ArchiveErrorKind::Io, "Cannot open the archive " + path_);
        }
        struct stat status
        {
        };
        if (::fstat(file_.Descriptor(), &status) != 0)
        {
            Throw(ArchiveErrorKind::Io, "Cannot open the archive " + path_);
        }
        if (!S_ISREG(status.st_mode))
        {
            Throw(ArchiveErrorKind::NotAnArchive, path_ + " is not a file");
        }
        size_ = static_cast<std::uint64_t>(status.st_size);
    }

private:
    void ReadExactly(std::uint64_t offset, char* buffer, std::size_t count) const override
    {
        if (file_.ReadAt(offset, buffer, count) != static_cast<long long>(count))
        {
            Throw(ArchiveErrorKind::Io, "Cannot read the archive " + path_);
        }
    }

    FileHandle file_;
    std::string path_;
};

class MemorySource : public ArchiveSource
{
public:
    explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) { size_ = bytes_.size(); }

private:
    void ReadExactly(std::uint64_t offset, char* buffer, std::size_t count) const override
    {
        std::copy_n(bytes_.data() + offset, count, buffer);
    }

    std::string bytes_;
};

ArchiveHeader ReadHeader(const ArchiveSource& source)
{
    const std::uint64_t magicBytes = std::min<std::uint64_t>(source.Size(), ArchiveMagic.size());
    if (source.Read(0, magicBytes, "The header") != ArchiveMagic)
    {
        Throw(ArchiveErrorKind::NotAnArchive, "The file is not a retrieval archive");
    }
    ArchiveHeader header;
    header.Version = static_cast<std::uint16_t>(source.ReadNumber(8, 2, "The version"));
    header.Subversion = static_cast<std::uint16_t>(source.ReadNumber(10, 2, "The subversion"));
    if (header.Version != ArchiveVersion || header.Subversion > ArchiveSubversion)
    {
        Throw(ArchiveErrorKind::UnknownVersion,
              "Unfamiliar archive version " + std::to_string(header.Version) + "." + std::to_string(header.Subversion));
    }
    const std::uint32_t length = source.ReadNumber(12, 2, "The information text");
    header.Information = source.Read(ArchiveFixedHeaderBytes, length, "The information text");
    header.IndexOffsetField = ArchiveFixedHeaderBytes + length;
    header.IndexOffset = source.ReadNumber(header.IndexOffsetField, 4, "The index offset");
    return header;
}

} // namespace

ArchiveReader::ArchiveReader(std::unique_ptr<ArchiveSource> source) : source_(std::move(source)), header_(ReadHeader(*source_))
{
}

ArchiveReader ArchiveReader::OpenFile(const std::filesystem::path& path)
{
    return ArchiveReader(std::make_unique<FileSource>(path));
}

ArchiveReader ArchiveReader::FromBytes(std::string bytes)
{
    return ArchiveReader(std::make_unique<MemorySource>(std::move(bytes)));
}

ArchiveReader::ArchiveReader(ArchiveReader&&) noexcept = default;
ArchiveReader& ArchiveReader::operator=(ArchiveReader&&) noexcept = default;
ArchiveReader::~ArchiveReader() = default;

std::uint64_t ArchiveReader::Size() const
{
    return source_->Size();
}

std::int32_t ArchiveReader::IndexRecordCount() const
{
    const std::uint64_t offset = header_.IndexOffset;
    if (offset < SmallestIndexOffset || offset + 4 > Size())
    {
        Throw(ArchiveErrorKind::NoIndex, "The archive has no index");
    }
    if (offset < header_.DataStart())
    {
        ThrowMalformed("The index offset points into the header");
    }
    const auto count = static_cast<std::int32_t>(source_->ReadNumber(offset, 4, "The record count"));
    if (count < -1)
    {
        ThrowMalformed("The record count is negative");
    }
    return count;
}

namespace
{

// Index blocks: each a 16-bit length and a compressed run of records, ended
// by a length of 0. A count of -1 lets the records run to the closing 0 or
// the end of the file; any other count must match the records exactly.
void ReadBlockedIndex(const ArchiveSource& source, std::uint64_t position, std::int32_t count, bool withValue,
                      const ArchiveReader::RecordSink& sink)
{
    std::int64_t delivered = 0;
    std::uint64_t plainBytes = 0;
    std::string plain; // one buffer for every block
    for (;;)
    {
        const bool countReached = count >= 0 && delivered == count;
        if (count < 0 && position == source.Size())
        {
            return;
        }
        const std::uint32_t length = source.ReadNumber(position, 2, "An index block");
        position += 2;
        if (length == 0)
        {
            if (!countReached && count >= 0)
            {
                ThrowMalformed("The index holds fewer records than its count");
            }
            return;
        }
        if (countReached)
        {
            ThrowMalformed("The index holds more records than its count");
        }
        const std::string block = source.Read(position, length, "An index block");
        position += length;
        plain.clear();
        if (!AppendExpandedBlock(
                block, static_cast<std::size_t>(std::min<std::uint64_t>(MaxReadBlockBytes, MaxIndexPlainBytes - plainBytes)),
                plain))
        {
            ThrowMalformed("An index block does not expand, or the index is too large");
        }
        plainBytes += plain.size();
        for (std::size_t parsed = 0; parsed < plain.size();)
        {
            if (count >= 0 && delivered == count)
            {
                ThrowMalformed("The index holds more records than its count");
            }
            std::optional<IndexRecord> record = DecodeIndexRecord(plain, parsed, withValue);
            if (!record)
            {
                ThrowMalformed("An index record is cut short");
            }
            if (delivered == MaxIndexRecords)
            {
                ThrowMalformed("The index holds too many records");
            }
            sink(std::move(*record));
            ++delivered;
        }
    }
}

// Plain records, read in windows: records that start in the first part of a
// window are parsed, and the next window starts where parsing stopped, so a
// record is never read across a window's end. There is no closing mark.
void ReadPlainIndex(const ArchiveSource& source, std::uint64_t position, std::int32_t count, bool withValue,
                    const ArchiveReader::RecordSink& sink)
{
    std::int64_t delivered = 0;
    while (count < 0 || delivered < count)
    {
        if (position >= source.Size())
        {
            if (count < 0)
            {
                return;
            }
            ThrowMalformed("The index holds fewer records than its count");
        }
        const std::uint64_t windowBytes = std::min<std::uint64_t>(RecordWindowBytes, source.Size() - position);
        const std::string window = source.Read(position, windowBytes, "The index");
        std::size_t parsed = 0;
        while (parsed < IndexBlockThreshold && parsed < window.size() && (count < 0 || delivered < count))
        {
            std::optional<IndexRecord> record = DecodeIndexRecord(window, parsed, withValue);
            if (!record)
            {
                break;
            }
            if (delivered == MaxIndexRecords)
            {
                ThrowMalformed("The index holds too many records");
            }
            sink(std::move(*record));
            ++delivered;
        }
        if (parsed == 0)
        {
            ThrowMalformed("An index record is cut short");
        }
        position += parsed;
    }
}

} // namespace

void ArchiveReader::ReadIndex(const RecordSink& sink) const
{
    const std::int32_t count = IndexRecordCount();
    const std::uint64_t start = std::uint64_t{header_.IndexOffset} + 4;
    // Checked before anything is read: the index runs to the end of the file,
    // and a compressed block holds at least one byte behind its length.
    const std::uint64_t indexBytes = Size() - start;
    const std::uint64_t recordBytes = header_.Compressed() ? indexBytes / 3 * MaxReadBlockBytes : indexBytes;
    if (indexBytes > MaxIndexPlainBytes || count > static_cast<std::int64_t>(MaxIndexRecords) ||
        static_cast<std::uint64_t>(std::max(count, 0)) * SmallestIndexRecordBytes > recordBytes)
    {
        ThrowMalformed("The index is larger than its file can hold or this reader loads");
    }
    if (header_.Compressed())
    {
        ReadBlockedIndex(*source_, start, count, header_.HasValueField(), sink);
    }
    else
    {
        ReadPlainIndex(*source_, start, count, header_.HasValueField(), sink);
    }
}

std::vector<IndexRecord> ArchiveReader::ReadIndex() const
{
    std::vector<IndexRecord> records;
    ReadIndex([&records](IndexRecord&& record) { records.push_back(std::move(record)); });
    return records;
}

namespace
{

// Reads a chain of length-prefixed blocks ahead of the one asked for, so
// that a page of a few blocks costs one read of the file, not two a block.
class ChainReader
{
public:
    ChainReader(const ArchiveSource& source, std::uint64_t position) : source_(source), position_(position) {}

    // The next count bytes of the chain; valid until the next call.
    std::string_view Take(std::uint64_t count, const char* what)
    {
        if (position_ > source_.Size() || count > source_.Size() - position_)
        {
            ThrowMalformed(std::string(what) + " lies beyond the end of the archive");
        }
        if (position_ + count > start_ + window_.size())
        {
            start_ = position_;
            window_ = source_.Read(start_, std::min(source_.Size() - start_, count + ReadAheadBytes), what);
        }
        const std::string_view bytes = std::string_view(window_).substr(position_ - start_, count);
        position_ += count;
        return bytes;
    }

private:
    // Most stored pages come to fewer bytes than this.
    static constexpr std::uint64_t ReadAheadBytes = 8192;

    const ArchiveSource& source_;
    std::uint64_t position_;
    std::uint64_t start_ = 0;
    std::string window_;
};

std::uint64_t PageStart(const ArchiveHeader& header, const IndexRecord& record)
{
    if (record.Offset <= 0)
    {
        Throw(ArchiveErrorKind::NotStored, "The page " + record.Key + " was not retrieved");
    }
    const auto start = static_cast<std::uint64_t>(record.Offset);
    if (start < header.DataStart())
    {
        ThrowMalformed("The page " + record.Key + " starts inside the header");
    }
    return start;
}

} // namespace

void ArchiveReader::ExpandPage(const IndexRecord& record, std::size_t maxPageBytes, std::string& plain,
                               const BlockSink* sink) const
{
    std::uint64_t position = PageStart(header_, record);
    if (!header_.Compressed())
    {
        if (record.Length < 0 || static_cast<std::uint64_t>(record.Length) > maxPageBytes)
        {
            ThrowMalformed("The page " + record.Key + " has an impossible length");
        }
        const std::uint64_t end = position + static_cast<std::uint64_t>(record.Length);
        if (end > Size())
        {
            ThrowMalformed("The page " + record.Key + " lies beyond the end of the archive");
        }
        while (position < end)
        {
            const std::uint64_t piece = std::min<std::uint64_t>(PageBlockPlainBytes, end - position);
            const std::string bytes = source_->Read(position, piece, "A page");
            position += piece;
            if (sink)
            {
                (*sink)(bytes);
            }
            else
            {
                plain += bytes;
            }
        }
        return;
    }
    if (!sink)
    {
        // Room for a head block and a full block of text, most pages, from
        // the start: the text is not copied again as the page grows.
        plain.reserve(plain.size() + 2 * PageBlockPlainBytes);
    }
    std::size_t total = 0;
    ChainReader chain(*source_, position);
    std::uint32_t length = LittleEndian(chain.Take(2, "A page block"));
    while (length != 0)
    {
        const std::string_view block = chain.Take(length, "A page block");
        const std::size_t before = plain.size();
        if (!AppendExpandedBlock(block, std::min(MaxReadBlockBytes, maxPageBytes - total), plain))
        {
            ThrowMalformed("A block of the page " + record.Key + " does not expand");
        }
        total += plain.size() - before;
        if (sink)
        {
            (*sink)(plain);
            plain.clear();
        }
        length = LittleEndian(chain.Take(2, "A page block"));
    }
}

void ArchiveReader::ForEachPageBlock(const IndexRecord& record, const BlockSink& sink, std::size_t maxPageBytes) const
{
    std::string plain;
    ExpandPage(record, maxPageBytes, plain, &sink);
}

std::string ArchiveReader::ReadPage(const IndexRecord& record, std::size_t maxPageBytes) const
{
    std::string page;
    ExpandPage(record, maxPageBytes, page, nullptr);
    return page;
}

std::string ArchiveReader::ReadStoredBytes(const IndexRecord& record) const
{
    const std::uint64_t start = PageStart(header_, record);
    if (!header_.Compressed())
    {
        if (record.Length < 0)
        {
            ThrowMalformed("The page " + record.Key + " has an impossible length");
        }
        return source_->Read(start, static_cast<std::uint64_t>(record.Length), "A page");
    }
    const std::string block = "A block of the page " + record.Key;
    ChainReader chain(*source_, start);
    std::string stored;
    for (;;)
    {
        const std::string_view prefix = chain.Take(2, "A page block");
        stored += prefix;
        const std::uint32_t length = LittleEndian(prefix);
        if (length == 0)
        {
            return stored;
        }
        stored += chain.Take(length, block.c_str());
    }
}

} // namespace rv
