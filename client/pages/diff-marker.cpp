#include "client/pages/diff-marker.h"

#include "client/pages/link-resolver.h"
#include "client/pages/store-address.h"
#include "store/ascii-text.h"

#include <algorithm>

namespace rv
{

std::string DiffMarkerMarkup(std::string_view pageAddress, std::size_t number, bool last)
{
    std::string out = "<a name=\"" + std::string(DiffMarkerName) + std::to_string(number) + "\">";
    if (!last)
        out += "<a href=\"" + EscapeHtmlAttribute(EncodeForStore(StoreForm(pageAddress))) + "#" + std::string(DiffMarkerName) +
               std::to_string(number + 1) + "\">";
    out += "<img src=\"" + std::string(DiffMarkerName) + "\" alt=\"Diff Marker\">";
    if (!last)
        out += "</a>";
    return out;
}

std::string InsertDiffMarkers(std::string_view page, const std::vector<std::size_t>& positions, std::string_view pageAddress)
{
    std::string out;
    out.reserve(page.size() + positions.size() * (150 + pageAddress.size()));
    std::size_t copied = 0;
    for (std::size_t n = 0; n < positions.size(); ++n)
    {
        const std::size_t at = std::clamp(positions[n], copied, page.size());
        out.append(page.substr(copied, at - copied));
        copied = at;
        out += DiffMarkerMarkup(pageAddress, n, n + 1 == positions.size());
    }
    out.append(page.substr(copied));
    return out;
}

} // namespace rv
