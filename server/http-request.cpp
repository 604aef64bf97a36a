#include "server/http-request.h"

#include "server/text-util.h"
#include "store/server-address.h"

#include <algorithm>
#include <array>

namespace rv
{
namespace
{

// Names that stored pages use as relative image addresses.
constexpr std::array<std::string_view, 12> RecognisedImageNames = {
    "RavelinBar", "Background", "HasDiffs",         "HasEDiffs",       "HasMDiffs",  "NoDiffs",
    "NoEDiffs",   "NoMDiffs",   "HasSearchMatches", "NoSearchMatches", "HasMatches", "NoMatches"};

// Rows tried in order with exact-case substring tests; the first that matches
// names the file.
struct ImageRow
{
    std::string_view part;
    std::string_view file;
};
constexpr std::array<ImageRow, 13> ImageRows = {{{"RavelinBar", "images/briefbar.gif"},
                                                 {"RavelinDiffMarker", "images/exclam.gif"},
                                                 {"HasDiffs", "images/diff.gif"},
                                                 {"NoDiffs", "images/nodiff.gif"},
                                                 {"HasSearchMatches", "images/smart.gif"},
                                                 {"NoSearchMatches", "images/nosmart.gif"},
                                                 {"HasEDiffs", "images/ediff.gif"},
                                                 {"HasMDiffs", "images/mdiff.gif"},
                                                 {"NoEDiffs", "images/n-ediff.gif"},
                                                 {"NoMDiffs", "images/n-mdiff.gif"},
                                                 {"HasMatches", "images/y-smart.gif"},
                                                 {"NoMatches", "images/n-smart.gif"},
                                                 {"Warning", "images/warn.gif"}}};

// Every file that "images/" + name may fetch: the header buttons, the files of
// the image table and the two stand-ins for content that was not loaded.
constexpr std::array<std::string_view, 21> ServedImageFiles = {
    "brief.gif",   "toc.gif",     "search.gif",  "mark.gif",    "orig.gif",  "briefbar.gif", "exclam.gif",
    "diff.gif",    "nodiff.gif",  "smart.gif",   "nosmart.gif", "ediff.gif", "mdiff.gif",    "n-ediff.gif",
    "n-mdiff.gif", "y-smart.gif", "n-smart.gif", "warn.gif",    "back.gif",  "noimage.gif",  "blank.gif"};

bool IsLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

// "digits and slashes, then a slash and word", as in "3/index" or "3/4/index".
bool IsNumberedName(std::string_view name, std::string_view word)
{
    if (name.size() <= word.size() || !name.ends_with(word))
        return false;
    const std::string_view prefix = name.substr(0, name.size() - word.size());
    if (prefix.back() != '/')
        return false;
    return std::all_of(prefix.begin(), prefix.end(), [](char c) { return IsDigit(c) || c == '/'; });
}

// Digits, one "/" or "\", then "Warning" in any case.
bool IsWarningImage(std::string_view name)
{
    std::size_t i = 0;
    while (i < name.size() && IsDigit(name[i]))
        ++i;
    if (i == 0 || i >= name.size() || (name[i] != '/' && name[i] != '\\'))
        return false;
    return EqualsNoCase(name.substr(i + 1), "Warning");
}

// Step past the "GET", the white space after it and every leading slash, then
// cut the path before the protocol word at the end of the line.
std::string_view RequestPath(std::string_view request, std::size_t get)
{
    std::size_t i = get + 3;
    while (i < request.size() && (IsSpaceOrTab(request[i]) || IsLineEnd(request[i])))
        ++i;
    while (i < request.size() && (request[i] == '/' || request[i] == '\\'))
        ++i;
    std::size_t end = i;
    while (end < request.size() && !IsLineEnd(request[end]))
        ++end;
    std::string_view line = request.substr(i, end - i);
    const std::size_t http = line.rfind("HTTP");
    if (http != std::string_view::npos)
    {
        line = line.substr(0, http);
        while (!line.empty() && IsSpaceOrTab(line.back()))
            line.remove_suffix(1);
    }
    return line;
}

// Skips the "-/\", "-//" and "-/" markers that stored links carry; what is
// left after the last one is the page part.
std::string_view SkipMarkers(std::string_view rest)
{
    for (;;)
    {
        std::size_t at = rest.find("-/\\");
        std::size_t skip = 3;
        if (at == std::string_view::npos)
            at = rest.find("-//");
        if (at == std::string_view::npos)
        {
            at = rest.find("-/");
            skip = 2;
        }
        if (at == std::string_view::npos)
            return rest;
        rest.remove_prefix(at + skip);
    }
}

void ChoosePageName(std::string_view path, std::string_view page, ParsedRequest& out)
{
    if (page.empty() && !path.ends_with("cumulative/"))
    {
        const bool image = IsImageName(out.archiveName) || out.archiveName.find("RavelinDiffMarker") != std::string::npos;
        out.pageName = image ? out.archiveName : "index";
    }
    else if (page == "index" || IsNumberedName(page, "index"))
        out.pageName = "index";
    else if (page.empty() || page == "cumulative" || page == "cumulative/" || IsNumberedName(page, "cumulative") ||
             IsNumberedName(page, "cumulative/"))
    {
        out.cumulativePage = true;
        out.pageName = "index";
    }
    else
        out.pageName = std::string(page);

    out.pageName = ReplaceAll(out.pageName, "\\\"", "\"");
    const std::size_t hash = out.pageName.find('#');
    if (hash != std::string::npos)
        out.pageName.resize(hash);
}

} // namespace

std::optional<std::size_t> CharFindEndOfHTTPHeader(std::string_view bytes)
{
    const std::size_t crlf = bytes.find("\r\n\r\n");
    const std::size_t lf = bytes.find("\n\n");
    std::optional<std::size_t> end;
    if (crlf != std::string_view::npos)
        end = crlf + 4;
    if (lf != std::string_view::npos && (!end || lf + 2 < *end))
        end = lf + 2;
    return end;
}

HostCheck CheckHost(std::string_view request)
{
    // Only the header counts: a Host line in a body proves nothing.
    if (const std::optional<std::size_t> end = CharFindEndOfHTTPHeader(request))
        request = request.substr(0, *end);
    bool seen = false;
    std::size_t lineStart = request.find('\n');
    while (lineStart != std::string_view::npos)
    {
        ++lineStart;
        std::size_t lineEnd = lineStart;
        while (lineEnd < request.size() && !IsLineEnd(request[lineEnd]))
            ++lineEnd;
        std::string_view line = request.substr(lineStart, lineEnd - lineStart);
        if (StartsWithNoCase(line, "host:"))
        {
            seen = true;
            std::string_view host = TrimSpaceOrTab(line.substr(5));
            const std::size_t colon = host.rfind(':');
            if (colon != std::string_view::npos && host.find(']', colon) == std::string_view::npos)
            {
                const std::string_view port = host.substr(colon + 1);
                if (port.empty() || !std::all_of(port.begin(), port.end(), IsDigit))
                    return HostCheck::Foreign;
                host = host.substr(0, colon);
            }
            if (host != "127.0.0.1" && !EqualsNoCase(host, "localhost") && host != "[::1]")
                return HostCheck::Foreign;
        }
        lineStart = request.find('\n', lineEnd);
    }
    return seen ? HostCheck::Allowed : HostCheck::Missing;
}

namespace
{

std::size_t RequestLineEnd(std::string_view request)
{
    std::size_t lineEnd = 0;
    while (lineEnd < request.size() && !IsLineEnd(request[lineEnd]))
        ++lineEnd;
    return lineEnd;
}

} // namespace

bool IsHttp11Request(std::string_view request)
{
    return request.substr(0, RequestLineEnd(request)).ends_with(" HTTP/1.1");
}

bool WantsKeepAlive(std::string_view request)
{
    if (const std::optional<std::size_t> end = CharFindEndOfHTTPHeader(request))
        request = request.substr(0, *end);
    if (!IsHttp11Request(request))
        return false;
    std::size_t lineEnd = RequestLineEnd(request);
    while (lineEnd < request.size())
    {
        std::size_t lineStart = lineEnd;
        while (lineStart < request.size() && IsLineEnd(request[lineStart]))
            ++lineStart;
        lineEnd = lineStart;
        while (lineEnd < request.size() && !IsLineEnd(request[lineEnd]))
            ++lineEnd;
        const std::string_view line = request.substr(lineStart, lineEnd - lineStart);
        // A body would be read as the next request.
        if (StartsWithNoCase(line, "content-length:") || StartsWithNoCase(line, "transfer-encoding:"))
            return false;
        if (StartsWithNoCase(line, "connection:"))
        {
            std::string_view tokens = line.substr(11);
            while (!tokens.empty())
            {
                const std::size_t comma = tokens.find(',');
                if (EqualsNoCase(TrimSpaceOrTab(tokens.substr(0, comma)), "close"))
                    return false;
                tokens = comma == std::string_view::npos ? std::string_view() : tokens.substr(comma + 1);
            }
        }
    }
    return true;
}

bool IsImageName(std::string_view pageName)
{
    if (pageName.find("RavelinDiffMarker") != std::string_view::npos || IsWarningImage(pageName))
        return true;
    const std::string_view name = WithoutNumberPrefix(pageName);
    if (EqualsNoCase(name, "Warning"))
        return true;
    return std::any_of(RecognisedImageNames.begin(), RecognisedImageNames.end(),
                       [&](std::string_view known) { return EqualsNoCase(name, known); });
}

std::string ImageFileFor(std::string_view pageName)
{
    for (const ImageRow& row : ImageRows)
    {
        if (pageName.find(row.part) != std::string_view::npos)
            return std::string(row.file);
    }
    if (IsWarningImage(pageName))
        return "images/warn.gif";
    return "images/back.gif";
}

bool IsServedImageFile(std::string_view fileName)
{
    return std::find(ServedImageFiles.begin(), ServedImageFiles.end(), fileName) != ServedImageFiles.end();
}

ParsedRequest ParseRequest(std::string_view request)
{
    ParsedRequest out;
    const std::size_t get = request.find("GET");
    if (get == std::string_view::npos)
        return out;
    out.hasGet = true;
    const std::string_view path = RequestPath(request, get);
    out.path = std::string(path);

    if (path.find("images/NotLoaded") != std::string_view::npos)
    {
        out.imageFile = "images/noimage.gif";
        return out;
    }
    if (path.find(",.gif") != std::string_view::npos)
    {
        out.imageFile = "images/blank.gif";
        return out;
    }
    if (path.starts_with("images/"))
    {
        const std::string_view file = path.substr(7);
        if (IsServedImageFile(file))
            out.imageFile = "images/" + std::string(file);
        else
            out.badImage = true;
        return out;
    }

    const std::size_t archiveLength = ArchivePartLength(path);
    std::optional<ArchivePart> archive = DecodeArchivePart(path.substr(0, archiveLength));
    if (!archive)
    {
        out.badPath = true;
        return out;
    }
    out.archiveName = std::move(archive->name);
    out.driveFlag = archive->drive;

    std::string_view rest = path.substr(archiveLength);
    while (!rest.empty() && (rest.front() == '/' || rest.front() == '\\'))
        rest.remove_prefix(1);
    if (StartsWithNoCase(rest, "cumulative/"))
    {
        out.cumulative = true;
        rest.remove_prefix(11);
    }
    ChoosePageName(path, SkipMarkers(rest), out);

    if (IsImageName(out.pageName))
        out.imageFile = ImageFileFor(out.pageName);
    else if (std::optional<std::string> decoded = PercentDecode(out.pageName); decoded && *decoded != out.pageName)
        out.decodedPageName = std::move(*decoded);
    return out;
}

} // namespace rv
