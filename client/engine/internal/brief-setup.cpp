#include "client/engine/internal/brief-setup.h"

#include "client/briefs/brief.h"
#include "client/engine/internal/brief-page-writer.h"
#include "client/pages/brief-limits.h"
#include "client/pages/date-texts.h"
#include "client/pages/local-file-url.h"
#include "client/pages/page-processing.h"
#include "client/pages/site-map-builder.h"
#include "client/pages/store-address.h"
#include "client/pages/summary-page.h"
#include "store/archive-name.h"
#include "store/archive-writer.h"
#include "store/link-cache.h"
#include "store/site-map.h"

namespace rv
{

namespace
{

// Seconds an entry's first request may stay open; the requests made from
// its pages inherit it.
constexpr std::int32_t EntryTimeOut = 10;

std::tm LocalTimeOf(std::chrono::system_clock::time_point moment)
{
    std::time_t seconds = std::chrono::system_clock::to_time_t(moment);
    std::tm local{};
    localtime_r(&seconds, &local);
    return local;
}

std::filesystem::path BriefFolder(const TBrief& brief, const RetrievalSettings& settings)
{
    if (!brief.FilePath.empty())
        return std::filesystem::path(brief.FilePath).parent_path();
    return settings.ProgramFolder;
}

std::unique_ptr<RetrievalRequest> FirstRequest(BriefRun& run, TWebPage& entry, int entryIndex, const EntryTarget& target,
                                               std::int32_t linkNumber)
{
    auto request = std::make_unique<RetrievalRequest>();
    request->RequestId = std::to_string(linkNumber);
    request->URL = FetchAddress(target.Url);
    request->TopLink = request->URL;
    request->EntryURL = request->URL;
    request->Level = 1;
    request->Depth = entry.SpiderDepth;
    request->TimeOut = EntryTimeOut;
    request->IsEntryPage = 1;
    request->LocalSource = 1;
    request->Entry = &entry;
    request->Brief = run.Brief;
    request->Cache = run.Cache.get();
    request->IndexDB = run.IndexDB.get();
    request->EntryIndex = entryIndex;
    request->LinkNumber = linkNumber;
    return request;
}

} // namespace

// Engine and category addresses come without "http://"; a request needs
// its scheme.
std::string FetchAddress(const std::string& url)
{
    if (SchemeLength(url) > 0 || IsLocalFileUrl(url))
        return url;
    return "http://" + url;
}

BriefSetup::BriefSetup(const RetrievalSettings& settings, RunLock& lock, BriefPageWriter& pages)
    : settings_(settings), lock_(lock), pages_(pages)
{
    targetsOf_ = [](const TWebPage& entry) { return std::vector<EntryTarget>{{entry.EntryName, entry.URL}}; };
}

std::unique_ptr<BriefRun> BriefSetup::SetUp(TBrief& brief, const std::string& targetName, bool scheduled,
                                            std::vector<std::unique_ptr<RetrievalRequest>>& firstRequests, bool& diskFull)
{
    auto run = std::make_unique<BriefRun>();
    run->Brief = &brief;
    run->Scheduled = scheduled;
    run->TemporaryPageBrief = brief.TemporaryPage;
    run->StartTime = std::chrono::system_clock::now();
    run->StartLocal = LocalTimeOf(run->StartTime);
    run->Stamp = RunStampText(run->StartLocal);
    run->Cache = std::make_unique<TCache>(settings_.ProgramFolder, lock_);
    const std::filesystem::path folder = BriefFolder(brief, settings_);
    if (DiskReserveReached(FreeBytes(folder), settings_.DiskBuffer))
    {
        diskFull = true;
        return nullptr;
    }
    std::error_code ignored;
    if (!targetName.empty())
    {
        run->ArchivePath = folder / targetName;
        if (closeArchive_ && std::filesystem::exists(run->ArchivePath, ignored))
            closeArchive_(run->ArchivePath);
    }
    else if (!brief.FilePath.empty())
        run->ArchivePath = NewArchivePath(brief.FilePath, run->StartLocal);
    else
        run->ArchivePath = NewArchivePath(folder / (brief.BriefName + ".brf"), run->StartLocal);
    run->SummaryName = run->ArchivePath.filename().string();
    run->SiteMap = std::make_unique<TSiteMap>(run->ArchivePath);
    run->IndexDB = std::make_unique<TKSDB>();
    if (!run->IndexDB->Open(run->ArchivePath, brief.BriefName))
    {
        diskFull = true;
        return nullptr;
    }
    QueueFirstRequests(*run, firstRequests);
    pages_.WriteSummary(*run, false);
    return run;
}

// One first request per target of every active entry, each with its own
// link number, counted from 0 in brief order.
void BriefSetup::QueueFirstRequests(BriefRun& run, std::vector<std::unique_ptr<RetrievalRequest>>& firstRequests)
{
    TBrief& brief = *run.Brief;
    run.Progress.Reset(brief);
    std::int32_t linkNumber = 0;
    for (int i = 0; i < brief.Entries.Count(); ++i)
    {
        TWebPage& entry = brief.Entries[i];
        run.EntryLinkNumbers.push_back(-1);
        run.EntryTargets.emplace_back();
        run.EntryRequestNumbers.emplace_back();
        if (!entry.Active)
            continue;
        run.EntryTargets.back() = targetsOf_(entry);
        for (const EntryTarget& target : run.EntryTargets.back())
        {
            if (run.EntryLinkNumbers.back() < 0)
                run.EntryLinkNumbers.back() = linkNumber;
            run.EntryRequestNumbers.back().push_back(linkNumber);
            auto request = FirstRequest(run, entry, i, target, linkNumber);
            request->FirstOfBrief = firstRequests.empty() ? 1 : 0;
            const std::string key = PageKey(request->URL);
            run.Cache->Add({.url = key, .title = request->URL, .level = entry.SpiderDepth});
            run.SiteMap->AddEntryNote(request->RequestId);
            firstRequests.push_back(std::move(request));
            ++linkNumber;
        }
    }
}

} // namespace rv
