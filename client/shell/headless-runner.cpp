#include "client/shell/headless-runner.h"

#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "client/engine/run-engine.h"
#include "client/pages/entry-targets.h"
#include "platform/server-control.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <list>

namespace rv
{

void PrintingObserver::AddStatusLine(const TBrief& brief, std::string_view startTime, BriefStatus status)
{
    startTimes_[brief.BriefName] = std::string(startTime);
    statuses_[brief.BriefName] = StatusText(status);
    Print(brief.BriefName, StatusText(status));
}

void PrintingObserver::UpdateStatusLine(const TBrief& brief, BriefStatus status, std::string_view summaryFile)
{
    std::string text = StatusText(status);
    if (!summaryFile.empty())
        text += " " + std::string(summaryFile);
    statuses_[brief.BriefName] = StatusText(status);
    Print(brief.BriefName, text);
}

void PrintingObserver::UpdateStatusDetail(const TBrief& brief, std::string_view detail)
{
    Print(brief.BriefName, std::string(detail));
}

void PrintingObserver::ErrorMessage(std::string_view caption, std::string_view text)
{
    std::fprintf(errors_, "%.*s: %.*s\n", int(caption.size()), caption.data(), int(text.size()), text.data());
    std::fflush(errors_);
}

bool PrintingObserver::AllAvailable() const
{
    if (startTimes_.empty())
        return false;
    for (const auto& [name, start] : startTimes_)
    {
        auto status = statuses_.find(name);
        if (status == statuses_.end() || status->second != StatusText(BriefStatus::Available))
            return false;
    }
    return true;
}

void PrintingObserver::Print(const std::string& briefName, const std::string& status)
{
    if (!out_)
        return;
    std::fprintf(out_, "%s  %s  %s\n", briefName.c_str(), startTimes_[briefName].c_str(), status.c_str());
    std::fflush(out_);
}

std::string BriefLoadProblem(const std::string& path, const LoadResult& result)
{
    std::error_code error;
    if (result.Status == LoadStatus::NotLoaded)
    {
        if (!std::filesystem::exists(path, error))
            return "missing";
        if (!std::filesystem::is_regular_file(path, error))
            return "not a file";
        return "not a brief file";
    }
    if (result.Status == LoadStatus::Failed)
    {
        if (std::FILE* file = std::fopen(path.c_str(), "rb"))
            std::fclose(file);
        else
            return std::strerror(errno);
        const std::optional<UserMessage> message = MessageFor(result);
        return message ? "damaged: " + message->Caption + ": " + message->Text : "damaged";
    }
    return "";
}

bool LoadBriefForRun(const std::string& path, TBrief& brief)
{
    const LoadResult result = LoadBrief(path, brief);
    if (result.Status == LoadStatus::Loaded)
        return true;
    std::fprintf(stderr, "RVClient: cannot open the brief file %s: %s\n", path.c_str(), BriefLoadProblem(path, result).c_str());
    return false;
}

int RunBriefsHeadless(const HeadlessOptions& options, PrintingObserver& observer)
{
    std::list<TBrief> briefs;
    for (const std::string& file : options.BriefFiles)
    {
        TBrief& brief = briefs.emplace_back();
        if (!LoadBriefForRun(file, brief))
            return 2;
    }
    RunEngine driver(options.Settings, observer);
    const DefinitionSet definitions = LoadDefinitions(options.Settings.ProgramFolder);
    driver.SetTargetsOf([&definitions](const TWebPage& entry) { return EntryTargets(entry, definitions); });
    QEventLoop loop;
    driver.SetRunEnded([&] { loop.quit(); });
    driver.SetArchiveCloser([](const std::filesystem::path& archive)
                            { ServerCloseFile(QString::fromStdString(archive.string())); });
    if (options.Prepare)
        options.Prepare(driver);
    for (TBrief& brief : briefs)
        driver.StartBrief(brief);
    if (driver.RunActive())
        loop.exec();
    for (const TBrief& brief : briefs)
    {
        if (!observer.Statuses().contains(brief.BriefName))
            std::fprintf(stderr, "RVClient: the brief %s did not run: its archive could not be written in %s.\n",
                         brief.BriefName.c_str(), std::filesystem::path(brief.FilePath).parent_path().c_str());
    }
    return observer.AllAvailable() ? 0 : 1;
}

} // namespace rv
