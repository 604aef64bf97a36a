// The archives the server has open for reading, with their page tables.
//
// At most five are kept: loading a sixth closes the oldest idle ones first.
// Each holds its open file and its page table; the reader refuses indexes
// beyond MaxIndexRecords records or MaxIndexPlainBytes (archive-format.h),
// so one table takes at most about 100 MB, and loading it takes less time
// than reading one large page.
// The list owns its archives; pointers to them stay valid until the archive
// is evicted, released by CloseFile or the list is destroyed. Used from the
// server's one thread only.
//
// Errors: loading reports failure by its result; nothing here throws.
#pragma once

#include "server/page-table.h"
#include "store/archive-reader.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

// Archives kept open at once.
constexpr std::size_t MaxOpenBriefs = 5;

// What tells that an archive file was replaced or rewritten since it was
// opened: another file under its name, or another size or time of change.
struct FileStamp
{
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = -1;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};
// The stamp of the file now; size -1 when it cannot be read.
FileStamp StampOf(const std::filesystem::path& file);

struct OpenBrief
{
    std::string information;             // the archive's information text
    std::string name;                    // the archive path as the request gave it (decoded)
    std::optional<ArchiveReader> reader; // the open archive
    TServHashTable pages;                // built from the index
    bool inUse = false;                  // a request is being answered from it
    int version = 1;                     // of this archive's format
    int subversion = 4;
    std::uint64_t generation = 0; // unique to this opening of the archive
    FileStamp stamp;              // the file as it was when the index was read
};

// Completes an archive that a run left without an index, from its side
// files. Returns false when it cannot (side files missing, a writer still
// holds the archive, a write failed).
using ArchiveCompleter = std::function<bool(const std::filesystem::path& archive)>;

// Tells the user about an archive of a format this server does not know.
using VersionWarning = std::function<void()>;

// Loads an archive's index into the brief's page table. On a damaged or
// unfinished archive the completer is called once and the load retried; a
// failure of the retried load keeps the entries read so far.
bool UpdateTable(OpenBrief& brief, const std::filesystem::path& file, const ArchiveCompleter& complete,
                 const VersionWarning& warn);

struct LookupResult
{
    PageEntry* entry = nullptr;
    OpenBrief* brief = nullptr;
};

class FileWatch;

class OpenBriefList
{
public:
    // Finds a page among the open archives named exactly archiveName: by the
    // name as given, with "%20" as a blank, with each bare "&" as "&amp;",
    // and with both.
    LookupResult DoLookup(std::string_view pageName, std::string_view archiveName);

    OpenBrief* Find(std::string_view archiveName);
    // The open archive of that name when its file is still the one that was
    // opened; one that was replaced or rewritten since is released. With a
    // watch, the file is looked at only when the watch says it may have
    // changed.
    OpenBrief* FindCurrent(std::string_view archiveName);
    void SetWatch(FileWatch* watch) { watch_ = watch; }

    // Opens and indexes the archive and appends it, evicting idle archives
    // while five or more are held. Returns null when the index cannot be
    // loaded.
    OpenBrief* Load(std::string_view archiveName, const std::filesystem::path& file, const ArchiveCompleter& complete,
                    const VersionWarning& warn);

    // Releases the archive whose name matches the path, ignoring letter case
    // and treating "/" and "\" alike. Returns false when none matched.
    bool CloseFile(std::string_view path);

    void Clear();
    // Called with an archive's generation whenever the list lets it go
    // (eviction, CloseFile, a changed file, Clear).
    void SetReleaseHook(std::function<void(std::uint64_t generation)> hook) { released_ = std::move(hook); }
    std::size_t Size() const { return briefs_.size(); }
    const OpenBrief& At(std::size_t i) const { return *briefs_[i]; }

private:
    using Briefs = std::vector<std::unique_ptr<OpenBrief>>;
    Briefs::iterator Release(Briefs::iterator brief);

    Briefs briefs_;
    std::function<void(std::uint64_t)> released_;
    std::uint64_t nextGeneration_ = 1;
    FileWatch* watch_ = nullptr;
};

// The file an archive name stands for: the name with its leading "/" put
// back ("home/ann/News.rvd" -> "/home/ann/News.rvd").
std::filesystem::path ArchiveFileOf(std::string_view archiveName);

// Each "&" that does not begin "&amp" (any case) written as "&amp;".
std::string EscapeBareAmps(std::string_view text);

} // namespace rv
