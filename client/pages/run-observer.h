// RunObserver: what a brief run tells the user. The run driver calls it for
// every status-log line, progress label, started and finished entry, count,
// transfer state, control change, stop-dialog step, error message and
// available-briefs notice. Everything a run learns reaches the main thread
// here as values; the briefs and entries passed by reference are the
// caller's own, which the run never writes during the run.
//
// Threads: the driver calls it from the retrieval thread through
// RunObserverRelay (run-observer-relay.h), which makes every call on the
// main thread, as window code needs (the reports made per page without
// waiting for them, in order); an observer therefore always runs on the main
// thread. The windows implement it; the headless runner
// prints. Every method has an empty default so that an observer implements
// only what it shows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

struct TBrief;
struct TWebPage;

// The status of a brief's status-log line. StatusText gives the text the
// line shows; nothing else spells these texts.
enum class BriefStatus
{
    Loading,
    Available,
    ConnectionFailure,
    // The run ended but its results could not be saved (the brief file or
    // its catalogue), or the store failed during the run.
    DiskError,
};

constexpr const char* StatusText(BriefStatus status)
{
    switch (status)
    {
    case BriefStatus::Loading:
        return "Loading...";
    case BriefStatus::Available:
        return "Available";
    case BriefStatus::ConnectionFailure:
        return "Connection Failure";
    case BriefStatus::DiskError:
        return "Disk Error";
    }
    return "";
}

// How an entry's part of a run ended, as the brief window shows it.
struct EntryOutcome
{
    bool Skipped = false;          // the user skipped it
    bool Inaccessible = false;     // a page of it could not be reached
    bool DifferencesFound = false; // its start page changed since the previous retrieval
    bool MatchesFound = false;     // a page of it matched its Smart Search

    bool operator==(const EntryOutcome&) const = default;
};

// The run's counts so far, for the progress window.
struct RunCounts
{
    std::int32_t Pages = 0;
    std::int32_t Images = 0;
    std::uint32_t Bytes = 0;
};

// What became of one address of a brief, as its archive records it.
enum class PageFate
{
    Stored,
    Inaccessible, // an explanatory page stands in for it
    Excluded,     // by the entry's exclusion lists
    TooDeep,      // past the entry's link depth, or content it does not load
    OtherSite,    // outside the entry's site or folder tree
    Skipped,      // the user skipped its entry or stopped the brief
    OverLimit,    // the brief reached a limit of time, size or disk space
};

constexpr const char* PageFateText(PageFate fate)
{
    switch (fate)
    {
    case PageFate::Stored:
        return "stored";
    case PageFate::Inaccessible:
        return "inaccessible";
    case PageFate::Excluded:
        return "excluded";
    case PageFate::TooDeep:
        return "too deep";
    case PageFate::OtherSite:
        return "other site";
    case PageFate::Skipped:
        return "skipped";
    case PageFate::OverLimit:
        return "over a limit";
    }
    return "";
}

// The labels of the progress window.
enum class ProgressLabel
{
    BriefName,
    Pages,
    Images,
    SizeKB
};

// The steps of the "Stopping Brief" dialog, in order.
enum class StopStep
{
    StoppingCurrentRetrievals,
    ClearingPendingRetrievals,
    BuildingSiteMaps,
    ReleasingMemory
};

class RunObserver
{
public:
    virtual ~RunObserver() = default;

    // A new status-log line: brief name, start time, brief file, status.
    virtual void AddStatusLine(const TBrief& /*brief*/, std::string_view /*startTime*/, BriefStatus /*status*/) {}
    // The status of the brief's line changes; summaryFile is the archive once
    // it is available. A brief's last status is how its run ended.
    virtual void UpdateStatusLine(const TBrief& /*brief*/, BriefStatus /*status*/, std::string_view /*summaryFile*/) {}
    // Follows "Available" when pages were stored without their whole body:
    // the brief's line says how many (IncompletePagesText).
    virtual void UpdateStatusDetail(const TBrief& /*brief*/, std::string_view /*detail*/) {}
    // A kept retrieval was trimmed: its status-log line goes.
    virtual void RemoveStatusLine(std::string_view /*summaryFile*/) {}
    virtual void SetProgressLabel(ProgressLabel /*label*/, std::string_view /*text*/) {}
    virtual void ShowProgressWindow(bool /*shown*/) {}
    virtual void AddBriefToProgress(const TBrief& /*brief*/) {}
    virtual void RemoveBriefFromProgress(const TBrief& /*brief*/) {}
    // An entry's first request is under way.
    virtual void EntryStarted(const TBrief& /*brief*/, const TWebPage& /*entry*/) {}
    // An entry has no request left (done or skipped); the outcome is the
    // run's own record, passed by value.
    virtual void EntryFinished(const TBrief& /*brief*/, const TWebPage& /*entry*/, const EntryOutcome& /*outcome*/) {}
    virtual void CountsChanged(const RunCounts& /*counts*/) {}
    // A request of the brief is sent; pending counts the brief's requests
    // not yet done, this one included.
    virtual void RequestStarted(const TBrief& /*brief*/, std::string_view /*address*/, int /*pending*/) {}
    // A request of the brief has ended (received is what arrived for it,
    // header included; 0 when nothing did); pending as above, without it.
    virtual void RequestFinished(const TBrief& /*brief*/, std::uint64_t /*received*/, int /*pending*/) {}
    // A page of the brief went into its archive, or an address was recorded
    // as not retrieved (address in stored form, without scheme). Generated
    // pages (summary, site maps, previous copies) are not reported.
    virtual void PageRecorded(const TBrief& /*brief*/, std::string_view /*address*/, PageFate /*fate*/) {}
    // The entry's own start page could not be retrieved.
    virtual void EntryPageNotRetrieved(const TBrief& /*brief*/, const TWebPage& /*entry*/, std::string_view /*address*/) {}
    // The socket worker's state: " Contacting Host...", " Connected...",
    // " Transferring Data...".
    virtual void TransferStatus(std::string_view /*text*/) {}
    // Skip Entry and Stop Brief.
    virtual void EnableControls(bool /*enabled*/) {}
    virtual void RefreshBrief(const TBrief& /*brief*/) {}
    // The stop dialog: opened at its first step, then each step bold in turn
    // with a percentage; closed at the end.
    virtual void StopDialogStep(StopStep /*step*/, int /*percent*/) {}
    virtual void CloseStopDialog() {}
    // "Disk Error", "Memory Error", "Dialer Error", "Brief Organizer File
    // Saving Error" with their texts.
    virtual void ErrorMessage(std::string_view /*caption*/, std::string_view /*text*/) {}
    virtual void AvailableBriefsNotice(const std::vector<std::string>& /*briefNames*/) {}
    // The end of a run the user started.
    virtual void Beep() {}
};

} // namespace rv
