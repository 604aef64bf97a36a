// The headless runner: runs briefs to closed archives without windows and
// prints every status-log line as it changes.
//
//   RVClient --generate FILE.brf ...
//
// The briefs run in one run (the first starts it, the others join). Each
// status line is printed as "<brief name>  <start time>  <status>", where
// status is "Loading...", "Available <archive>", "Connection Failure" or
// "Disk Error" (the brief file could not be saved after the run); error
// messages go to stderr. The result is 0 only when every brief ended
// "Available".
//
// Threads: the main thread, which runs the Qt event loop until the run ends.
#pragma once

#include "client/briefs/brief-store.h"
#include "client/engine/run-engine.h"

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace rv
{

// Prints status lines (none when out is null) and remembers the last status
// of every brief.
class PrintingObserver : public RunObserver
{
public:
    explicit PrintingObserver(std::FILE* out = stdout, std::FILE* errors = stderr) : out_(out), errors_(errors) {}

    void AddStatusLine(const TBrief& brief, std::string_view startTime, BriefStatus status) override;
    void UpdateStatusLine(const TBrief& brief, BriefStatus status, std::string_view summaryFile) override;
    void UpdateStatusDetail(const TBrief& brief, std::string_view detail) override;
    void ErrorMessage(std::string_view caption, std::string_view text) override;

    // The last status of each brief by brief name.
    const std::map<std::string, std::string>& Statuses() const { return statuses_; }
    bool AllAvailable() const;

private:
    void Print(const std::string& briefName, const std::string& status);

    std::FILE* out_;
    std::FILE* errors_;
    std::map<std::string, std::string> startTimes_;
    std::map<std::string, std::string> statuses_;
};

struct HeadlessOptions
{
    std::vector<std::string> BriefFiles;
    RetrievalSettings Settings;
    // Called with the driver after it is made and before the briefs start
    // (tests use it to stop or skip through the run state).
    std::function<void(RunEngine&)> Prepare;
};

// Why a brief file did not load, in a few words: "missing", "not a brief
// file", or "damaged: " and the loading message.
std::string BriefLoadProblem(const std::string& path, const LoadResult& result);
// Loads a brief for a headless mode; when it does not load, says why on
// stderr and returns false.
bool LoadBriefForRun(const std::string& path, TBrief& brief);

// Loads the briefs, runs them and returns the exit status (0: all
// "Available"; 1: some brief did not end so; 2: a brief file could not be
// loaded).
int RunBriefsHeadless(const HeadlessOptions& options, PrintingObserver& observer);

} // namespace rv
