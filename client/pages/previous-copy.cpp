#include "client/pages/previous-copy.h"

#include "client/briefs/brief.h"
#include "client/briefs/web-page.h"
#include "client/pages/link-resolver.h"
#include "client/pages/page-processing.h"
#include "store/server-address.h"

#include <algorithm>

namespace rv
{

namespace
{

std::filesystem::path BriefFolder(const PageContext& context, const TBrief& brief)
{
    if (!brief.Folder.empty())
        return std::filesystem::path(brief.Folder);
    return context.Run.ArchivePath.parent_path();
}

} // namespace

bool EntryPageAbandoned(const PageContext& context, const RetrievalRequest& page)
{
    return context.State.StopRequested || page.SkipRequested ||
           (page.Entry && (context.Run.Progress.Skipped(page.Entry) || context.State.SkipEntryTarget.load() == page.Entry));
}

std::string EntryStartAddress(const RetrievalRequest& request)
{
    std::string address = request.Redirects.empty() ? request.URL : request.Redirects.front();
    address.erase(std::min(address.size(), address.find('#')));
    while (!address.empty() &&
           (address.back() == ' ' || address.back() == '\t' || address.back() == '\r' || address.back() == '\n'))
        address.pop_back();
    return address;
}

std::string EntryPageName(const RetrievalRequest& request)
{
    return StoreForm(EntryStartAddress(request));
}

std::string LocalServerAddress(std::int32_t port, const std::filesystem::path& archive, std::string_view pageName)
{
    return ServerPageAddress(port, std::filesystem::absolute(archive).lexically_normal().generic_string(), pageName);
}

std::vector<std::string> EarlierRetrievals(const std::vector<std::string>& archiveFiles, std::string_view current)
{
    auto end = std::find(archiveFiles.begin(), archiveFiles.end(), current);
    if (end == archiveFiles.end() && !archiveFiles.empty())
        end = std::prev(archiveFiles.end());
    return std::vector<std::string>(std::make_reverse_iterator(end), archiveFiles.rend());
}

std::string_view WithoutServerBaseTag(std::string_view body)
{
    return body.substr(ServerBaseTagLength(body));
}

std::optional<std::string> FetchPreviousCopy(PageContext& context, const RetrievalRequest& page)
{
    if (!context.FetchNow || !page.Brief)
        return std::nullopt;
    const TBrief& brief = *page.Brief;
    const std::string name = EntryPageName(page) + std::string(PreviousCopySuffix);
    for (const std::string& file : EarlierRetrievals(brief.ArchiveFiles, context.Run.SummaryName))
    {
        if (EntryPageAbandoned(context, page))
            return std::nullopt;
        // No entry: the local server needs none of its credentials, and a
        // missing copy must not mark the entry inaccessible.
        RetrievalRequest request;
        request.URL = LocalServerAddress(context.Settings.ServerPort, BriefFolder(context, brief) / file, name);
        request.TopLink = request.URL;
        request.EntryURL = request.URL;
        request.Brief = page.Brief;
        request.EntryIndex = page.EntryIndex;
        request.LinkNumber = page.LinkNumber;
        request.Uncounted = 1;
        request.IsEntryPage = 1;
        request.Retries = std::max(0, context.Settings.Retries - 1);
        request.TimeOut = std::int32_t(PreviousCopyTimeOut.count());
        if (context.FetchNow(request, PreviousCopyTimeOut))
            return std::string(WithoutServerBaseTag(ReceivedBody(request)));
        // No answer at all: the server is not running, and no older
        // retrieval will answer either.
        if (!request.HeaderComplete)
            return std::nullopt;
    }
    return std::nullopt;
}

} // namespace rv
