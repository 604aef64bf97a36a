// RunEngine: what a window uses to run briefs. Starting a brief begins a run
// or joins the one under way; a brief can be stopped and an entry skipped
// while it runs. The engine reports through the RunObserver, always on the
// main thread.
//
// Threads: construct, start, stop and skip on the main thread, which must
// run a Qt event loop while a run is under way.
//
// Ownership: the caller owns the briefs and keeps them alive and unchanged
// in shape (no entries added or removed) until the run has ended; the
// engine writes the run's results into them (archives, captions, summary
// fragments) on the main thread and saves their files. The engine keeps its
// own copy of the settings, and a run keeps the copy it started with; the
// observer must outlive the engine.
#pragma once

#include "client/pages/entry-target.h"
#include "client/pages/retrieval-settings.h"
#include "client/pages/run-observer.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rv
{

class RunDriver;
struct TBrief;
struct TWebPage;

class RunEngine
{
public:
    using TargetsOf = std::function<std::vector<EntryTarget>(const TWebPage& entry)>;
    using ConnectStep = std::function<bool()>;
    using ArchiveCloser = std::function<void(const std::filesystem::path& archive)>;

    RunEngine(const RetrievalSettings& settings, RunObserver& observer);
    ~RunEngine();
    RunEngine(const RunEngine&) = delete;
    RunEngine& operator=(const RunEngine&) = delete;

    // The addresses an entry starts from; by default a web entry's URL.
    void SetTargetsOf(TargetsOf targets);
    // Makes the network usable (dial-up); by default it always succeeds.
    void SetConnect(ConnectStep connect);
    // Tells the page server to close an archive before it is deleted.
    void SetArchiveCloser(ArchiveCloser closer);
    // Called on the main thread when a run has ended.
    void SetRunEnded(std::function<void()> ended);

    // Starts a brief: begins a run, or joins the one under way. targetName
    // names the archive to write instead of a new one (empty: a new one).
    void StartBrief(TBrief& brief, const std::string& targetName = {}, bool scheduled = false);
    // Stop Brief, confirmed by the user.
    void StopBrief(TBrief& brief);
    // Skip Entry, confirmed: the entry's open requests are dropped; when it
    // was the brief's last pending entry, the brief is stopped.
    void SkipEntry(TBrief& brief, TWebPage& entry);

    bool RunActive() const;
    // The settings the next run starts with; a run under way keeps its own.
    const RetrievalSettings& Settings() const;
    void SetSettings(const RetrievalSettings& settings);

private:
    std::unique_ptr<RunDriver> driver_;
};

} // namespace rv
