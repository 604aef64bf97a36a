#include "client/pages/page-information.h"

#include "store/ascii-text.h"

namespace rv
{

namespace
{

// "Netscape - [", before the page title that such a window title frames.
constexpr std::size_t BrowserTitleLead = 12;

} // namespace

PageInformation ParsePageInformation(std::string_view text)
{
    PageInformation page;
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos)
    {
        page.Address = std::string(text);
        page.Title = page.Address;
        return page;
    }
    for (char c : text.substr(0, comma))
    {
        if (c != '"')
            page.Address += c;
    }
    std::string_view title = text.substr(comma);
    const std::size_t start = title.find_first_not_of(",\"");
    title = start == std::string_view::npos ? std::string_view() : title.substr(start);
    title = title.substr(0, title.find('"'));
    if (title.find("Netscape -") != std::string_view::npos)
        title = title.size() > BrowserTitleLead ? title.substr(BrowserTitleLead, title.size() - BrowserTitleLead - 1)
                                                : std::string_view();
    page.Title = std::string(title);
    return page;
}

std::string WebAddressOfPage(std::string_view address)
{
    const std::size_t server = address.find("127.0.0.1:");
    const std::size_t archive = server == std::string_view::npos ? server : address.find(".rvd", server);
    if (archive != std::string_view::npos)
    {
        std::string_view rest = address.substr(std::min(archive + 5, address.size()));
        if (rest.starts_with("cumulative"))
            rest.remove_prefix(std::min<std::size_t>(11, rest.size()));
        while (!rest.empty() && IsDigit(rest.front()))
            rest.remove_prefix(1);
        while (!rest.empty() && (rest.front() == '-' || rest.front() == '/' || rest.front() == '\\'))
            rest.remove_prefix(1);
        address = rest;
    }
    std::string out;
    for (std::size_t i = 0; i < address.size();)
    {
        if (address.substr(i).starts_with("&colon"))
        {
            out += ':';
            i += 6;
            if (i < address.size() && address[i] == ';')
                ++i;
            continue;
        }
        out += address[i++];
    }
    return out;
}

int AddBrowserPage(TWebList& list, const PageInformation& page, const EntryDefaultsRecords* defaults)
{
    if (page.Address.empty() && page.Title.empty())
        return -1;
    const int position = list.Create(EntryKind::Web, 0, defaults);
    if (position < 0)
        return -1;
    TWebPage& entry = list[position];
    entry.URL = WebAddressOfPage(page.Address);
    entry.EntryName = page.Title;
    entry.NameSet = true;
    list.DeselectAll();
    list.Select(position, true);
    list.SetFocus(position);
    return position;
}

} // namespace rv
