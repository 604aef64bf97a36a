#include "server/request-dispatcher.h"

#include "server/http-request.h"
#include "server/page-charset.h"
#include "server/page-decoration.h"
#include "server/small-file.h"
#include "server/synthetic-pages.h"
#include "server/text-util.h"
#include "store/server-address.h"

namespace rv
{
namespace
{

// The server's own button and warning pictures are a few KB each.
constexpr std::uintmax_t MaxImageBytes = 1 << 20;

SharedAnswer Shared(std::string answer)
{
    return std::make_shared<const std::string>(std::move(answer));
}

DecorationContext ContextFor(const ServerSettings& settings)
{
    DecorationContext context;
    context.port = settings.port;
    context.displayHeader = settings.displayHeader;
    return context;
}

bool IsFrameHead(std::string_view name)
{
    if (name.starts_with("FrameHead"))
        return true;
    const std::size_t slash = name.find('/');
    return slash != std::string_view::npos && name.substr(slash + 1).starts_with("FrameHead");
}

IndexRecord RecordOf(const PageEntry& entry)
{
    IndexRecord record;
    record.Key = entry.key;
    record.Offset = entry.position;
    record.Length = entry.length;
    return record;
}

// The brief path as links write it: the drive's ":" back as "_".
std::string BriefPathOf(const ParsedRequest& request, const OpenBrief& brief)
{
    std::string path = brief.name;
    if (request.driveFlag)
    {
        const std::size_t colon = path.find(':');
        if (colon != std::string::npos)
            path[colon] = '_';
    }
    return path;
}

// Where the doctype lies that the stored page's own text opens with (after
// `from`, a byte-order mark and white space); empty when it has none.
struct TextSpan
{
    std::size_t start = 0;
    std::size_t end = 0;
};

TextSpan DoctypeOf(std::string_view page, std::size_t from)
{
    constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
    constexpr std::string_view Open = "<!doctype";
    std::size_t at = from;
    if (page.substr(at).starts_with(ByteOrderMark))
        at += ByteOrderMark.size();
    while (at < page.size() && (page[at] == ' ' || page[at] == '\t' || page[at] == '\r' || page[at] == '\n'))
        ++at;
    if (page.size() - at < Open.size() || !EqualsNoCase(page.substr(at, Open.size()), Open))
        return {};
    const std::size_t close = page.find('>', at);
    return close == std::string_view::npos ? TextSpan{} : TextSpan{at, close + 1};
}

} // namespace

RequestDispatcher::RequestDispatcher(std::filesystem::path serverDir, OpenBriefList& briefs)
    : serverDir_(std::move(serverDir)), briefs_(briefs)
{
    briefs_.SetReleaseHook([this](std::uint64_t generation) { cache_.DropArchive(generation); });
}

std::optional<std::string> RequestDispatcher::Process(std::string_view request, const ServerSettings& settings)
{
    if (SharedAnswer answer = Answer(request, settings))
        return *answer;
    return std::nullopt;
}

SharedAnswer RequestDispatcher::Answer(std::string_view request, const ServerSettings& settings)
{
    const ParsedRequest parsed = ParseRequest(request);
    if (!parsed.hasGet)
        return nullptr;
    switch (CheckHost(request))
    {
    case HostCheck::Allowed:
        break;
    case HostCheck::Missing:
        return Shared(BadRequestMessage());
    case HostCheck::Foreign:
        return Shared(ForbiddenMessage());
    }
    if (parsed.badImage || parsed.badPath)
        return Shared(FileNotFoundMessage(ContextFor(settings)));
    if (!parsed.imageFile.empty())
        return ImageAnswer(parsed.imageFile, settings);
    if (parsed.cumulativePage && cumulative_)
    {
        if (std::optional<std::string> page = cumulative_(parsed.archiveName, settings))
            return Shared(std::move(*page));
    }
    return PageAnswer(parsed, settings);
}

SharedAnswer RequestDispatcher::ImageAnswer(const std::string& imageFile, const ServerSettings& settings)
{
    if (const auto cached = images_.find(imageFile); cached != images_.end())
        return cached->second;
    const std::optional<std::string> image = ReadSmallFile(serverDir_ / imageFile, MaxImageBytes);
    // A missing file is not remembered: it may appear later.
    if (!image || image->empty())
        return Shared(FileNotFoundMessage(ContextFor(settings)));
    return images_.emplace(imageFile, Shared("HTTP/1.0 200\r\nContent-Type: image/gif\r\n\r\n" + *image)).first->second;
}

void RequestDispatcher::MakeCacheKey(std::uint64_t generation, const ParsedRequest& request, const ServerSettings& settings)
{
    cacheKey_.clear();
    cacheKey_ += std::to_string(generation);
    cacheKey_ += ' ';
    cacheKey_ += std::to_string(settings.port);
    cacheKey_ += static_cast<char>('a' + (request.cumulative ? 1 : 0) + (request.driveFlag ? 2 : 0) +
                                   (settings.displayHeader ? 4 : 0) + (settings.displayWarning ? 8 : 0));
    cacheKey_ += request.pageName;
    cacheKey_ += '\0';
    cacheKey_ += request.decodedPageName;
}

SharedAnswer RequestDispatcher::PageAnswer(const ParsedRequest& request, const ServerSettings& settings)
{
    // An archive replaced or rewritten since it was opened is let go here,
    // its answers with it, and opened afresh below.
    if (const OpenBrief* open = briefs_.FindCurrent(request.archiveName))
    {
        MakeCacheKey(open->generation, request, settings);
        if (SharedAnswer kept = cache_.Find(cacheKey_))
            return kept;
    }

    std::string name;
    auto lookupAs = [&](const std::string& asked)
    {
        name = asked;
        LookupResult found = briefs_.DoLookup(name, request.archiveName);
        if (!found.entry)
        {
            name = name.ends_with('/') ? name.substr(0, name.size() - 1) : name + "/";
            found = briefs_.DoLookup(name, request.archiveName);
            if (!found.entry)
                name = request.pageName;
        }
        return found;
    };
    auto lookup = [&]
    {
        LookupResult found = lookupAs(request.pageName);
        if (!found.entry && !request.decodedPageName.empty())
            found = lookupAs(request.decodedPageName);
        return found;
    };

    LookupResult found = lookup();
    if (!found.entry && !briefs_.Find(request.archiveName))
    {
        if (!briefs_.Load(request.archiveName, ArchiveFileOf(request.archiveName), complete_, warn_))
            return Shared(FileNotFoundMessage(ContextFor(settings)));
        found = lookup();
    }
    if (!found.entry)
    {
        if (OpenBrief* brief = briefs_.Find(request.archiveName))
            brief->inUse = false;
        return Shared(PageNotInBrief(ContextFor(settings), settings.displayWarning, request.pageName, -1, request.cumulative));
    }
    bool cacheable = false;
    SharedAnswer answer = Shared(StoredPage(request, name, found, settings, cacheable));
    found.brief->inUse = false;
    if (cacheable)
    {
        MakeCacheKey(found.brief->generation, request, settings);
        cache_.Put(cacheKey_, found.brief->generation, answer);
    }
    return answer;
}

std::string RequestDispatcher::StoredPage(const ParsedRequest& request, const std::string& pageName, LookupResult found,
                                          const ServerSettings& settings, bool& cacheable)
{
    PageEntry& entry = *found.entry;
    const OpenBrief& brief = *found.brief;
    DecorationContext context = ContextFor(settings);
    context.briefPath = BriefPathOf(request, brief);
    if (!brief.information.empty())
        context.briefInfo = brief.information;
    context.version = brief.version;
    context.subversion = brief.subversion;

    if (entry.position <= 0)
        return ServeLinkPage(context, settings.displayWarning, entry, request.cumulative);
    if (!brief.reader)
        return PageNotInBrief(context, settings.displayWarning, pageName, -1, request.cumulative);

    std::string page;
    try
    {
        page = brief.reader->ReadPage(RecordOf(entry), MaxServedPageBytes);
    }
    catch (const ArchiveError&)
    {
        return PageNotInBrief(context, settings.displayWarning, pageName, -1, request.cumulative);
    }

    const auto flagsBefore = entry.flags;
    const bool frameset = entry.flags & PageFlag::Frameset;
    const std::string storedType = entry.contentType.empty() ? "text/html" : entry.contentType;
    // The origin's character set, if it declared one, follows the type.
    const std::string type(storedType.substr(0, storedType.find(';')));
    const bool plain = EqualsNoCase(type, "text/plain");
    const bool wantsBase =
        !(frameset && (entry.flags & (PageFlag::NoBaseA | PageFlag::NoBaseB))) && StartsWithNoCase(type, "text");
    bool decorate = !frameset && !EqualsNoCase(pageName, "Index") && !EqualsNoCase(pageName, "cumulative") &&
                    !(entry.flags & PageFlag::NoDecoration);

    // The page's own text begins after the head part the client wrote.
    const bool headKnown =
        entry.headOffset >= 0 && static_cast<std::size_t>(entry.headOffset) <= page.size() && entry.headLength >= 0;
    const std::size_t textStart =
        headKnown
            ? std::min(page.size(), static_cast<std::size_t>(entry.headOffset) + static_cast<std::size_t>(entry.headLength))
            : 0;
    std::string out =
        "HTTP/1.0 200\r\nContent-Type: " + ServedType(storedType, plain && decorate, std::string_view(page).substr(textStart)) +
        "\r\n\r\n";
    // A page that opens with a doctype is sent with it first, so that the
    // browser reads it in standards mode; the stored page stays as it is.
    TextSpan doctype;
    if (StartsWithNoCase(type, "text/html"))
        doctype = DoctypeOf(page, textStart);
    out.append(page, doctype.start, doctype.end - doctype.start);
    if (wantsBase && !(plain && !decorate))
    {
        out += "<base href=\"" + ServerPageAddress(settings.port, *context.briefPath);
        if (request.cumulative)
            out += "cumulative/";
        if (brief.version == 1 && brief.subversion >= 1 && brief.subversion <= 4 && entry.number != -1)
            out += std::to_string(entry.number) + "/";
        out += "\">";
    }

    if (IsFrameHead(pageName) && brief.subversion >= 2)
        page = RewriteFrameHeadImages(page, settings.port);

    std::size_t bodyStart = 0;
    if (entry.headOffset != -1 && entry.headOffset >= 0 && static_cast<std::size_t>(entry.headOffset) <= page.size())
    {
        const std::size_t headStart = static_cast<std::size_t>(entry.headOffset);
        const std::size_t headLength =
            std::min(page.size() - headStart, static_cast<std::size_t>(std::max(entry.headLength, 0)));
        const std::string_view head(page.data() + headStart, headLength);
        out.append(head);
        if (head.find("<frameset") != std::string_view::npos)
        {
            decorate = false;
            entry.flags |= PageFlag::Frameset;
        }
        bodyStart = headStart + headLength;
    }

    DecorationInputs inputs;
    inputs.pageName = pageName;
    inputs.contentType = type;
    inputs.cumulative = request.cumulative;
    inputs.number = entry.number;
    inputs.siteMap = entry.flags & PageFlag::SiteMap;
    inputs.smartSearch = entry.flags & PageFlag::SmartSearch;
    inputs.originalLink = entry.flags & PageFlag::OriginalLink;
    inputs.markedDiffs = entry.flags & PageFlag::MarkedDiffs;
    inputs.title = entry.title;
    const std::string header = decorate ? Header(context, inputs) : std::string();
    const std::string footer = decorate ? Footer(context, inputs) : std::string();
    // Reserved to the byte: a kept answer would otherwise hold up to twice
    // the memory the cache counts for it.
    out.reserve(out.size() + header.size() + (page.size() - std::min(bodyStart, page.size())) + footer.size());
    out += header;
    if (doctype.end > doctype.start && doctype.start >= bodyStart)
    {
        out.append(page, bodyStart, doctype.start - bodyStart);
        out.append(page, doctype.end);
    }
    else
        out.append(page, bodyStart);
    out += footer;
    // A page first found to be a frameset is served differently from then
    // on, so its first answer is not kept.
    cacheable = entry.flags == flagsBefore;
    return out;
}

} // namespace rv
