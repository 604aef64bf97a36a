#include "server/page-decoration.h"

#include "server/text-util.h"
#include "store/server-address.h"

#include <array>

namespace rv
{
namespace
{

constexpr int ButtonSize = 24;

struct Button
{
    std::string_view file;
    std::string_view alt;
};
constexpr Button BriefButton{"brief.gif", "Brief"};
constexpr Button SiteMapButton{"toc.gif", "Site Map"};
constexpr Button SmartSearchButton{"search.gif", "Smart Search"};
constexpr Button MarkButton{"mark.gif", "First Marked Difference"};
constexpr Button OriginalButton{"orig.gif", "Original Link"};

std::string ButtonImage(int port, const Button& button)
{
    return DoHeaderImage(port, button.file, button.alt, ButtonSize, ButtonSize);
}

bool NewArchiveLayout(const DecorationContext& context)
{
    return context.version == 1 && context.subversion >= 1 && context.subversion <= 4;
}

// Archives of version 1 subversions 1 to 4 may key pages under "number/";
// only such a prefix is dropped, never the host of an unnumbered name.
std::string NameWithoutPrefix(const DecorationContext& context, std::string_view name)
{
    return std::string(NewArchiveLayout(context) ? WithoutNumberPrefix(name) : name);
}

// The page's address on the Web, and whether "http://" must go in front.
struct OriginalAddress
{
    std::string address;
    bool needsHttp = true;
};

OriginalAddress OriginalOf(const DecorationContext& context, std::string_view pageName)
{
    std::string address = StoredToAddress(pageName);
    constexpr std::string_view Processed = "KSDiffOrigProcessed";
    if (address.ends_with(Processed))
        address.resize(address.size() - Processed.size());
    if (NewArchiveLayout(context))
        address = std::string(WithoutNumberPrefix(address));
    return {address, !StartsWithScheme(address)};
}

std::string BriefAddress(const DecorationContext& context, bool cumulative)
{
    return ServerPageAddress(context.port, *context.briefPath) + (cumulative ? "cumulative/" : "");
}

bool IsPlainText(std::string_view contentType)
{
    return EqualsNoCase(contentType.substr(0, contentType.find(';')), "text/plain");
}

} // namespace

bool StartsWithScheme(std::string_view address)
{
    const std::size_t colon = address.find(':');
    if (colon == std::string_view::npos)
        return false;
    const std::size_t slash = address.find('/');
    const std::size_t dot = address.find('.');
    return (slash == std::string_view::npos || colon < slash) && (dot == std::string_view::npos || colon < dot);
}

std::string ConvertColons(std::string_view text)
{
    const std::size_t at = text.find("&colon");
    if (at == std::string_view::npos)
        return std::string(text);
    std::size_t after = at + 6;
    if (after < text.size() && text[after] == ';')
        ++after;
    return std::string(text.substr(0, at)) + ":" + std::string(text.substr(after));
}

std::string StoredToAddress(std::string_view name)
{
    return ReplaceAll(name, "&colon;", ":");
}

std::string HtmlText(std::string_view text)
{
    return EscapeHtmlTextOnce(text);
}

std::string HtmlAttribute(std::string_view text)
{
    return EscapeHtmlUnquotedOnce(text);
}

int EffectiveNumber(std::string_view pageName, int number, int version, int subversion)
{
    if (version != 1 || subversion != 4)
        return number;
    std::size_t i = 0;
    while (i < pageName.size() && IsDigit(pageName[i]))
        ++i;
    if (i == 0 || i >= pageName.size() || pageName[i] != '/' || i > 5)
        return number;
    const std::optional<std::int64_t> prefix = ParseDecimal(pageName.substr(0, i));
    if (!prefix || *prefix > 32767)
        return number;
    return static_cast<int>(*prefix);
}

std::string DoHeaderImage(int port, std::string_view fileName, std::string_view alt, int height, int width)
{
    std::string tag = "<img src=\"" + ServerRootAddress(port) + "images/";
    tag.append(fileName);
    tag += "\" border=0 align=absmiddle width=" + std::to_string(width) + " height=" + std::to_string(height) + " alt=\"";
    tag.append(alt);
    tag += "\">";
    return tag;
}

std::string Header(const DecorationContext& context, const DecorationInputs& page)
{
    if (!context.displayHeader)
        return {};
    const int port = context.port;
    const int number = EffectiveNumber(page.pageName, page.number, context.version, context.subversion);
    const std::string n = std::to_string(number);
    std::string out = "<nobr>&#160; ";
    if (context.briefPath)
        out += "<a href=\"" + BriefAddress(context, page.cumulative) + "\" target=\"_top\">";
    out += ButtonImage(port, BriefButton) + "</a> ";
    if (number != -1)
    {
        if (page.siteMap)
            out += "<a href=\"TOC" + n + "\" target=\"_top\">" + ButtonImage(port, SiteMapButton) + "</a> ";
        if (page.smartSearch)
            out += "<a href=\"Match" + n + "\" target=\"_top\">" + ButtonImage(port, SmartSearchButton) + "</a> ";
        if (page.markedDiffs)
            out += "<a href=" + HtmlAttribute(NameWithoutPrefix(context, page.pageName)) + "#RavelinDiffMarker0>" +
                   ButtonImage(port, MarkButton) + "</a> ";
        if (page.originalLink)
        {
            const OriginalAddress original = OriginalOf(context, page.pageName);
            out += (original.needsHttp ? "<a href=http://" : "<a href=") +
                   HtmlAttribute(ReplaceAll(original.address, "\"", "'")) + " target=\"_top\">" +
                   ButtonImage(port, OriginalButton) + "</a> ";
        }
    }
    if (context.briefInfo)
        out += "<font size=3>" + *context.briefInfo + "</font>\r\n";
    out += "<font size=3>" + page.title + " </font></nobr><br>";
    if (!page.noRule)
        out += "<hr size=3><br>";
    out += "\r\n";
    if (IsPlainText(page.contentType))
        out += "<body><pre>\r\n";
    return out;
}

std::string Footer(const DecorationContext& context, const DecorationInputs& page)
{
    if (!context.displayHeader)
        return {};
    const int number = EffectiveNumber(page.pageName, page.number, context.version, context.subversion);
    const std::string n = std::to_string(number);
    std::string out;
    if (IsPlainText(page.contentType))
        out += "</pre>\r\n";
    std::string footer = "</font></i></u></b></h1></h2></h3></h4></h5></h6></a><br><hr size=3>"
                         "<nobr><center><font size=3>";
    if (context.briefPath)
        footer += "<a href=\"" + BriefAddress(context, page.cumulative) + "\">Brief Summary</a> ";
    if (number != -1)
    {
        if (page.siteMap)
            footer += "| <a href=\"TOC" + n + "\" target=\"_top\">Site Map</a> ";
        if (page.smartSearch)
            footer += "| <a href=\"Match" + n + "\" target=\"_top\">Smart Search results</a> ";
        if (page.markedDiffs)
            footer += "| <a href=" + HtmlAttribute(NameWithoutPrefix(context, page.pageName)) +
                      "#RavelinDiffMarker0>First Marked Difference</a> ";
        if (page.originalLink)
        {
            const OriginalAddress original = OriginalOf(context, page.pageName);
            footer += original.needsHttp ? "| <a href=http://" : "| <a href=";
            footer = ReplaceAll(footer, "\"", "'") + HtmlAttribute(ReplaceAll(original.address, "\"", "'")) +
                     " target=\"_top\">Original Link</a> ";
        }
    }
    footer += "</font></center></nobr>\r\n";
    return out + footer;
}

std::string BeginTable()
{
    return "<table>\r\n<tr>\r\n<td width=80>\r\n<img src=\"Warning\" width=64 height=64>\r\n</td>\r\n<td>\r\n";
}

std::string EndTable()
{
    return "</td>\r\n</tr>\r\n</table>\r\n";
}

std::string RewriteFrameHeadImages(std::string_view page, int port)
{
    static constexpr std::array<Button, 5> Buttons = {BriefButton, SiteMapButton, SmartSearchButton, MarkButton,
                                                      OriginalButton};
    std::string out;
    out.reserve(page.size());
    std::size_t i = 0;
    for (;;)
    {
        const std::size_t tag = page.find("<img ", i);
        if (tag == std::string_view::npos)
            break;
        out.append(page.substr(i, tag - i));
        const std::size_t close = page.find('>', tag);
        if (close == std::string_view::npos)
            return out; // an unterminated tag is dropped with the rest
        std::string_view text = page.substr(tag, close - tag);
        if (!text.empty())
            text.remove_suffix(1);
        for (const Button& button : Buttons)
        {
            if (text.ends_with(button.alt))
            {
                out += ButtonImage(port, button);
                break;
            }
        }
        i = close + 1;
    }
    out.append(page.substr(i));
    return out;
}

} // namespace rv
