#include "client/shell/console-report.h"

#include "client/briefs/brief.h"
#include "store/server-address.h"

#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <sys/ioctl.h>
#include <unistd.h>

namespace rv
{

namespace
{

// Four redraws a second keep the line alive without flooding a slow
// terminal.
constexpr std::chrono::milliseconds RedrawInterval{250};

// An address cut to fewer characters than this says nothing: the line goes
// without it.
constexpr std::size_t NarrowestLine = 20;

constexpr PageFate NotRetrievedFates[] = {PageFate::Inaccessible, PageFate::Excluded, PageFate::TooDeep,
                                          PageFate::OtherSite,    PageFate::Skipped,  PageFate::OverLimit};

// A stored address as the user wrote it: every "&colon;" back to ":".
std::string Readable(std::string_view address)
{
    std::string text;
    constexpr std::string_view colon = "&colon;";
    for (std::size_t at = 0; at < address.size();)
    {
        if (address.substr(at, colon.size()) == colon)
        {
            text += ':';
            at += colon.size();
        }
        else
            text += address[at++];
    }
    return text;
}

std::string Bytes(std::uint64_t bytes)
{
    char text[32];
    if (bytes < 1024)
        std::snprintf(text, sizeof text, "%llu B", static_cast<unsigned long long>(bytes));
    else if (bytes < 1024 * 1024)
        std::snprintf(text, sizeof text, "%.1f KB", double(bytes) / 1024);
    else
        std::snprintf(text, sizeof text, "%.1f MB", double(bytes) / (1024 * 1024));
    return text;
}

double Seconds(std::chrono::steady_clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

} // namespace

int BriefTally::NotRetrieved() const
{
    return std::accumulate(Pages.begin() + 1, Pages.end(), 0);
}

std::string ShortenMiddle(const std::string& text, std::size_t width)
{
    if (text.size() <= width)
        return text;
    if (width <= 3)
        return text.substr(0, width);
    const std::size_t kept = width - 3;
    const std::size_t head = (kept + 1) / 2;
    return text.substr(0, head) + "..." + text.substr(text.size() - (kept - head));
}

std::string LiveLineText(const BriefTally& tally, std::chrono::steady_clock::time_point now, std::size_t width)
{
    const double elapsed = Seconds(now - tally.Started);
    char figures[160];
    std::snprintf(figures, sizeof figures, "%s: %d stored, %d pending, %d not retrieved, %s, %.1f pages/s", tally.Name.c_str(),
                  tally.Stored(), tally.Pending, tally.NotRetrieved(), Bytes(tally.BytesReceived).c_str(),
                  elapsed > 0 ? tally.Stored() / elapsed : 0.0);
    std::string line = figures;
    if (line.size() >= width)
        return ShortenMiddle(line, width);
    std::string_view address = tally.CurrentAddress;
    if (address.starts_with("http://"))
        address.remove_prefix(7);
    if (!address.empty() && width - line.size() >= 2 + NarrowestLine)
        line += "  " + ShortenMiddle(Readable(address), width - line.size() - 2);
    return line;
}

std::string SummaryText(const BriefTally& tally, const BriefEnd& end)
{
    std::string text = "Summary of " + tally.Name + ": " + end.Status + "\n";
    text += "  Entries run:    " + std::to_string(tally.EntriesRun) + "\n";
    text += "  Pages stored:   " + std::to_string(tally.Stored()) + "\n";
    text += "  Not retrieved:  " + std::to_string(tally.NotRetrieved()) + " (";
    for (PageFate fate : NotRetrievedFates)
    {
        text += std::string(PageFateText(fate)) + " " + std::to_string(tally.Pages[static_cast<int>(fate)]);
        text += fate == PageFate::OverLimit ? ")\n" : ", ";
    }
    char taken[32];
    std::snprintf(taken, sizeof taken, "%.1f s", Seconds(end.Taken));
    if (!end.Archive.empty())
        text += "  Bytes stored:   " + std::to_string(end.ArchiveBytes) + " (" + Bytes(end.ArchiveBytes) + ")\n";
    text += "  Time taken:     " + std::string(taken) + "\n";
    if (!end.Archive.empty())
    {
        text += "  Archive:        " + end.Archive + "\n";
        text += "  Summary page:   " + end.SummaryAddress + "\n";
    }
    for (const BriefTally::MissingEntryPage& missing : tally.MissingEntryPages)
        text += "  The page of entry " + std::to_string(missing.Number) + " (" + missing.Name +
                ") could not be retrieved: " + Readable(missing.Address) + "\n";
    return text;
}

std::size_t TerminalWidth(int fd)
{
    winsize size{};
    if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    if (const char* columns = std::getenv("COLUMNS"))
    {
        const long value = std::strtol(columns, nullptr, 10);
        if (value > 0 && value < 10000)
            return static_cast<std::size_t>(value);
    }
    return 80;
}

ConsoleObserver::ConsoleObserver(const Options& options)
    : PrintingObserver(options.Output == Verbosity::Quiet ? nullptr : options.Out), options_(options)
{
    options_.LiveLines = options.LiveLines && options.Output != Verbosity::Quiet;
    if (options_.LiveLines)
    {
        redraw_.setInterval(RedrawInterval);
        QObject::connect(&redraw_, &QTimer::timeout,
                         [this]
                         {
                             if (dirty_)
                                 DrawLive();
                         });
    }
}

void ConsoleObserver::AddStatusLine(const TBrief& brief, std::string_view startTime, BriefStatus status)
{
    BriefTally& tally = running_[&brief];
    tally = BriefTally{};
    tally.Name = brief.BriefName;
    tally.Started = std::chrono::steady_clock::now();
    HideLive();
    PrintingObserver::AddStatusLine(brief, startTime, status);
    Changed();
    if (options_.LiveLines && !redraw_.isActive())
        redraw_.start();
}

void ConsoleObserver::UpdateStatusLine(const TBrief& brief, BriefStatus status, std::string_view summaryFile)
{
    HideLive();
    PrintingObserver::UpdateStatusLine(brief, status, summaryFile);
    if (status != BriefStatus::Loading)
        Finish(brief, status, summaryFile);
    Changed();
}

void ConsoleObserver::UpdateStatusDetail(const TBrief& brief, std::string_view detail)
{
    HideLive();
    PrintingObserver::UpdateStatusDetail(brief, detail);
    Changed();
}

void ConsoleObserver::ErrorMessage(std::string_view caption, std::string_view text)
{
    HideLive();
    PrintingObserver::ErrorMessage(caption, text);
    Changed();
}

void ConsoleObserver::EntryStarted(const TBrief& brief, const TWebPage& /*entry*/)
{
    if (auto found = running_.find(&brief); found != running_.end())
        ++found->second.EntriesRun;
    Changed();
}

void ConsoleObserver::RequestFinished(const TBrief& brief, std::uint64_t received, int pending)
{
    if (auto found = running_.find(&brief); found != running_.end())
    {
        found->second.BytesReceived += received;
        found->second.Pending = pending;
    }
    Changed();
}

void ConsoleObserver::RequestStarted(const TBrief& brief, std::string_view address, int pending)
{
    if (auto found = running_.find(&brief); found != running_.end())
    {
        found->second.CurrentAddress = address;
        found->second.Pending = pending;
    }
    Changed();
}

void ConsoleObserver::PageRecorded(const TBrief& brief, std::string_view address, PageFate fate)
{
    auto found = running_.find(&brief);
    if (found == running_.end())
        return;
    ++found->second.Pages[static_cast<int>(fate)];
    Changed();
    if (options_.Output != Verbosity::Verbose)
        return;
    HideLive();
    const std::string what = fate == PageFate::Stored ? "stored" : std::string("not retrieved (") + PageFateText(fate) + ")";
    std::fprintf(options_.Out, "%s: %s %s\n", brief.BriefName.c_str(), what.c_str(), Readable(address).c_str());
    std::fflush(options_.Out);
}

void ConsoleObserver::EntryPageNotRetrieved(const TBrief& brief, const TWebPage& entry, std::string_view address)
{
    entryPageMissing_ = true;
    auto found = running_.find(&brief);
    if (found == running_.end())
        return;
    int number = 0;
    while (number < brief.Entries.Count() && &brief.Entries[number] != &entry)
        ++number;
    found->second.MissingEntryPages.push_back({number + 1, entry.EntryName, std::string(address)});
}

void ConsoleObserver::Finish(const TBrief& brief, BriefStatus status, std::string_view archive)
{
    auto found = running_.find(&brief);
    if (found == running_.end())
        return;
    BriefEnd end;
    end.Status = StatusText(status);
    end.Taken = std::chrono::steady_clock::now() - found->second.Started;
    if (status == BriefStatus::Available && !archive.empty())
    {
        end.Archive = std::filesystem::absolute(std::filesystem::path(archive)).string();
        std::error_code error;
        end.ArchiveBytes = std::filesystem::file_size(end.Archive, error);
        end.SummaryAddress = ServerPageAddress(options_.ServerPort, end.Archive);
    }
    const std::string text = SummaryText(found->second, end);
    std::fputs(text.c_str(), options_.Out);
    std::fflush(options_.Out);
    running_.erase(found);
    if (running_.empty())
        redraw_.stop();
}

void ConsoleObserver::HideLive()
{
    if (linesShown_ == 0)
        return;
    std::fprintf(options_.Terminal, "\033[%zuA\r\033[J", linesShown_);
    std::fflush(options_.Terminal);
    linesShown_ = 0;
}

void ConsoleObserver::DrawLive()
{
    if (!options_.LiveLines)
        return;
    HideLive();
    dirty_ = false;
    const std::size_t width = TerminalWidth(fileno(options_.Terminal));
    const auto now = std::chrono::steady_clock::now();
    std::string block;
    for (const auto& [brief, tally] : running_)
        block += LiveLineText(tally, now, width > 1 ? width - 1 : width) + "\n";
    std::fputs(block.c_str(), options_.Terminal);
    std::fflush(options_.Terminal);
    linesShown_ = running_.size();
}

int GenerateExitStatus(int runnerStatus, const ConsoleObserver& observer, bool strict)
{
    if (runnerStatus == ExitAvailable && strict && observer.EntryPageMissing())
        return ExitEntryPageMissing;
    return runnerStatus;
}

} // namespace rv
