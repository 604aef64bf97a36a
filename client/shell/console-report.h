// What the headless modes print around the status-log lines: a live line per
// running brief while standard error is a terminal, one line per page with
// --verbose, and a summary at the end of each brief.
//
// The live lines are redrawn at most four times a second, on standard error
// only; the status-log lines, page lines and summaries go to standard output
// (the live lines are taken away before any of them is printed and drawn
// again after). Through a pipe nothing is redrawn.
//
// Threads: the main thread (the run observer's thread), which runs the Qt
// event loop that drives the redraw timer.
#pragma once

#include "client/pages/run-observer.h"
#include "client/shell/command-line.h"
#include "client/shell/headless-runner.h"

#include <QTimer>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace rv
{

// What one brief's run did, as the live line and the summary show it.
struct BriefTally
{
    std::string Name;
    std::chrono::steady_clock::time_point Started;
    int EntriesRun = 0;
    int Pending = 0;
    std::uint64_t BytesReceived = 0;
    std::array<int, 7> Pages{}; // by PageFate
    std::string CurrentAddress;
    // Entries whose own page could not be retrieved.
    struct MissingEntryPage
    {
        int Number = 0; // the entry's place in the brief, from 1
        std::string Name;
        std::string Address;
    };
    std::vector<MissingEntryPage> MissingEntryPages;

    int Stored() const { return Pages[0]; }
    int NotRetrieved() const;
};

// The text cut in the middle to at most width characters, with "..." where
// the cut is; text that fits is kept whole.
std::string ShortenMiddle(const std::string& text, std::size_t width);

// One live line, at most width characters wide.
std::string LiveLineText(const BriefTally& tally, std::chrono::steady_clock::time_point now, std::size_t width);

// The summary printed when a brief ends. archive is empty when the brief did
// not end "Available".
struct BriefEnd
{
    std::string Status;
    std::string Archive;
    std::uint64_t ArchiveBytes = 0;
    std::string SummaryAddress;
    std::chrono::steady_clock::duration Taken{};
};
std::string SummaryText(const BriefTally& tally, const BriefEnd& end);

// The terminal's width: TIOCGWINSZ on fd, else $COLUMNS, else 80.
std::size_t TerminalWidth(int fd);

class ConsoleObserver : public PrintingObserver
{
public:
    struct Options
    {
        Verbosity Output = Verbosity::Normal;
        bool LiveLines = false; // standard error is a terminal
        int ServerPort = 0;     // for the summary page's address
        std::FILE* Out = stdout;
        std::FILE* Terminal = stderr;
    };

    explicit ConsoleObserver(const Options& options);

    void AddStatusLine(const TBrief& brief, std::string_view startTime, BriefStatus status) override;
    void UpdateStatusLine(const TBrief& brief, BriefStatus status, std::string_view summaryFile) override;
    void UpdateStatusDetail(const TBrief& brief, std::string_view detail) override;
    void ErrorMessage(std::string_view caption, std::string_view text) override;
    void EntryStarted(const TBrief& brief, const TWebPage& entry) override;
    void RequestStarted(const TBrief& brief, std::string_view address, int pending) override;
    void RequestFinished(const TBrief& brief, std::uint64_t received, int pending) override;
    void PageRecorded(const TBrief& brief, std::string_view address, PageFate fate) override;
    void EntryPageNotRetrieved(const TBrief& brief, const TWebPage& entry, std::string_view address) override;

    // True when the own page of some entry was not retrieved.
    bool EntryPageMissing() const { return entryPageMissing_; }

private:
    void Finish(const TBrief& brief, BriefStatus status, std::string_view archive);
    void HideLive();
    void DrawLive();
    void Changed() { dirty_ = true; }

    Options options_;
    std::map<const TBrief*, BriefTally> running_;
    std::size_t linesShown_ = 0;
    bool dirty_ = false;
    bool entryPageMissing_ = false;
    QTimer redraw_;
};

// The exit status of a --generate run: the runner's, or with --strict 3 when
// every brief was available but some entry's own page was not retrieved.
int GenerateExitStatus(int runnerStatus, const ConsoleObserver& observer, bool strict);

} // namespace rv
