#include "client/pages/summary-page.h"

#include "client/briefs/web-page.h"
#include "client/pages/store-address.h"
#include "client/pages/url-parts.h"

#include <algorithm>
#include <cctype>

namespace rv
{
namespace
{

std::string ImagesFolder(std::string folder)
{
    std::replace(folder.begin(), folder.end(), '\\', '/');
    const std::size_t first = folder.find_first_not_of('/');
    folder.erase(0, first == std::string::npos ? folder.size() : first);
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder + "images/";
}

// Relative links lead from the archive's own summary page; absolute ones
// from the cumulative page, through the placeholder the server fills.
enum class LinkForm
{
    Relative,
    Absolute,
};

const char* const UnfilteredSuffix = "KSDiffOrigProcessed";

// "&" as "&amp;", a backslash-quote pair as "&quot;", any other quotation
// mark as "&#34;"; with blanks set, blanks and tabs as "+" (query texts).
std::string EscapeText(const std::string& text, bool blanks = false)
{
    std::string out;
    out.reserve(text.size() + 16);
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size() && text[i + 1] == '"')
        {
            out += "&quot;";
            ++i;
        }
        else if (c == '"')
            out += "&#34;";
        else if (c == '&')
            out += "&amp;";
        else if (blanks && (c == ' ' || c == '\t'))
            out += '+';
        else
            out += c;
    }
    return out;
}

// The address as the entry's pages are stored under it: without its scheme
// (a "file:" address with a drive letter without "file:" and the slashes
// after it), a bare host with "/". A "file:" path without a drive letter
// keeps "file:" (written "&colon;"): without it the server would take the
// path's first folder for a host.
std::string LinkAddress(const std::string& url)
{
    if (StartsWithNoCase(url, "file:"))
    {
        const std::size_t path = url.find_first_not_of("/\\", 5);
        if (path == std::string::npos)
            return std::string();
        const bool drive = path + 1 < url.size() && std::isalpha(static_cast<unsigned char>(url[path])) &&
                           (url[path + 1] == ':' || url[path + 1] == '|');
        return drive ? url.substr(path) : EncodeForStore(url);
    }
    std::string address(StripScheme(url));
    if (address.find('/') == std::string::npos)
        address += '/';
    return address;
}

// The href value of a link to "n/target": bare in the page unless quoted is
// set, always quoted and after the placeholder in a fragment.
std::string Href(LinkForm form, std::int32_t number, const std::string& target, bool quoted)
{
    const std::string path = std::to_string(number) + "/" + target;
    if (form == LinkForm::Absolute)
        return std::string("\"") + ArchivePlaceholder + "/" + path + "\"";
    return quoted ? "\"" + path + "\"" : path;
}

bool DifferencesMode(const TWebPage& entry)
{
    return !entry.FullRetrieval;
}

// Smart Search keeps only the matching pages: nothing else is linked.
bool MatchesOnly(const TWebPage& entry)
{
    return entry.SmartSearch && entry.PreserveOnly && !entry.SearchFor.empty();
}

std::string Caption(const SummaryEntry& item)
{
    const TWebPage& entry = *item.Entry;
    if (entry.Kind == EntryKind::Web && !item.Targets.empty())
        return item.Targets.front().Name;
    return entry.EntryName.empty() ? UnnamedEntryName(entry) : entry.EntryName;
}

std::string Heading(const SummaryEntry& item, LinkForm form)
{
    const TWebPage& entry = *item.Entry;
    std::string out = "<font size=4><b>";
    out += entry.Kind == EntryKind::Web      ? "Web Entry: </b>"
           : entry.Kind == EntryKind::Search ? "Search Engine Query: </b>"
                                             : "Yahoo! Entry: </b>";
    const bool linked = entry.Kind == EntryKind::Web && !item.Targets.empty() && !item.LinkNumbers.empty() &&
                        !item.Targets.front().Url.empty() && !MatchesOnly(entry);
    if (linked)
        out += "<a href=" + Href(form, item.LinkNumbers.front(), EscapeText(LinkAddress(item.Targets.front().Url)), false) +
               ">" + EscapeText(Caption(item)) + "</a>";
    else
        out += EscapeText(Caption(item));
    return out + "</font><br>\r\n";
}

std::string RetrievalText(const TWebPage& entry)
{
    std::string out = "<font size=2><b>Retrieval: </b>";
    if (DifferencesMode(entry))
        out += entry.MarkDiffs ? "Mark Differences" : "Extract Differences";
    else
        out += "Full Page";
    if (entry.SmartSearch)
        out += ", Smart Search (" + entry.SearchFor + ")";
    out += ", Loading " + std::to_string(entry.SpiderDepth) + " level" + (entry.SpiderDepth > 1 ? "s" : "");
    return out + "</font>";
}

// The status icons of the table layout: differences, then matches.
std::string StatusIcons(const SummaryEntry& item)
{
    const TWebPage& entry = *item.Entry;
    std::string out;
    if (DifferencesMode(entry))
    {
        const char* state = item.DifferencesFound ? "Has" : "No";
        out += std::string("<img src=\"") + state +
               (entry.MarkDiffs ? "MDiffs\" width=19 height=11>" : "EDiffs\" width=14 height=11>");
    }
    if (entry.SmartSearch)
        out += std::string("<img src=\"") + (item.MatchesFound ? "Has" : "No") + "Matches\" width=15 height=11>";
    return out;
}

// One link of step 4: its target below "n/", whether the page quotes it,
// and its label.
struct EntryLink
{
    std::string Target;
    bool Quoted;
    const char* Label;
};

std::vector<EntryLink> EntryLinks(const TWebPage& entry, std::int32_t number, const std::string& address)
{
    std::vector<EntryLink> links;
    const bool matchesOnly = MatchesOnly(entry);
    if (DifferencesMode(entry) && entry.KeepUnfilteredPage && !matchesOnly)
        links.push_back({address + UnfilteredSuffix, false, "Unfiltered Page"});
    if ((entry.SpiderDepth > 1 || !entry.LocalOnly) && !matchesOnly)
        links.push_back({"TOC" + std::to_string(number), true, "Site Map"});
    if (entry.SmartSearch)
        links.push_back({"Match" + std::to_string(number), true, "Smart Search Matches"});
    return links;
}

std::string LinkText(const EntryLink& link, std::int32_t number, SummaryLayout layout, LinkForm form)
{
    if (layout == SummaryLayout::Table)
    {
        // The table quotes every link itself; a fragment's href is quoted already.
        const std::string href = form == LinkForm::Absolute ? Href(form, number, link.Target, false)
                                                            : "\"" + Href(form, number, link.Target, false) + "\"";
        return "<a href=" + href + ">" + link.Label + "</a><br>\r\n";
    }
    return " <font size=2><a href=" + Href(form, number, link.Target, link.Quoted) + ">" + link.Label + "</a></font>\r\n";
}

// The links of every target; an engine or category also gets its own line,
// which the list layout writes before the target's links and the table
// layout in a cell of its own.
void TargetLines(const SummaryEntry& item, SummaryLayout layout, LinkForm form, std::string& names, std::string& links)
{
    const TWebPage& entry = *item.Entry;
    std::string& nameLines = layout == SummaryLayout::List ? links : names;
    const std::size_t count = std::min(item.Targets.size(), item.LinkNumbers.size());
    for (std::size_t i = 0; i < count; ++i)
    {
        const std::int32_t number = item.LinkNumbers[i];
        const EntryTarget& target = item.Targets[i];
        const std::string address = EscapeText(LinkAddress(target.Url), entry.Kind != EntryKind::Web);
        if (entry.Kind != EntryKind::Web)
            nameLines += "<br><font size=3>" +
                         (MatchesOnly(entry) ? target.Name
                                             : "<a href=" + Href(form, number, address, false) + ">" + target.Name + "</a>") +
                         "</font>";
        for (const EntryLink& link : EntryLinks(entry, number, address))
            links += LinkText(link, number, layout, form);
    }
}

std::string ListBlock(const SummaryEntry& item, LinkForm form)
{
    std::string names;
    std::string links;
    TargetLines(item, SummaryLayout::List, form, names, links);
    return Heading(item, form) + "<ul>" + RetrievalText(*item.Entry) + "\r\n" + names + links + "\r\n</ul>\r\n";
}

std::string TableBlock(const SummaryEntry& item, LinkForm form)
{
    std::string names;
    std::string links;
    TargetLines(item, SummaryLayout::Table, form, names, links);
    return Heading(item, form) + "<table><tr><td width=40>" + StatusIcons(item) + "</td><td>" + RetrievalText(*item.Entry) +
           "</td></tr><tr><td width=40></td><td><font size=3>" + names + "\r\n</td></tr><tr><td width=40><td>\r\n" + links +
           "\r\n</tr></table>\r\n";
}

std::string Block(const SummaryEntry& item, SummaryLayout layout, LinkForm form)
{
    return layout == SummaryLayout::List ? ListBlock(item, form) : TableBlock(item, form);
}

} // namespace

std::string IncompletePagesText(std::int32_t cut, std::int32_t undecoded)
{
    const auto count = [](std::int32_t n, const char* what)
    { return std::to_string(n) + (n == 1 ? " page " : " pages ") + what; };
    std::string text = cut > 0 ? count(cut, "cut at the size limit") : "";
    if (undecoded > 0)
        text += (text.empty() ? "" : ", ") + count(undecoded, "not decoded");
    return text;
}

std::string SummaryPageStart(const SummaryInput& input)
{
    std::string out = "<html>\r\n<head>\r\n<title>" + input.BriefName +
                      "</title>\r\n</head>\r\n<body bgcolor=#FFFFFF background=\"Background\"><ul>\r\n";
    out += "<p><img src=\"RavelinBar\" width=402 height=43 alt=\"Ravelin Pro\">\r\n";
    out += "<p><font size=5><b>\r\nBrief: </b>" + input.BriefName + "\r\n</font><br>\r\n";
    out += "<font size=3><b>Brief Started: </b>" + input.StartDate + "     " + input.StartTime +
           "</font><font size=1><br></font>\r\n";
    if (!input.Information.empty())
        out += "<font size=3><b>\r\n Brief Information: </b>\r\n" + input.Information;
    if (!input.IncompletePages.empty())
        out += "</font><font size=1><br></font>\r\n<font size=3><b>Incomplete Pages: </b>" + input.IncompletePages;
    return out + "</font><font size=1><br></font><hr size=3>\r\n";
}

std::string SummaryEntryBlock(const SummaryEntry& entry, SummaryLayout layout)
{
    return Block(entry, layout, LinkForm::Relative);
}

std::string EntrySummaryFragment(const SummaryEntry& entry, SummaryLayout layout)
{
    return Block(entry, layout, LinkForm::Absolute);
}

std::string SummaryPageEnd()
{
    return "<hr size=4><br>Ravelin<font size=1>(TM)</font> Pro<p>\r\n</body></ul>\r\n</html>\r\n";
}

std::string SummaryPageText(const SummaryInput& input, SummaryLayout layout)
{
    std::string out = SummaryPageStart(input);
    for (std::size_t i = 0; i < input.Entries.size(); ++i)
    {
        if (i != 0)
            out += "<hr size=1>";
        out += SummaryEntryBlock(input.Entries[i], layout);
    }
    return out + SummaryPageEnd();
}

std::string ButtonImage(const std::string& programFolder, const std::string& file, const std::string& text)
{
    return "<img src=\"file:///" + ImagesFolder(programFolder) + file +
           "\" border=0 align=absmiddle width=24 height=24 alt=\"" + text + "\">";
}

std::string FrameNavigationHeader(const FrameHeaderInput& input)
{
    const std::string& folder = input.ProgramFolder;
    const bool numbered = input.LinkNumber != -1;
    const std::string number = std::to_string(input.LinkNumber);
    std::string line = "<nobr>&#160; <a href=\"index\" target=\"_top\">" + ButtonImage(folder, "brief.gif", "Brief") + "</a> ";
    if (input.SiteMapLink && numbered)
        line += "<a href=\"TOC" + number + "\" target=\"_top\">" + ButtonImage(folder, "toc.gif", "Site Map") + "</a> ";
    if (input.SmartSearch && numbered)
        line +=
            "<a href=\"Match" + number + "\" target=\"_top\">" + ButtonImage(folder, "search.gif", "Smart Search") + "</a> ";
    if (numbered)
        line += std::string(HasOwnScheme(input.Address) ? "<a href=" : "<a href=http://") + input.Address +
                " target=\"_top\">" + ButtonImage(folder, "orig.gif", "Original Link") + "</a> ";
    line += "<font size=3>" + input.BriefName + "</font>\r\n";
    line += "<font size=3>" + input.StampDate + "     " + input.StampTime +
            " <b>by Ravelin</b></font><font size=1>(TM)</font> Pro</nobr><br>\r\n";
    return line;
}

std::string FrameHeadPage(const FrameHeaderInput& input)
{
    return "<html><body>" + FrameNavigationHeader(input) + "</body></html>";
}

} // namespace rv
