#include "store/site-map-pages.h"

#include "store/ascii-text.h"

#include <initializer_list>

namespace rv
{
namespace
{

constexpr std::string_view InaccessibleNote =
    " (One or more pages were inaccessible at this time and may contain other matches.)";

// A noted page has a title (a placeholder has none) and an address.
bool Listed(const TOCNode& node)
{
    return !node.Title.empty() && !node.Url.empty();
}

bool Matched(const TOCNode& node)
{
    return !node.Title.empty() && node.Kind == 1;
}

// Gathers a page's text and hands it on in pieces of about PieceBytes, so
// that the site map of a large run never stands whole in memory.
class PageText
{
public:
    static constexpr std::size_t PieceBytes = 64 * 1024;

    explicit PageText(const PageSink& sink) : sink_(sink) {}
    ~PageText() { Flush(); }
    PageText(const PageText&) = delete;
    PageText& operator=(const PageText&) = delete;

    std::string& Text() { return text_; }
    // Hands on what was gathered once it reached PieceBytes.
    void Pass()
    {
        if (text_.size() >= PieceBytes)
            Flush();
    }
    void Flush()
    {
        if (!text_.empty())
            sink_(text_);
        text_.clear();
    }

private:
    const PageSink& sink_;
    std::string text_;
};

void WriteTocNode(const TOCNode& node, PageText& out);

// A level's "<ul>" opens before its first listed node, so that a level of
// placeholders adds no empty list.
template <typename Nodes> void WriteTocLevel(const Nodes& nodes, PageText& out)
{
    bool opened = false;
    for (const auto& node : nodes)
    {
        if (!opened && Listed(*node))
        {
            out.Text() += "<ul>";
            opened = true;
        }
        WriteTocNode(*node, out);
    }
    if (opened)
        out.Text() += "</ul>";
}

void WriteTocNode(const TOCNode& node, PageText& out)
{
    if (Listed(node))
    {
        std::string& text = out.Text();
        text += "<li><a href=\"";
        text += EscapeHtmlAttribute(SiteMapHref(node));
        text += "\">";
        text += node.Title;
        text += "</a>";
        if (node.Kind == 1)
            text += "<b> Smart Search Match: " + (node.Note.empty() ? std::string() : "(" + node.Note + ")") + "</b>";
        text += "</li>";
        out.Pass();
    }
    WriteTocLevel(node.Children, out);
}

void WriteMatches(const TOCNode& node, std::string& out)
{
    if (Matched(node))
    {
        out += "<li><a href=\"" + EscapeHtmlAttribute(SiteMapHref(node)) + "\">" + node.Title + "</a>";
        if (!node.Note.empty())
            out += " (" + node.Note + ")";
        out += "</li>";
    }
    for (const auto& child : node.Children)
        WriteMatches(*child, out);
}

std::size_t CountMatchesBelow(const TOCNode& node)
{
    std::size_t count = Matched(node) ? 1 : 0;
    for (const auto& child : node.Children)
        count += CountMatchesBelow(*child);
    return count;
}

} // namespace

std::string SiteMapHref(const SiteMapRecord& record)
{
    std::string_view address = record.Url;
    const std::size_t hash = address.find('#');
    if (hash != std::string_view::npos)
        address = address.substr(0, hash);
    if (StartsWithNoCase(address, "file:"))
    {
        // A path with a drive letter is stored without "file:" and the
        // slashes before it; any other keeps "file:", or the server would
        // take the path's first folder for a host.
        std::string_view path = address.substr(5);
        while (!path.empty() && (path.front() == '/' || path.front() == '\\'))
            path.remove_prefix(1);
        const bool drive =
            path.size() > 1 && std::isalpha(static_cast<unsigned char>(path[0])) && (path[1] == ':' || path[1] == '|');
        if (drive)
            address = path;
    }
    std::string href;
    href.reserve(address.size() + record.Fragment.size() + 8);
    for (char c : address)
    {
        if (c == ':')
            href += "&colon;";
        else
            href += c;
    }
    // The fragment is noted without its "#" by the client and with it by
    // older notes; either way the link carries exactly one.
    if (!record.Fragment.empty())
    {
        if (record.Fragment.front() != '#')
            href += '#';
        href += record.Fragment;
    }
    return href;
}

std::size_t CountMatches(const TOCNode* root)
{
    return root ? CountMatchesBelow(*root) : 0;
}

void WriteTocPage(const TOCNode* root, const SiteMapEntryDetails* entry, const PageSink& sink)
{
    PageText out(sink);
    std::string& text = out.Text();
    text = "<html><body bgcolor=#FFFFFF text=\"0000FF\" link=\"FF0000\">";
    text += "<title>Site Map</title><h1>Site Map</h1>";
    if (entry)
    {
        // The entry page stands in a list of its own below the heading.
        text += "<font size=3>Web Entry: " + entry->Address + "</font><ul>";
        if (root)
            WriteTocLevel(std::initializer_list<const TOCNode*>{root}, out);
    }
    else
    {
        text += "<ul>";
        if (root)
            WriteTocNode(*root, out);
    }
    out.Text() += "</body></html>";
}

GeneratedPage TocPage(const TOCNode* root, const SiteMapEntryDetails* entry)
{
    GeneratedPage page;
    page.HeadOffset = TocPageHeadOffset;
    page.HeadLength = TocPageHeadLength;
    WriteTocPage(root, entry, [&page](std::string_view piece) { page.Text += piece; });
    return page;
}

GeneratedPage MatchPage(const TOCNode* root, const SiteMapEntryDetails* entry)
{
    GeneratedPage page;
    page.Text = "<html><head><title>Smart Search Matches</title></head><body bgcolor=#FFFFFF>";
    page.HeadLength = 22;
    page.HeadOffset = page.Text.size() - page.HeadLength;
    page.Text += "<h1>Smart Search Matches</h1>";
    if (entry)
        page.Text += "Search Terms: " + entry->SearchTerms + "<br>\r\n";
    const bool inaccessible = entry && entry->Inaccessible;
    const std::size_t matches = CountMatches(root);
    if (matches != 0)
    {
        page.Text += "<i>" + std::to_string(matches) + " Match" + (matches == 1 ? "" : "es") + " found";
        if (inaccessible)
            page.Text += InaccessibleNote;
        page.Text += "</i><br>\r\n";
    }
    page.Text += "<ul>";
    if (root)
        WriteMatches(*root, page.Text);
    if (matches == 0)
    {
        page.Text += "<i>No Matches Found";
        if (inaccessible)
            page.Text += InaccessibleNote;
        page.Text += "</i>";
    }
    page.Text += "</ul></body></html>";
    return page;
}

} // namespace rv
