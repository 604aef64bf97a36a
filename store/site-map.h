// TSiteMap: the site-map working file of one brief's run.
//
// While a brief runs, every page that is stored or refused is noted here;
// when the brief is finished the notes are read back, in the order they were
// written, to build each entry's site map. The file lies beside the archive
// (the archive's name with the extension ".smp"); its byte form is in
// store/site-map-record.h. It is made on the first note and removed by
// Destroy once the site maps are built. When the object is destroyed without
// Destroy (the run ended with an error), the file stays so that the server
// can finish the archive from it.
//
// Threads: every member may be called from any thread. Notes come from the
// main thread (the entry records at the start of a brief) and from the
// retrieval thread (every page); an internal lock serialises them. That lock
// is a leaf: nothing else is locked or called while it is held, so callers
// may hold the run's lock or not.
//
// Errors: input/output failures throw SiteMapError (store/site-map-record.h).
// A failed note is neither counted nor kept: the next note takes its place.
#pragma once

#include "store/site-map-record.h"
#include "store/toc-list.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

namespace rv
{

// The site-map file that belongs to an archive: its name with the extension
// replaced by ".smp".
std::filesystem::path SiteMapFileName(const std::filesystem::path& archiveName);

class TSiteMap
{
public:
    // Create: derives the file name from the archive's; no file is made yet.
    explicit TSiteMap(const std::filesystem::path& archiveName);
    // Closes the file and leaves it on disk.
    ~TSiteMap();
    TSiteMap(const TSiteMap&) = delete;
    TSiteMap& operator=(const TSiteMap&) = delete;

    const std::filesystem::path& FileName() const { return fileName_; }

    // Appends one record: Group, Title, Url, Fragment, Kind, Note. With an
    // anchor, Url is the address followed by "#" and the anchor. Fragment is
    // the part of that Url after its first "#". The first note creates the
    // file, replacing any file of that name.
    void AddNote(std::string_view title, std::string_view url, std::string_view group, std::string_view note, std::uint8_t kind,
                 std::optional<std::string_view> anchor = std::nullopt);
    // The record written for each entry when its brief starts: only Group.
    void AddEntryNote(std::string_view group);

    // Reads the oldest unread record into a new node (without children);
    // null when every record written so far has been read. offset, when
    // given, receives where the record starts in the file.
    std::unique_ptr<TOCNode> Next(std::uint64_t* offset = nullptr);
    // Reads again the record that starts at offset, as Next gave it.
    SiteMapRecord ReadAt(std::uint64_t offset);

    std::size_t Written() const;
    std::size_t Unread() const;

    // Closes and deletes the file. Notes added afterwards start a new file.
    void Destroy();

private:
    void OpenForFirstNote();
    void Append(const std::string& bytes);
    // Reads the record at offset, of at most `available` bytes; under lock_.
    std::uint64_t ReadRecord(std::uint64_t offset, std::uint64_t available, SiteMapRecord& record);

    mutable std::mutex lock_;
    std::filesystem::path fileName_;
    std::fstream file_;
    std::uint64_t writePosition_ = 0;
    std::uint64_t readPosition_ = 0;
    std::size_t written_ = 0;
    std::size_t read_ = 0;
    bool atWriteEnd_ = false; // the stream stands where the next note goes
};

} // namespace rv
