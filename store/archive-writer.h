// TKSDB: writes one retrieval archive (".rvd") while a brief is retrieved.
//
// Life of a store: Open, then any number of pages (BeginPage, Append*,
// EndPage) and records of URLs that were not stored (AddTooDeep, ...,
// AddAlias), then Close. While it is open the index grows in two working
// files beside the archive: ".nd2" (plain records) and ".ndx" (compressed
// blocks of records, moved there from ".nd2" every 20000 bytes). Close
// appends the record count, the blocks and a 16-bit 0 to the archive,
// writes the index offset into the header last (index-closing.h) and
// deletes both working files.
//
// From Open to Close the store holds an exclusive advisory lock (flock) on
// the archive, so that the page server can tell an archive that is still
// being written from one a crashed run left unfinished (archive-lock.h).
// Destroying an open store closes its files and releases the lock without
// writing the index; the working files stay for the server to complete it.
//
// Errors: functions that return bool return false for a call in the wrong
// state (no archive open, a page open or not open), for a failed compression
// and for a failed write to the archive while a page is written; a failed
// page is abandoned (the page-open flag is cleared). Input/output failures of
// the working files, and any failure while Close writes the index, throw
// rv::ArchiveError of kind Io; a short write while Close copies the index
// throws it with the text "Write Failed".
//
// A disabled store (SetDisabled) accepts every call and does nothing: Open
// returns false, every other call returns true.
//
// Threads: one store is used by one thread at a time.
#pragma once

#include "store/file-handle.h"
#include "store/index-record.h"
#include "store/ksdb-list.h"
#include "store/rv-comp.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rv
{

class TKSDB
{
public:
    // Gives the local date and time that stamps each record; tests pass a
    // fixed one.
    using Clock = std::function<std::tm()>;

    TKSDB();
    explicit TKSDB(Clock clock);
    ~TKSDB();
    TKSDB(const TKSDB&) = delete;
    TKSDB& operator=(const TKSDB&) = delete;

    // Called with the record of every page EndPage finishes and of every URL
    // that was not stored, after it is written; not for aliases or AddRecord.
    // Runs on the thread that writes the store.
    using RecordListener = std::function<void(const IndexRecord& record)>;
    void SetRecordListener(RecordListener listener) { listener_ = std::move(listener); }

    void SetDisabled(bool disabled) { disabled_ = disabled; }
    bool Disabled() const { return disabled_; }
    bool IsOpen() const { return open_; }
    bool IsPageOpen() const { return pageOpen_; }

    // Creates (or empties) the archive and its working files and writes the
    // header with information as its text (cut to 65535 bytes). Fails when
    // disabled, already open, or when a file cannot be created or locked.
    bool Open(const std::filesystem::path& archive, std::string_view information);

    // Starts a page at the current write position. url loses every CR, LF
    // and tab; an empty contentType means "text/html". redirects (or null)
    // are URLs that led to this page: each gets an alias record at EndPage;
    // the list is copied. Fails when no archive is open or a page is open.
    bool BeginPage(std::string_view url, std::string_view contentType, const std::vector<std::string>* redirects,
                   std::uint8_t flags, std::string_view caption, std::int16_t number);

    // Adds plain page bytes. A block is written whenever the bytes pending
    // would pass 20000; a longer call is taken in pieces of 20000 bytes, so
    // that no block ever holds more.
    bool Append(const void* bytes, std::size_t count);
    bool Append(std::string_view bytes) { return Append(bytes.data(), bytes.size()); }

    // Copies bytes into the archive unchanged, outside any block: stored
    // bytes of another archive's page (ArchiveReader::ReadStoredBytes).
    bool AppendRaw(const void* bytes, std::size_t count);
    bool AppendRaw(std::string_view bytes) { return AppendRaw(bytes.data(), bytes.size()); }

    // Marks the last count plain bytes as the head part, or, when a head part
    // is marked already, extends it to the current end of the page.
    void MarkHead(std::size_t count);
    void SetHead(std::int32_t offset, std::int32_t length);
    void SetValue(std::int32_t value);
    // The open page's Extra1 text (BodyNotes in index-record.h).
    void SetExtra(std::string_view text);
    // Archive offset of the open page (or of the record AddAlias made last).
    std::int32_t PageOffset() const;
    // Removes flag 0x80 from the open page.
    void ClearFlag128();

    // Writes the last block and the closing 16-bit 0, the page's record, one
    // alias record per URL of redirects (null: none) that shares the page's
    // head part and value, then one per URL of BeginPage's list without
    // them. redirects is emptied.
    bool EndPage(std::vector<std::string>* redirects = nullptr);

    // Stores a file's bytes as a page with flags 8. The file holds a received
    // body, which ends with one 0 byte: a last piece shorter than 20000 bytes
    // loses its last byte. extra becomes the record's Extra1. Fails when the
    // file cannot be read.
    bool AddFromFile(std::string_view url, std::string_view contentType, const std::vector<std::string>* redirects,
                     const std::filesystem::path& file, std::string_view caption, std::int16_t number,
                     std::string_view extra = {});

    // A record for bytes already in the archive (packaging).
    bool AddRecord(std::string_view url, std::int32_t offset, std::int32_t length, std::uint8_t flags, std::string_view caption,
                   std::int16_t number, std::string_view contentType);

    // A record for newUrl that shares everything with the recent record of
    // oldUrl; when no page is open it becomes the current record (PageOffset).
    // Fails when oldUrl is not among the 41 most recent records.
    bool AddAlias(std::string_view oldUrl, std::string_view newUrl);

    // Records of URLs that were not stored, with Offset 0, -1, -3 and -2
    // and Length 0. AddSkipped writes one more record for every URL of more,
    // with the same caption, number and flags. These, AddRecord and AddAlias
    // may be called while a page is open (links found while it is stored);
    // the open page is not disturbed.
    bool AddTooDeep(std::string_view url, std::string_view caption, std::int16_t number, std::uint8_t flags);
    bool AddOutOfTree(std::string_view url, std::string_view caption, std::int16_t number, std::uint8_t flags);
    bool AddExcluded(std::string_view url, std::string_view caption, std::int16_t number, std::uint8_t flags);
    bool AddSkipped(std::string_view url, std::string_view caption, const std::vector<std::string>& more, std::int16_t number,
                    std::uint8_t flags);

    // Appends the index, writes its offset into the header, closes the
    // archive, releases the lock and deletes the working files. A page still
    // open is abandoned first. Returns false when no archive is open.
    bool Close();

    // Figures for the caller: records written, and where the next page starts.
    std::uint32_t RecordCount() const { return recordCount_; }
    std::uint64_t WritePosition() const { return writePosition_; }
    const std::filesystem::path& ArchivePath() const { return archivePath_; }

private:
    bool AddNotStored(std::string_view url, std::int32_t offset, std::string_view caption, std::int16_t number,
                      std::uint8_t flags);
    IndexRecord NewRecord(std::string_view url, std::string_view contentType, std::string_view caption, std::int16_t number,
                          std::uint8_t flags) const;
    bool AppendPiece(const char* bytes, std::size_t count);
    bool WritePendingBlock(bool endOfPage = false);
    bool WriteArchive(std::string_view bytes);
    bool FailPage();
    void WriteAliases(std::vector<std::string>& urls, bool shareHead);
    void WriteRecord(IndexRecord record);
    void WriteHeldRecords();
    void FlushWorkingIndex();
    void MoveWorkingRecords();
    void WriteIndexBlock(ALHandle input, const char* outputLabel);
    void CloseFiles();

    Clock clock_;
    RecordListener listener_;
    bool disabled_ = false;
    bool open_ = false;
    bool pageOpen_ = false;

    std::filesystem::path archivePath_;
    std::filesystem::path ndxPath_;
    std::filesystem::path nd2Path_;
    FileHandle archive_;
    FileHandle ndx_;
    FileHandle nd2_;

    std::uint64_t writePosition_ = 0;
    std::uint64_t indexOffsetField_ = 0;
    std::uint64_t ndxPosition_ = 0;
    std::uint64_t nd2Unflushed_ = 0;
    // Records of the open page (its links, then the page and its aliases),
    // written to ".nd2" in one call when the page ends, so that a page of
    // many links costs one system call, not one per link.
    std::string nd2Held_;
    std::uint32_t nd2HeldCount_ = 0;
    std::uint32_t recordCount_ = 0;
    ALHandle compressor_ = 0;

    // The page being written: its record, redirect list, pending plain bytes
    // (at most one block) and plain bytes so far.
    IndexRecord current_;
    std::vector<std::string> currentRedirects_;
    std::string pending_;
    std::uint64_t pageBytes_ = 0;
    std::int32_t lastBlockLength_ = 0;
    TKSDBList recent_;
};

} // namespace rv
