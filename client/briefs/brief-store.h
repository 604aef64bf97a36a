// Brief files on disk: opening, saving and the catalogue beside them.
//
// Every save replaces the file whole (replacing-file-writer.h), so a failed
// save leaves the previous file as it was; brief files that hold credentials
// are readable by their owner only. Failures come back as the message the
// window shows; nothing here shows anything.
//
// Called on the thread that owns the brief; the engine calls SaveCatalogue
// with the ".ca~" path during a run from the main thread as well.
#pragma once

#include "client/briefs/brief.h"
#include "client/briefs/user-message.h"

#include <optional>
#include <string>

namespace rv
{

enum class SaveStatus
{
    Saved,
    NeedsPath, // the brief has no file yet: ask the user for one (Save As)
    Failed,    // show BriefSavingError; the brief in memory is unchanged
};

// Writes the brief file and then its ".cat" catalogue. With `purge`, kept
// retrievals whose archive files are gone are dropped first (see
// PurgeMissingArchives).
[[nodiscard]] SaveStatus SaveBrief(TBrief& brief, bool purge);

// Saves the brief at the end of a run: SaveBrief, then, once the ".cat" is
// written, removes the ".ca~" that the run kept, so that the next load does
// not take the run's older copy for an interrupted run.
[[nodiscard]] SaveStatus SaveBriefAfterRun(TBrief& brief, bool purge);

// Writes the catalogue to `path` (the ".cat" file, or ".ca~" during a run).
// With `purge`, kept retrievals whose archive files are gone are dropped
// from the brief first. False when the file could not be written.
[[nodiscard]] bool SaveCatalogue(TBrief& brief, const std::string& path, bool purge);

// Drops, from the last to the first, every kept retrieval whose archive file
// is missing from the brief's folder, with the summary fragment at the same
// position in every entry. Returns how many were dropped.
int PurgeMissingArchives(TBrief& brief);

enum class LoadStatus
{
    Loaded,
    NotLoaded, // no message: the file does not exist or declines to load
    Failed,    // show BriefLoadingError
};

struct LoadResult
{
    LoadStatus Status = LoadStatus::Failed;
    // A save made while loading (to scramble plain credentials, to recover
    // an interrupted run's catalogue, or to drop vanished archives) failed:
    // show BriefSavingError. The brief is loaded all the same.
    bool SaveFailed = false;
};

// Opens a brief file into `brief` (reset first): the records, then the
// catalogue (".ca~" when a run was interrupted, else ".cat"), then the
// repairs that follow loading. On NotLoaded or Failed the brief must be
// discarded.
[[nodiscard]] LoadResult LoadBrief(const std::string& path, TBrief& brief);

// The loading error for a result, if the window has one to show.
std::optional<UserMessage> MessageFor(const LoadResult& result);

} // namespace rv
