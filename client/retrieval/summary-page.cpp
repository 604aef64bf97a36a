#include "client/retrieval/summary-page.h"

#include <algorithm>

namespace rv
{
namespace
{

// An address that names its own scheme has a ":" before its first "/" and
// before its first "."; any other is a bare host and path.
bool HasOwnScheme(const std::string& address)
{
    const std::size_t colon = address.find(':');
    if (colon == std::string::npos)
        return false;
    return colon < address.find('/') && colon < address.find('.');
}

std::string ImagesFolder(std::string folder)
{
    std::replace(folder.begin(), folder.end(), '\\', '/');
    const std::size_t first = folder.find_first_not_of('/');
    folder.erase(0, first == std::string::npos ? folder.size() : first);
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder + "images/";
}

} // namespace

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
