// Temporary files of a run: where they go, how they are named, how leftovers
// of an interrupted run are removed.
//
// Every temporary file has a unique name made of a three-letter prefix that
// tells its kind, six random characters and ".tmp". They go to the folder
// "temp" under the program folder; when that cannot be made or written, to
// the program folder itself; when the program folder is read-only too, to
// $XDG_CACHE_HOME/ravelin/ (default ~/.cache/ravelin/).
//
// Errors: CreateTempFile throws TempFileError when no folder takes the file.
// Threads: the functions are safe to call from any thread.
#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace rv
{

// Prefixes of the kinds of temporary files.
constexpr std::string_view TempPrefixLinkCache = "lcs"; // link cache spill file
constexpr std::string_view TempPrefixQueue = "rqo";     // retrieval queue overflow
constexpr std::string_view TempPrefixBinary = "bin";    // non-text body while it is received

class TempFileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The folders tried for temporary files, best first: <program>/temp, the
// program folder, the per-user cache folder. Nothing is created.
std::vector<std::filesystem::path> TempFolderCandidates(const std::filesystem::path& programFolder);

// The first candidate folder that exists (or can be made) and is writable;
// creates it when needed. Throws TempFileError when none is.
std::filesystem::path TempFolder(const std::filesystem::path& programFolder);

// Creates a new, empty file readable and writable by the user only, with a
// unique name "<prefix>XXXXXX.tmp" in the first candidate folder that takes
// it, and returns its path. The caller owns the file and deletes it. From
// then on the process holds that folder shared (an advisory lock on the
// folder), until it exits.
std::filesystem::path CreateTempFile(const std::filesystem::path& programFolder, std::string_view prefix);

// Deletes every "*.tmp" file left in the candidate folders by an interrupted
// run (start-up clean-up; call it before any run begins). A folder that
// another live process holds is left alone: its files may be that run's
// (another user's, sharing the installation). Returns how many files were
// deleted; files that cannot be deleted are skipped.
std::size_t DeleteLeftoverTempFiles(const std::filesystem::path& programFolder);

} // namespace rv
