#include "client/pages/page-processing.h"

#include "client/briefs/brief.h"
#include "client/briefs/web-page.h"
#include "client/pages/content-sniff.h"
#include "client/pages/css-scan.h"
#include "client/pages/date-texts.h"
#include "client/pages/diff-marker.h"
#include "client/pages/frame-head.h"
#include "client/pages/http-response.h"
#include "client/pages/link-policy.h"
#include "client/pages/link-resolver.h"
#include "client/pages/page-output.h"
#include "client/pages/page-scan.h"
#include "client/pages/run-observer.h"
#include "client/pages/smart-search.h"
#include "client/pages/style-sheet.h"
#include "client/pages/url-parts.h"
#include "client/pages/working-copy.h"
#include "store/archive-writer.h"
#include "store/link-cache.h"
#include "store/site-map.h"

#include <fstream>

namespace rv
{
namespace
{

// Index flags of a stored text page: site map and Smart Search buttons are
// added below; 0x40 keeps the server from decorating a page shown inside a
// frame of a stored frameset (the frameset's navigation frame serves it).
constexpr std::uint8_t TextPageFlags = 0x34;
constexpr std::uint8_t FilePageFlags = 0x38;
constexpr std::uint8_t InFrameFlag = 0x40;
// A kept frameset is served undecorated, but with the base tag that its
// relative frame addresses ("FrameHead3", "host/dir/left.html") need: the
// two bits that would leave the base tag out are cleared.
constexpr std::uint8_t FramesetFlag = 0x08;
constexpr std::uint8_t NoBaseFlags = 0x30;
// The page shows marked differences: the server offers "First Marked Difference".
constexpr std::uint8_t MarkedDiffsFlag = 0x80;
// Flags of an address whose file came back without a body, and of one that
// was dropped by a stop, a skip or a limit.
constexpr std::uint8_t NotLoadedFlags = 0x04;
constexpr std::uint8_t SkippedFlags = 0x04;
// Level of a cache record for an address that is only embedded content.
constexpr std::int32_t EmbeddedLevel = 1000;
// Mark bit of a cache record whose page matched Smart Search.
constexpr std::uint8_t MatchedMark = 0x01;

bool SiteMapWanted(const TWebPage& entry)
{
    return entry.SpiderDepth > 1 || !entry.LocalOnly;
}

bool SmartSearchWanted(const TWebPage& entry)
{
    return entry.SmartSearch && !entry.SearchFor.empty();
}

std::string Caption(const TWebPage* entry, const RetrievalRequest& request)
{
    if (entry && !entry->EntryName.empty())
        return entry->EntryName;
    return entry && !entry->URL.empty() ? entry->URL : request.URL;
}

bool IsPlainText(std::string_view contentType)
{
    return StartsWithNoCase(contentType, "text/plain");
}

// A page that is not a real answer is one of the client's own explanatory
// pages (failures, external links, skipped addresses), which name the local
// server's images and the real site's address, or a site's failure page; it
// is stored as written.
bool IsClientPage(const RetrievalRequest& request)
{
    return !request.Success;
}

// Store-form keys of the addresses that lead to the stored page.
std::vector<std::string> KeysOf(const std::vector<std::string>& addresses)
{
    std::vector<std::string> keys;
    keys.reserve(addresses.size());
    for (const std::string& address : addresses)
        keys.push_back(PageKey(address));
    return keys;
}

TCache* CacheOf(PageContext& context, const RetrievalRequest& request)
{
    return request.Cache ? request.Cache : context.Run.Cache.get();
}

TKSDB& ArchiveOf(PageContext& context, const RetrievalRequest& request)
{
    return request.IndexDB ? *request.IndexDB : *context.Run.IndexDB;
}

// Looks the address up in the link cache and sets its level and visited
// byte (making the record when there is none). Returns the record as stored.
std::unique_ptr<TPageRecord> MarkVisited(TCache* cache, const std::string& key, std::int32_t level)
{
    if (!cache)
        return nullptr;
    std::unique_ptr<TPageRecord> record = cache->Find(key);
    if (!record)
        return cache->Add({.url = key, .title = key, .returnCopy = true, .visited = 1, .level = level});
    record->Level = level;
    record->Visited = 1;
    auto copy = std::make_unique<TPageRecord>(*record);
    cache->Put(std::move(record));
    return copy;
}

bool LimitsHit(PageContext& context)
{
    if (!context.LimitsReached || !context.LimitsReached())
        return false;
    if (context.StopForLimits && !context.State.StopRequested.load())
        context.StopForLimits();
    return true;
}

void CountIn(PageContext& context, std::atomic<std::int32_t>& counter, ProgressLabel label)
{
    counter += 1;
    context.Observer.SetProgressLabel(label, std::to_string(counter.load()));
    context.Observer.CountsChanged(
        {context.State.PagesLoaded.load(), context.State.ImagesLoaded.load(), context.State.BytesLoaded.load()});
}

// The Extra1 words of a stored page whose body is not whole; counted for the
// brief's status line and summary page.
std::string NoteIncompleteBody(PageContext& context, const RetrievalRequest& request)
{
    if (!request.UnfilteredCopy)
    {
        context.Run.CutPages += request.BodyCut ? 1 : 0;
        context.Run.UndecodedPages += request.BodyNotDecoded ? 1 : 0;
    }
    return BodyNotes(request.BodyCut, request.BodyNotDecoded);
}

// A style sheet is stored with its addresses leading to the stored copies;
// what it names is fetched like any embedded file of the entry.
void StoreStyleSheet(PageContext& context, RetrievalRequest& request, const std::string& key, std::string_view body)
{
    PolicyPage page;
    page.Entry = request.Entry;
    page.Request = &request;
    page.Address = key;
    page.Remaining = RemainingDepth(request.Depth, request.Level);
    page.Number = static_cast<std::int16_t>(request.LinkNumber);
    LinkPolicy policy(page, CacheOf(context, request), &ArchiveOf(context, request));
    const StyleSheetPlace place{key, PathToRoot(key), request.StyleNesting};
    ArchiveOf(context, request).Append(RewriteStyleSheet(body, place, policy));
    QueueFoundLinks(context, request, policy.Found());
}

// A body that is not HTML is stored as a file, without a scan.
void StoreFile(PageContext& context, RetrievalRequest& request)
{
    const std::string key = PageKey(request.URL);
    MarkVisited(CacheOf(context, request), key, EmbeddedLevel);
    TKSDB& archive = ArchiveOf(context, request);
    const std::string caption = Caption(request.Entry, request);
    const auto number = static_cast<std::int16_t>(request.LinkNumber);
    if (!request.BodyReady)
    {
        archive.AddTooDeep(key, caption, number, NotLoadedFlags);
        return;
    }
    CountIn(context, context.State.ImagesLoaded, ProgressLabel::Images);
    if (LimitsHit(context))
        return RecordSkipped(archive, request);
    const std::vector<std::string> redirects = KeysOf(request.Redirects);
    if (!request.TempFile.Path().empty() && !request.TempFile.IsOpen())
    {
        std::string head(SniffBytes, '\0');
        std::ifstream file(request.TempFile.Path(), std::ios::binary);
        file.read(head.data(), static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0)));
        archive.AddFromFile(key, StoredContentType(request.ContentType, key, head), &redirects, request.TempFile.Path(),
                            caption, number, NoteIncompleteBody(context, request));
        return;
    }
    const std::string_view body = ReceivedBody(request);
    context.State.BytesLoaded += static_cast<std::uint32_t>(body.size());
    std::string type = StoredContentType(request.ContentType, key, body);
    if (request.StyleSheet && IsGenericType(type))
        type = "text/css";
    type = TypeWithCharset(type, request.Charset);
    archive.BeginPage(key, type, &redirects, FilePageFlags, caption, number);
    archive.SetExtra(NoteIncompleteBody(context, request));
    if (request.Entry && IsStyleSheetType(type))
        StoreStyleSheet(context, request, key, body);
    else
        archive.Append(body);
    archive.EndPage();
}

struct SearchOutcome
{
    bool Matched = false;
    std::string MatchText;
};

SearchOutcome RunSmartSearch(TCache* cache, const std::string& key, const TWebPage& entry, BriefProgress& progress,
                             std::string_view body)
{
    SmartSearchOptions options;
    options.SearchHTML = entry.SearchHTML;
    options.CheckHeader = entry.CheckHeader;
    options.CaseSensitive = entry.CaseSensitive;
    SmartSearchResult result = SmartSearch(entry.SearchFor, body, options);
    SearchOutcome outcome{result.Matched, std::move(result.MatchText)};
    if (!outcome.Matched)
        return outcome;
    if (EntryProgress* found = progress.Of(&entry))
        found->MatchesFound = true;
    progress.MatchesFound = true;
    if (cache)
    {
        if (std::unique_ptr<TPageRecord> record = cache->Find(key))
        {
            record->Mark |= MatchedMark;
            record->KeepText = 1;
            record->Text = outcome.MatchText;
            cache->Put(std::move(record));
        }
    }
    return outcome;
}

FrameHeaderInput FrameHeaderFor(PageContext& context, const RetrievalRequest& request, const TWebPage& entry)
{
    FrameHeaderInput header;
    header.Address = request.URL;
    header.SiteMapLink = SiteMapWanted(entry);
    header.SmartSearch = entry.SmartSearch;
    header.BriefName = context.Run.Brief ? context.Run.Brief->BriefName : std::string();
    header.StampDate = StampDateText(context.Run.StartLocal);
    header.StampTime = StampTimeText(context.Run.StartLocal);
    header.LinkNumber = request.LinkNumber;
    header.ProgramFolder = context.Settings.ProgramFolder.string();
    return header;
}

ScanChecks ChecksFor(PageContext& context, const RetrievalRequest& request)
{
    ScanChecks checks;
    const TWebPage* entry = request.Entry;
    checks.ShouldStop = [&context, &request, entry]
    {
        return context.State.StopRequested.load() || request.SkipRequested ||
               (entry && (context.Run.Progress.Skipped(entry) || context.State.SkipEntryTarget.load() == entry));
    };
    checks.LimitsReached = [&context] { return LimitsHit(context); };
    return checks;
}

} // namespace

std::string_view ReceivedBody(const RetrievalRequest& request)
{
    std::string_view received = request.Data.View();
    if (!received.empty() && received.back() == '\0')
        received.remove_suffix(1);
    std::size_t at = request.HeaderLength;
    if (at == 0 || at > received.size())
        return received;
    // The blank line that ends the header: CR LF CR LF, LF LF or LF CR LF.
    for (int i = 0; i < 4 && at < received.size() && (received[at] == '\r' || received[at] == '\n'); ++i)
        ++at;
    return received.substr(at);
}

void RecordSkipped(TKSDB& archive, const RetrievalRequest& request)
{
    if (archive.IsOpen())
        archive.AddSkipped(StoreForm(request.URL), request.URL, {}, static_cast<std::int16_t>(request.LinkNumber),
                           SkippedFlags);
}

std::string PageKey(std::string_view address)
{
    const std::string clean = RemoveLineBreaks(address);
    return StoreForm(std::string_view(clean).substr(0, clean.find('#')));
}

void ProcessPage(PageContext& context, RetrievalRequest& request)
{
    if (!request.Entry)
        return;
    if (request.NotHTML || request.LoadAsFile)
        return StoreFile(context, request);
    const TWebPage& entry = *request.Entry;
    // An entry page's unfiltered copy is only stored: the entry page itself
    // is counted, noted in the site map and has its links queued.
    const bool counted = !request.UnfilteredCopy;
    if (counted)
        CountIn(context, context.State.PagesLoaded, ProgressLabel::Pages);
    if (LimitsHit(context))
        return RecordSkipped(ArchiveOf(context, request), request);

    TKSDB& archive = ArchiveOf(context, request);
    TCache* cache = CacheOf(context, request);
    const std::string key = PageKey(request.URL);
    std::unique_ptr<TPageRecord> record = MarkVisited(cache, key, request.Depth);
    if (record && record->Title == "error")
        return;

    const std::string_view body = ReceivedBody(request);
    const bool received = request.Success != 0;
    SearchOutcome search;
    if (SmartSearchWanted(entry) && received && counted)
        search = RunSmartSearch(cache, key, *request.Entry, context.Run.Progress, body);
    const bool preserveOnly = entry.PreserveOnly && SmartSearchWanted(entry);
    const bool store = !(preserveOnly && !search.Matched) || !counted;

    std::string& copy = context.Buffers.First;
    MakeWorkingCopy(body, copy);
    const bool plain = IsPlainText(request.ContentType) || IsClientPage(request);

    std::string title = "Inaccessible File (" + key + ")";
    if (received || request.StartFailed)
    {
        title = PageTitle(body, copy);
        if (title.empty())
            title = key;
    }
    if (context.Run.SiteMap && counted)
        context.Run.SiteMap->AddNote(title, key, request.RequestId, search.MatchText, search.Matched ? 1 : 0);

    const bool keptFrameset = entry.Frames && !plain && FindTag(copy, 0, "frameset") != kNoTag;
    const std::string caption = Caption(&entry, request);
    const auto number = static_cast<std::int16_t>(request.LinkNumber);
    std::int64_t frameHead = -1;
    if (keptFrameset && !request.FrameContext)
    {
        frameHead = TakeFrameHeadNumber();
        if (store)
            StoreFrameHead(archive, frameHead, FrameHeaderFor(context, request, entry), caption, number);
    }

    PolicyPage page;
    page.Entry = &entry;
    page.Request = &request;
    page.Address = key;
    page.Remaining = record && record->Option ? 0 : RemainingDepth(request.Depth, request.Level);
    page.Frameset = keptFrameset;
    page.PreserveOnly = preserveOnly;
    page.Matched = search.Matched;
    page.Number = number;
    LinkPolicy policy(page, cache, &archive);

    std::uint8_t flags = TextPageFlags;
    if (SiteMapWanted(entry))
        flags |= 0x01;
    if (entry.SmartSearch)
        flags |= 0x02;
    if (request.FrameContext)
        flags |= InFrameFlag;
    if (!request.DiffMarkers.empty())
        flags |= MarkedDiffsFlag;
    if (keptFrameset && frameHead >= 0)
        flags = (flags & ~NoBaseFlags) | FramesetFlag;
    const std::vector<std::string> redirects = KeysOf(request.Redirects);
    if (store)
    {
        archive.BeginPage(key, TypeWithCharset(request.ContentType, request.Charset), &redirects, flags, caption, number);
        archive.SetExtra(NoteIncompleteBody(context, request));
    }
    ScanResult result = ScanResult::Complete;
    try
    {
        PageOutput out(store ? &archive : nullptr, body);
        if (!request.DiffMarkers.empty())
            out.SetMarkers(&request.DiffMarkers, [&key](std::size_t n, bool last) { return DiffMarkerMarkup(key, n, last); });
        if (plain)
            out.CopyTo(body.size());
        else
        {
            if (!keptFrameset)
                out.Write("<html><body>");
            PageScan scan(body, copy, out, policy, entry, key);
            scan.TakeBaseAddress();
            scan.CopyHead(keptFrameset, frameHead);
            if (store)
                archive.SetHead(0, static_cast<std::int32_t>(std::min<std::uint64_t>(out.Written(), INT32_MAX)));
            result = scan.Scan(ChecksFor(context, request));
            if (result == ScanResult::Complete)
                out.Write(keptFrameset ? "</frameset></html>" : "</body></html>");
        }
        out.Flush();
    }
    catch (...)
    {
        if (store && archive.IsPageOpen())
            archive.EndPage();
        throw;
    }
    if (store)
    {
        std::vector<std::string> aliases = KeysOf(request.ReferrerChain);
        archive.EndPage(&aliases);
    }
    if (result == ScanResult::Complete && counted)
        QueueFoundLinks(context, request, policy.Found());
}

} // namespace rv
