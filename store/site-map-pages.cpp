#include "store/site-map-pages.h"

#include "store/ascii-text.h"

namespace rv
{
namespace
{

constexpr std::string_view InaccessibleNote =
    " (One or more pages were inaccessible at this time and may contain other matches.)";

// A noted page has a title (a placeholder has none) and an address.
bool Listed(const SiteMapRecord& record)
{
    return !record.Title.empty() && !record.Url.empty();
}

bool Matched(const SiteMapRecord& record)
{
    return !record.Title.empty() && record.Kind == 1;
}

// The trees the pages walk: a tree of nodes in memory, or an index whose
// records are read back from the site-map file as they are written. Record
// gives a reference or a copy; either lives while the caller holds it.
struct MemoryTree
{
    using Node = const TOCNode*;
    const SiteMapRecord& Record(Node node) const { return *node; }
    template <typename Visit> void ForEachChild(Node node, Visit&& visit) const
    {
        for (const auto& child : node->Children)
            visit(child.get());
    }
};

struct IndexTree
{
    using Node = SiteMapIndex::NodeId;
    SiteMapRecord Record(Node node) const { return index.Record(node); }
    template <typename Visit> void ForEachChild(Node node, Visit&& visit) const
    {
        for (Node child : index.Children(node))
            visit(child);
    }
    const SiteMapIndex& index;
};

// Gathers a page's text and hands it on in pieces of about PieceBytes, so
// that the site map of a large run never stands whole in memory.
class PageText
{
public:
    // The text's capacity doubles past this before a piece goes, and the
    // site maps are written at the run's end, when its memory peaks.
    static constexpr std::size_t PieceBytes = 16 * 1024;

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

template <typename Tree>
void WriteTocNode(const Tree& tree, typename Tree::Node node, const SiteMapRecord& record, PageText& out);

// A level's "<ul>" opens before its first listed node, so that a level of
// placeholders adds no empty list. forEach calls its argument with each node
// of the level.
template <typename Tree, typename ForEach> void WriteTocLevel(const Tree& tree, const ForEach& forEach, PageText& out)
{
    bool opened = false;
    forEach(
        [&](typename Tree::Node node)
        {
            decltype(auto) record = tree.Record(node);
            if (!opened && Listed(record))
            {
                out.Text() += "<ul>";
                opened = true;
            }
            WriteTocNode(tree, node, record, out);
        });
    if (opened)
        out.Text() += "</ul>";
}

template <typename Tree>
void WriteTocNode(const Tree& tree, typename Tree::Node node, const SiteMapRecord& record, PageText& out)
{
    if (Listed(record))
    {
        std::string& text = out.Text();
        text += "<li><a href=\"";
        text += EscapeHtmlAttribute(SiteMapHref(record));
        text += "\">";
        text += record.Title;
        text += "</a>";
        if (record.Kind == 1)
            text += "<b> Smart Search Match: " + (record.Note.empty() ? std::string() : "(" + record.Note + ")") + "</b>";
        text += "</li>";
        out.Pass();
    }
    WriteTocLevel(
        tree, [&](const auto& visit) { tree.ForEachChild(node, visit); }, out);
}

template <typename Tree> void WriteMatches(const Tree& tree, typename Tree::Node node, std::string& out)
{
    decltype(auto) record = tree.Record(node);
    if (Matched(record))
    {
        out += "<li><a href=\"" + EscapeHtmlAttribute(SiteMapHref(record)) + "\">" + record.Title + "</a>";
        if (!record.Note.empty())
            out += " (" + record.Note + ")";
        out += "</li>";
    }
    tree.ForEachChild(node, [&](typename Tree::Node child) { WriteMatches(tree, child, out); });
}

template <typename Tree> std::size_t CountMatchesBelow(const Tree& tree, typename Tree::Node node)
{
    std::size_t count = Matched(tree.Record(node)) ? 1 : 0;
    tree.ForEachChild(node, [&](typename Tree::Node child) { count += CountMatchesBelow(tree, child); });
    return count;
}

// The site map of a tree; root is null when the tree has no root.
template <typename Tree>
void WriteToc(const Tree& tree, const typename Tree::Node* root, const SiteMapEntryDetails* entry, const PageSink& sink)
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
            WriteTocLevel(
                tree, [&](const auto& visit) { visit(*root); }, out);
    }
    else
    {
        text += "<ul>";
        if (root)
            WriteTocNode(tree, *root, tree.Record(*root), out);
    }
    out.Text() += "</body></html>";
}

template <typename Tree>
GeneratedPage Matches(const Tree& tree, const typename Tree::Node* root, const SiteMapEntryDetails* entry)
{
    GeneratedPage page;
    page.Text = "<html><head><title>Smart Search Matches</title></head><body bgcolor=#FFFFFF>";
    page.HeadLength = 22;
    page.HeadOffset = page.Text.size() - page.HeadLength;
    page.Text += "<h1>Smart Search Matches</h1>";
    if (entry)
        page.Text += "Search Terms: " + entry->SearchTerms + "<br>\r\n";
    const bool inaccessible = entry && entry->Inaccessible;
    const std::size_t matches = root ? CountMatchesBelow(tree, *root) : 0;
    if (matches != 0)
    {
        page.Text += "<i>" + std::to_string(matches) + " Match" + (matches == 1 ? "" : "es") + " found";
        if (inaccessible)
            page.Text += InaccessibleNote;
        page.Text += "</i><br>\r\n";
    }
    page.Text += "<ul>";
    if (root)
        WriteMatches(tree, *root, page.Text);
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
    return root ? CountMatchesBelow(MemoryTree{}, root) : 0;
}

void WriteTocPage(const TOCNode* root, const SiteMapEntryDetails* entry, const PageSink& sink)
{
    WriteToc(MemoryTree{}, root ? &root : nullptr, entry, sink);
}

void WriteTocPage(const SiteMapIndex& index, std::size_t entryNumber, const SiteMapEntryDetails* entry, const PageSink& sink)
{
    const SiteMapIndex::NodeId root = index.Root(entryNumber);
    WriteToc(IndexTree{index}, root == SiteMapIndex::NoNode ? nullptr : &root, entry, sink);
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
    return Matches(MemoryTree{}, root ? &root : nullptr, entry);
}

GeneratedPage MatchPage(const SiteMapIndex& index, std::size_t entryNumber, const SiteMapEntryDetails* entry)
{
    const SiteMapIndex::NodeId root = index.Root(entryNumber);
    return Matches(IndexTree{index}, root == SiteMapIndex::NoNode ? nullptr : &root, entry);
}

} // namespace rv
