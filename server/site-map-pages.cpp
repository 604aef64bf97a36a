#include "server/site-map-pages.h"

#include "server/text-util.h"

#include <charconv>

namespace rv
{
namespace
{

// "3.1.2" -> {3, 1, 2}; empty when a part is not a number in range.
std::vector<int> GroupNumbers(const std::string& group)
{
    std::vector<int> numbers;
    std::size_t start = 0;
    while (start <= group.size() && numbers.size() <= MaxSiteMapDepth)
    {
        std::size_t end = group.find('.', start);
        if (end == std::string::npos)
            end = group.size();
        int value = -1;
        const auto [ptr, ec] = std::from_chars(group.data() + start, group.data() + end, value);
        if (ec != std::errc() || ptr != group.data() + end || value < 0 || value > MaxSiteMapPosition)
            return {};
        numbers.push_back(value);
        start = end + 1;
    }
    if (numbers.size() > MaxSiteMapDepth || numbers.front() > MaxSiteMapList)
        return {};
    return numbers;
}

void Fill(SiteMapItem& item, const SiteMapRecord& record)
{
    item.title = record.Title;
    item.address = record.Url;
    item.suffix = record.Fragment;
    item.match = record.Kind == 1;
    item.note = record.Note;
}

std::string Href(const SiteMapItem& item)
{
    std::string address = item.address;
    if (address.starts_with("file:"))
    {
        std::size_t i = 5;
        while (i < address.size() && (address[i] == '/' || address[i] == '\\'))
            ++i;
        address.erase(0, i);
    }
    return address + item.suffix;
}

bool Written(const SiteMapItem& item)
{
    return !item.title.empty() && !item.address.empty();
}

void WriteTocItem(const SiteMapItem& item, std::string& out);

void WriteTocLevel(const std::vector<std::unique_ptr<SiteMapItem>>& items, std::string& out)
{
    bool opened = false;
    for (const auto& item : items)
    {
        if (!opened && Written(*item))
        {
            out += "<ul>";
            opened = true;
        }
        WriteTocItem(*item, out);
    }
    if (opened)
        out += "</ul>";
}

void WriteTocItem(const SiteMapItem& item, std::string& out)
{
    if (Written(item))
    {
        out += "<li><a href=\"" + Href(item) + "\">" + item.title + "</a>";
        if (item.match)
            out += "<b> Smart Search Match: " + (item.note.empty() ? std::string() : "(" + item.note + ")") + "</b>";
        out += "</li>";
    }
    WriteTocLevel(item.children, out);
}

void CollectMatches(const SiteMapItem& item, std::vector<const SiteMapItem*>& out)
{
    if (!item.title.empty() && item.match)
        out.push_back(&item);
    for (const auto& child : item.children)
        CollectMatches(*child, out);
}

} // namespace

SiteMapTrees BuildSiteMapTrees(const std::vector<SiteMapRecord>& records)
{
    SiteMapTrees trees;
    for (const SiteMapRecord& record : records)
    {
        const std::vector<int> numbers = GroupNumbers(record.Group);
        if (numbers.empty())
            continue;
        std::unique_ptr<SiteMapItem>& root = trees[numbers.front()];
        if (!root)
            root = std::make_unique<SiteMapItem>();
        SiteMapItem* item = root.get();
        if (numbers.size() == 1)
        {
            if (item->address.empty())
                Fill(*item, record);
            continue;
        }
        for (std::size_t level = 1; level < numbers.size(); ++level)
        {
            auto& children = item->children;
            while (children.size() <= static_cast<std::size_t>(numbers[level]))
                children.push_back(std::make_unique<SiteMapItem>());
            item = children[static_cast<std::size_t>(numbers[level])].get();
        }
        Fill(*item, record);
    }
    return trees;
}

GeneratedPage TocPage(const SiteMapItem* root)
{
    GeneratedPage page;
    page.text = "<html><body bgcolor=#FFFFFF text=\"0000FF\" link=\"FF0000\">";
    page.headLength = 50;
    page.headOffset = page.text.size() - page.headLength;
    page.text += "<title>Site Map</title><h1>Site Map</h1><ul>";
    if (root)
        WriteTocItem(*root, page.text);
    page.text += "</body></html>";
    return page;
}

GeneratedPage MatchPage(const SiteMapItem* root)
{
    GeneratedPage page;
    page.text = "<html><head><title>Smart Search Matches</title></head><body bgcolor=#FFFFFF>";
    page.headLength = 22;
    page.headOffset = page.text.size() - page.headLength;
    page.text += "<h1>Smart Search Matches</h1>";
    std::vector<const SiteMapItem*> matches;
    if (root)
        CollectMatches(*root, matches);
    if (!matches.empty())
        page.text +=
            "<i>" + std::to_string(matches.size()) + " Match" + (matches.size() == 1 ? "" : "es") + " found</i><br>\r\n";
    page.text += "<ul>";
    for (const SiteMapItem* item : matches)
        page.text += "<li><a href=\"" + Href(*item) + "\">" + item->title + "</a>" +
                     (item->note.empty() ? std::string() : " (" + item->note + ")") + "</li>";
    if (matches.empty())
        page.text += "<i>No Matches Found</i>";
    page.text += "</ul></body></html>";
    return page;
}

} // namespace rv
