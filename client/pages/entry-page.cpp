#include "client/pages/entry-page.h"

#include "client/briefs/brief.h"
#include "client/briefs/web-page.h"
#include "client/pages/http-response.h"
#include "client/pages/page-compare.h"
#include "client/pages/page-processing.h"
#include "client/pages/previous-copy.h"
#include "client/pages/smart-search.h"
#include "store/archive-writer.h"

#include <memory>
#include <optional>

namespace rv
{

namespace
{

// The previous copy is stored for the next comparison only; the local
// server sends it back undecorated so that it compares as it was received.
constexpr std::uint8_t UndecoratedPageFlag = 0x40;

bool SearchesPages(const TWebPage& entry)
{
    return entry.SmartSearch && !entry.SearchFor.empty();
}

// Runs the entry's Smart Search over the page and records a match in the
// entry and its brief. Returns whether the page matched.
bool SearchEntryPage(BriefProgress& progress, const RetrievalRequest& request, std::string_view body)
{
    const TWebPage& entry = *request.Entry;
    SmartSearchOptions options;
    options.SearchHTML = entry.SearchHTML;
    options.CheckHeader = entry.CheckHeader;
    options.CaseSensitive = entry.CaseSensitive;
    if (!SmartSearch(entry.SearchFor, body, options).Matched)
        return false;
    if (EntryProgress* found = progress.Of(request.Entry))
        found->MatchesFound = true;
    progress.MatchesFound = true;
    return true;
}

std::string CaptionOf(const RetrievalRequest& request)
{
    return request.Entry && !request.Entry->EntryName.empty() ? request.Entry->EntryName : request.URL;
}

void StorePreviousCopy(PageContext& context, const RetrievalRequest& request, std::string_view body)
{
    TKSDB* archive = context.Run.IndexDB.get();
    if (!archive)
        return;
    const std::string name = EntryPageName(request) + std::string(PreviousCopySuffix);
    if (!archive->BeginPage(name, TypeWithCharset(request.ContentType, request.Charset), nullptr, UndecoratedPageFlag,
                            CaptionOf(request), static_cast<std::int16_t>(request.LinkNumber)))
        return;
    archive->Append(body);
    archive->EndPage();
}

// The offset of the body within the request's received bytes.
std::size_t BodyOffset(const RetrievalRequest& request)
{
    return std::size_t(ReceivedBody(request).data() - request.Data.View().data());
}

// Puts `body` in place of the received body, keeping the response header
// and the closing 0 byte.
void ReplaceBody(RetrievalRequest& request, std::string_view body)
{
    const std::size_t offset = BodyOffset(request);
    request.Data.SetSize(offset);
    request.Data.Seek(0, SeekOrigin::End);
    request.Data.Write(body);
    request.Data.Write("\0", 1);
    request.Data.Seek(0, SeekOrigin::Start);
}

// The entry page's unfiltered copy: the same response, stored under its
// own name, handed to page processing as a copy that is only stored.
std::unique_ptr<RetrievalRequest> UnfilteredCopyOf(const RetrievalRequest& request)
{
    std::unique_ptr<RetrievalRequest> copy = CopyForRetry(request);
    copy->URL = EntryPageName(request) + std::string(UnfilteredCopySuffix);
    copy->Redirects.clear();
    copy->IsRetryCopy = 0;
    copy->IsEntryPage = 0;
    copy->UnfilteredCopy = 1;
    copy->NotStarted = 0;
    copy->InProgress = 0;
    copy->BodyReady = request.BodyReady;
    copy->Success = request.Success;
    copy->Status = request.Status;
    copy->HeaderComplete = request.HeaderComplete;
    copy->ContentType = request.ContentType;
    copy->NotHTML = request.NotHTML;
    copy->HeaderLength = request.HeaderLength;
    copy->Data.Write(request.Data.View());
    copy->Data.Seek(0, SeekOrigin::Start);
    return copy;
}

// Compares the page with its previous copy and hands page processing the
// markers (marking) or the reduced page (extracting). False when a stop or
// skip abandoned the comparison.
bool ApplyDifferences(PageContext& context, RetrievalRequest& request, std::string_view previous)
{
    TWebPage& entry = *request.Entry;
    CompareOptions options;
    options.Extract = !entry.MarkDiffs;
    options.ShouldStop = [&] { return EntryPageAbandoned(context, request); };
    CompareResult result = ComparePages(ReceivedBody(request), previous, options);
    if (result.Stopped)
        return false;
    if (EntryProgress* found = context.Run.Progress.Of(&entry); found && result.DifferencesFound)
        found->DifferencesFound = true;
    if (options.Extract)
        ReplaceBody(request, result.Extracted);
    else
        request.DiffMarkers = std::move(result.MarkerPositions);
    return true;
}

} // namespace

void ProcessEntryPage(PageContext& context, RetrievalRequest& request)
{
    if (!request.Entry || request.NotHTML || request.LoadAsFile)
        return ProcessPage(context, request);
    TWebPage& entry = *request.Entry;
    const bool received = request.Success != 0;
    const std::string_view body = ReceivedBody(request);
    const bool matched = SearchesPages(entry) && received && SearchEntryPage(context.Run.Progress, request, body);
    std::optional<std::string> previous;
    if (received && !entry.FullRetrieval)
    {
        previous = FetchPreviousCopy(context, request);
        if (EntryPageAbandoned(context, request))
            return;
    }
    // Kept in every mode, so that a later retrieval can compare even when the
    // entry has only just been switched to a differences mode.
    if (received)
        StorePreviousCopy(context, request, body);
    if (entry.FullRetrieval)
        return ProcessPage(context, request);

    std::unique_ptr<RetrievalRequest> unfiltered;
    const bool preservedOnly = entry.PreserveOnly && SearchesPages(entry);
    if (entry.KeepUnfilteredPage && !(preservedOnly && !matched))
        unfiltered = UnfilteredCopyOf(request);
    if (previous && !ApplyDifferences(context, request, *previous))
        return;

    ProcessPage(context, request);
    if (unfiltered && !EntryPageAbandoned(context, request))
        ProcessPage(context, *unfiltered);
}

} // namespace rv
