#include "client/engine/internal/brief-page-writer.h"

#include "client/briefs/brief.h"
#include "client/engine/internal/brief-setup.h"
#include "client/engine/internal/main-thread-call.h"
#include "client/pages/date-texts.h"
#include "client/pages/page-processing.h"
#include "client/pages/run-observer.h"
#include "client/pages/site-map-builder.h"
#include "client/pages/summary-page.h"
#include "store/archive-writer.h"
#include "store/site-map.h"

namespace rv
{

namespace
{

// Every entry keeps one fragment per kept retrieval, in the order of the
// brief's ArchiveFiles: this retrieval's replaces the one written when it
// started.
void KeepFragments(TBrief& brief, const std::string& archiveFile, const std::vector<std::string>& fragments)
{
    for (int i = 0; i < brief.Entries.Count(); ++i)
    {
        auto& kept = brief.Entries[i].SummaryFragments;
        if (!kept.empty() && kept.back().ArchiveFile == archiveFile)
            kept.back().Fragment = fragments[std::size_t(i)];
        else
            kept.push_back({fragments[std::size_t(i)], archiveFile});
    }
}

} // namespace

// The summary page "index": written in the list layout when the brief
// starts, so that it can be browsed while it runs, and in the table layout,
// with the run's results, when it is finished. Every entry keeps its block
// as the summary fragment of this retrieval.
void BriefPageWriter::WriteSummary(BriefRun& run, bool finished)
{
    TBrief& brief = *run.Brief;
    SummaryInput input;
    input.BriefName = brief.BriefName;
    input.StartDate = ShortDateText(run.StartLocal);
    input.StartTime = StampTimeText(run.StartLocal);
    input.Information = brief.BriefComments.value_or("");
    input.IncompletePages = IncompletePagesText(run.CutPages, run.UndecodedPages);
    std::vector<int> entryOfBlock;
    for (std::size_t i = 0; i < run.EntryTargets.size(); ++i)
    {
        if (run.EntryTargets[i].empty())
            continue;
        const TWebPage& entry = brief.Entries[int(i)];
        const EntryProgress* progress = run.Progress.Of(&entry);
        input.Entries.push_back({&entry, run.EntryTargets[i], run.EntryRequestNumbers[i],
                                 progress && progress->DifferencesFound, progress && progress->MatchesFound});
        entryOfBlock.push_back(int(i));
    }
    const SummaryLayout layout = finished ? SummaryLayout::Table : SummaryLayout::List;
    run.IndexDB->BeginPage("index", "text/html", nullptr, 0, "index", -1);
    run.IndexDB->Append(SummaryPageText(input, layout));
    run.IndexDB->EndPage();

    std::vector<std::string> fragments(std::size_t(brief.Entries.Count()));
    for (std::size_t block = 0; block < input.Entries.size(); ++block)
        fragments[std::size_t(entryOfBlock[block])] = EntrySummaryFragment(input.Entries[block], layout);
    CallOnThreadOf(mainThread_, [&] { KeepFragments(brief, run.SummaryName, fragments); });
}

// Every entry's site map and match page, from the notes of the brief's run.
void BriefPageWriter::BuildSiteMaps(BriefRun& run)
{
    const TBrief& brief = *run.Brief;
    auto firstRequest = [&](std::int32_t linkNumber) -> std::optional<SiteMapEntry>
    {
        for (std::size_t i = 0; i < run.EntryRequestNumbers.size(); ++i)
            for (std::size_t t = 0; t < run.EntryRequestNumbers[i].size(); ++t)
                if (run.EntryRequestNumbers[i][t] == linkNumber)
                {
                    const TWebPage& entry = brief.Entries[int(i)];
                    const EntryProgress* progress = run.Progress.Of(&entry);
                    return SiteMapEntry{&entry, FetchAddress(run.EntryTargets[i][t].Url), entry.SpiderDepth, false,
                                        progress && progress->Inaccessible};
                }
        return std::nullopt;
    };
    rv::BuildSiteMaps(*run.SiteMap, *run.IndexDB, firstRequest,
                      [this](int percent) { observer_.StopDialogStep(StopStep::BuildingSiteMaps, percent); });
}

} // namespace rv
