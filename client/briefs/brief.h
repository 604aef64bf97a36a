// The brief record: a named, ordered collection of entries with its
// schedule, run limits and kept retrievals.
//
// A brief belongs to its brief window, which creates it and destroys it; a
// run holds a reference until the brief is finished and must not outlive
// it. Not thread-safe: the main thread edits it; the retrieval engine reads
// it during a run while `Retrieving` keeps every edit away.
#pragma once

#include "client/briefs/web-list.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rv
{

// Only this many characters of the third brief tag are kept.
inline constexpr std::size_t MaxBriefTag3Length = 6;

struct TBrief
{
    std::string BriefName;
    std::string RunCaption; // set by the engine when a run starts; the new archive's caption
    std::optional<std::chrono::system_clock::time_point> RunStartTime;
    bool TimersLocked = false;
    std::string LockedTimersText = "Locked Timers";
    std::int32_t LockedTimersFontSize = 24;
    std::optional<std::string> BriefComments;
    std::uint8_t BriefFlag2 = 0;
    std::string BriefTag3Text;
    bool BriefActive = true;
    TWebList Entries;
    // File names of the kept retrievals relative to Folder, oldest first, and
    // a caption for each; always the same length.
    std::vector<std::string> ArchiveFiles;
    std::vector<std::string> ArchiveCaptions;
    std::vector<std::string> Schedule;
    std::vector<std::string> ScheduleState; // parallel to Schedule
    bool Retrieving = false;                // a run is under way: the brief is read-only
    std::int32_t NumMegs = -1;              // -1: no size limit
    std::int32_t MaxMins = -1;
    std::int32_t MaxHours = -1;    // -1: no time limit (MaxMins is then ignored)
    std::int32_t NumArchives = -1; // -1: keep every retrieval

    std::string FilePath; // empty until the brief has been saved or opened
    std::string Folder;   // folder of FilePath with its trailing "/"
    // The one-page brief of "Archive Browser Page": never stored in the
    // window layout, never scheduled, no catalogue. Not kept in the file.
    bool TemporaryPage = false;
};

// Puts every field back to the new-brief defaults, with no entries, and takes
// the name, folder and file path from `path` (which may be empty).
void ResetBrief(TBrief& brief, const std::string& path);

// Sets FilePath and Folder without touching anything else.
void SetBriefPath(TBrief& brief, const std::string& path);

// The file name of a path without folder and extension.
std::string BriefNameFromPath(const std::string& path);

// A brief window's caption: the text between the last folder separator and
// the last dot after it (the whole rest when there is none); empty when the
// path has no folder separator.
std::string WindowCaptionFromPath(const std::string& path);

// Drops the kept retrieval at `index` from both archive lists and the
// summary fragment at the same position from every entry.
void DropArchive(TBrief& brief, std::size_t index);

// Empties both archive lists and every entry's summary fragments.
void ClearArchives(TBrief& brief);

// Whether any entry holds a user name, password or lock code; files holding
// such a brief are readable by their owner only.
bool BriefHoldsCredentials(const TBrief& brief);

} // namespace rv
