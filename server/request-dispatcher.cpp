#include "server/request-dispatcher.h"

#include "server/http-request.h"
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
}

std::optional<std::string> RequestDispatcher::Process(std::string_view request, const ServerSettings& settings)
{
    const ParsedRequest parsed = ParseRequest(request);
    if (!parsed.hasGet)
        return std::nullopt;
    switch (CheckHost(request))
    {
    case HostCheck::Allowed:
        break;
    case HostCheck::Missing:
        return BadRequestMessage();
    case HostCheck::Foreign:
        return ForbiddenMessage();
    }
    if (parsed.badImage || parsed.badPath)
        return FileNotFoundMessage(ContextFor(settings));
    if (!parsed.imageFile.empty())
        return ImageAnswer(parsed.imageFile, settings);
    if (parsed.cumulativePage && cumulative_)
    {
        if (std::optional<std::string> page = cumulative_(parsed.archiveName, settings))
            return page;
    }
    return PageAnswer(parsed, settings);
}

std::string RequestDispatcher::ImageAnswer(const std::string& imageFile, const ServerSettings& settings)
{
    auto cached = images_.find(imageFile);
    if (cached == images_.end())
        cached = images_.emplace(imageFile, ReadSmallFile(serverDir_ / imageFile, MaxImageBytes)).first;
    if (!cached->second || cached->second->empty())
    {
        images_.erase(cached); // the file may appear later
        return FileNotFoundMessage(ContextFor(settings));
    }
    return "HTTP/1.0 200\r\nContent-Type: image/gif\r\n\r\n" + *cached->second;
}

std::string RequestDispatcher::PageAnswer(const ParsedRequest& request, const ServerSettings& settings)
{
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
            return FileNotFoundMessage(ContextFor(settings));
        found = lookup();
    }
    if (!found.entry)
    {
        if (OpenBrief* brief = briefs_.Find(request.archiveName))
            brief->inUse = false;
        return PageNotInBrief(ContextFor(settings), settings.displayWarning, request.pageName, -1, request.cumulative);
    }
    std::string answer = StoredPage(request, name, found, settings);
    found.brief->inUse = false;
    return answer;
}

std::string RequestDispatcher::StoredPage(const ParsedRequest& request, const std::string& pageName, LookupResult found,
                                          const ServerSettings& settings)
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

    const bool frameset = entry.flags & PageFlag::Frameset;
    const std::string type = entry.contentType.empty() ? "text/html" : entry.contentType;
    const bool plain = EqualsNoCase(type, "text/plain");
    const bool wantsBase =
        !(frameset && (entry.flags & (PageFlag::NoBaseA | PageFlag::NoBaseB))) && StartsWithNoCase(type, "text");
    bool decorate = !frameset && !EqualsNoCase(pageName, "Index") && !EqualsNoCase(pageName, "cumulative") &&
                    !(entry.flags & PageFlag::NoDecoration);

    std::string out = "HTTP/1.0 200\r\nContent-Type: " + ((plain && decorate) ? std::string("text/html") : type) + "\r\n\r\n";
    // A page that opens with a doctype is sent with it first, so that the
    // browser reads it in standards mode; the stored page stays as it is.
    const bool headKnown =
        entry.headOffset >= 0 && static_cast<std::size_t>(entry.headOffset) <= page.size() && entry.headLength >= 0;
    TextSpan doctype;
    if (StartsWithNoCase(type, "text/html"))
        doctype = DoctypeOf(page, headKnown ? std::min(page.size(), static_cast<std::size_t>(entry.headOffset) +
                                                                        static_cast<std::size_t>(entry.headLength))
                                            : 0);
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
    if (decorate)
        out += Header(context, inputs);
    if (doctype.end > doctype.start && doctype.start >= bodyStart)
    {
        out.append(page, bodyStart, doctype.start - bodyStart);
        out.append(page, doctype.end);
    }
    else
        out.append(page, bodyStart);
    if (decorate)
        out += Footer(context, inputs);
    return out;
}

} // namespace rv
