// Reading a retrieval archive (".rvd") of any subversion from 0 to 4.
//
// Typical use (the page server): open the archive once, read its index once
// into a table of its own, keep the reader and read pages on demand.
//
//     rv::ArchiveReader archive = rv::ArchiveReader::OpenFile(path);
//     archive.ReadIndex([&](rv::IndexRecord&& record) { table.Add(std::move(record)); });
//     std::string page = archive.ReadPage(record);
//
// Errors: every failure throws rv::ArchiveError (archive-error.h) with a kind
// the caller can act on: NotAnArchive and UnknownVersion from OpenFile,
// NoIndex for an archive that was never closed (the server completes it),
// Malformed for lengths or blocks that do not fit the file, Io for read
// failures. No length read from the file is trusted: each is checked against
// the file's size before anything is reserved or read for it, and every loop
// advances through the file, so a damaged archive ends in an error, never in
// a crash, a huge allocation or a hang. An index of more than MaxIndexRecords
// records or MaxIndexPlainBytes of records (archive-format.h) is Malformed,
// and so is a record count its index bytes cannot hold; both are checked
// before the first record is read.
//
// OpenFile opens only a regular file and never follows a symbolic link in
// the path's last step: a page request names the file, and the folder may
// belong to someone else.
//
// Threads: the reader reads with positioned reads and keeps no cursor, so
// its const functions may be called from several threads at once. The file
// stays open (and readable after it is deleted) until the reader is
// destroyed.
#pragma once

#include "store/archive-error.h"
#include "store/archive-format.h"
#include "store/index-record.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

struct ArchiveHeader
{
    std::uint16_t Version = ArchiveVersion;
    std::uint16_t Subversion = ArchiveSubversion;
    // The brief's name; empty for packaged archives.
    std::string Information;
    // Where the 32-bit index offset lies (14 + length of Information): the end
    // of the header proper, needed to complete an archive that has no index.
    std::uint64_t IndexOffsetField = 0;
    // The field's value: 0 while the archive is being written.
    std::uint32_t IndexOffset = 0;

    std::uint64_t DataStart() const { return IndexOffsetField + 4; }
    // Pages and index in compressed blocks (2 to 4) or plain (0 and 1).
    bool Compressed() const { return Subversion >= 2; }
    bool HasValueField() const { return RecordHasValue(Subversion); }
};

// Where the bytes come from: a file, or memory (tests and fuzzing).
class ArchiveSource;

class ArchiveReader
{
public:
    // Opens the file read-only and checks its header. Throws ArchiveError:
    // Io when it cannot be opened or is a symbolic link, NotAnArchive (also
    // for a folder, device or pipe), UnknownVersion, Malformed when the
    // header is cut short.
    static ArchiveReader OpenFile(const std::filesystem::path& path);
    // The same over bytes held in memory; the reader owns them.
    static ArchiveReader FromBytes(std::string bytes);

    ArchiveReader(ArchiveReader&&) noexcept;
    ArchiveReader& operator=(ArchiveReader&&) noexcept;
    ~ArchiveReader();

    const ArchiveHeader& Header() const { return header_; }
    std::uint64_t Size() const;

    // The record count stored at the index offset (-1: records run to the
    // end of the index). Throws NoIndex when there is no index.
    std::int32_t IndexRecordCount() const;

    // Hands every index record, in file order, to sink (called on the
    // caller's thread, before ReadIndex returns). Keys are passed as stored;
    // the reader does not add number prefixes or clean them (CleanIndexKey).
    // Throws NoIndex, Malformed or Io; records handed over before the error
    // stay valid, so a caller can keep what was read.
    using RecordSink = std::function<void(IndexRecord&& record)>;
    void ReadIndex(const RecordSink& sink) const;
    std::vector<IndexRecord> ReadIndex() const;

    // Hands a stored page's plain bytes to sink block by block (pieces of at
    // most 20000 bytes for a plain page of subversions 0 and 1); the view is
    // valid during the call only. The first block holds the head part of a page written by this
    // system. Throws NotStored for a record with Offset 0 or below, Malformed
    // when the blocks do not fit the file or expand to more than maxPageBytes.
    using BlockSink = std::function<void(std::string_view plain)>;
    void ForEachPageBlock(const IndexRecord& record, const BlockSink& sink,
                          std::size_t maxPageBytes = DefaultMaxPageBytes) const;
    // The whole page's plain bytes.
    std::string ReadPage(const IndexRecord& record, std::size_t maxPageBytes = DefaultMaxPageBytes) const;

    // The page's bytes exactly as stored, for copying them into another
    // archive with TKSDB::AppendRaw: its blocks up to and including the
    // closing 16-bit 0 (subversions 2 to 4), or Length plain bytes (0 and 1).
    std::string ReadStoredBytes(const IndexRecord& record) const;

private:
    explicit ArchiveReader(std::unique_ptr<ArchiveSource> source);
    // Expands the page's blocks in order onto the end of plain; with a sink,
    // hands it each block and empties plain for the next.
    void ExpandPage(const IndexRecord& record, std::size_t maxPageBytes, std::string& plain, const BlockSink* sink) const;

    std::unique_ptr<ArchiveSource> source_;
    ArchiveHeader header_;
};

} // namespace rv
