// What page processing needs from the run that fetched a page: the run's
// shared state and queue, the brief's open archive, link cache and site-map
// file, the run's growable text buffers, and the driver's limit test.
//
// The run driver makes one BriefRun per brief when the brief starts or
// joins, and hands a PageContext to page processing for every completed
// request. Threads: page processing runs on the retrieval thread; the
// archive, cache and site map are those of the request's brief.
#pragma once

#include "client/pages/entry-target.h"
#include "client/pages/retrieval-list.h"
#include "client/pages/retrieval-settings.h"
#include "client/pages/run-state.h"

#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rv
{

class RunObserver;
class TCache;
class TKSDB;
class TSiteMap;
struct TBrief;

// One brief of a run, from its setup to its FinishBrief.
struct BriefRun
{
    TBrief* Brief = nullptr;
    std::filesystem::path ArchivePath; // the new retrieval archive
    std::string SummaryName;           // its file name, as kept in ArchiveFiles
    std::unique_ptr<TKSDB> IndexDB;
    std::unique_ptr<TCache> Cache;
    std::unique_ptr<TSiteMap> SiteMap;
    std::chrono::system_clock::time_point StartTime;
    std::tm StartLocal{};
    std::string Stamp; // the last-retrieval stamp, "3/7/5, 12:05:09AM"
    // Per entry of the brief (by position), the link number of its first
    // request, or -1 for an inactive entry; a query or directory entry keeps
    // the number of its first engine or category.
    std::vector<std::int32_t> EntryLinkNumbers;
    // Per entry, every link number it took (one per engine or category).
    std::vector<std::vector<std::int32_t>> EntryRequestNumbers;
    // Per entry, the addresses it started from (one per link number above).
    std::vector<std::vector<EntryTarget>> EntryTargets;
    bool Scheduled = false;
    bool TemporaryPageBrief = false;
    // Pages stored without their whole body: cut at the size limit, or kept
    // in a content coding that could not be undone. Retrieval thread.
    std::int32_t CutPages = 0;
    std::int32_t UndecodedPages = 0;
    // The page being stored is the explanatory page of a failed fetch; the
    // brief is stopping because it reached a limit. Retrieval thread.
    bool StoringInaccessible = false;
    bool StoppedForLimits = false;
    // The brief's and its entries' counts and results of this run.
    BriefProgress Progress;
};

// The text buffers of a run: allocated when the run starts, only grown.
struct RunBuffers
{
    std::string Scratch;
    std::string First;
    std::string Second;
};

struct PageContext
{
    RunState& State;
    const RetrievalSettings& Settings;
    TRetrievalList& Queue;
    RunObserver& Observer;
    RunBuffers& Buffers;
    BriefRun& Run;
    // The disk reserve and the brief's limits: true when the brief must stop.
    std::function<bool()> LimitsReached;
    // Asks the driver to finish the brief (not by the user) because a limit
    // was reached; page processing then abandons the page.
    std::function<void()> StopForLimits;
    // Fetches one request outside the queue (the previous copy of an entry
    // page, from the local server) through the run's transfer worker and
    // waits on the retrieval thread until it is complete or `limit` passed.
    // The request is not counted anywhere (Uncounted). Returns whether a
    // body arrived (request.Success).
    std::function<bool(RetrievalRequest& request, std::chrono::seconds limit)> FetchNow;
};

} // namespace rv
