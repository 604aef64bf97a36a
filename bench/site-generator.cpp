// site-generator: writes a static web site for the end-to-end run benchmark.
//
//   site-generator FOLDER PAGES [PAGE-BYTES]
//
// Page 0 is FOLDER/index.html; page k > 0 is FOLDER/s<k/100>/p<k>.html. Every
// page is ordinary article HTML of about PAGE-BYTES bytes (default 17000):
// a header with the site logo, a breadcrumb trail, headings, paragraphs of
// English-like text with links inside them, a small table, two photos, a
// side bar and a footer. Each page links to about 20 other pages of the site:
// its parent and its children in a tree of four children per page (so every
// page is reachable from index.html within a depth of log4(PAGES) + 1),
// the home page, and pseudo-random related pages, which make the site a
// graph with many links to pages already met. Links are written the ways
// real sites write them: relative to the page, with "../", from the root,
// sometimes with a "#fragment". One footer link leaves the site.
//
// The site also holds a style sheet and 17 GIF images (a logo and 16
// photos of 2 to 12 KB, valid GIF files padded with comment blocks).
//
// The output depends only on PAGES and PAGE-BYTES, so two runs write the
// same bytes. It prints the number of pages and of bytes written.
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace
{

constexpr int Children = 4;      // children per page in the tree
constexpr int RelatedLinks = 14; // further links to pages anywhere in the site
constexpr int PagesPerFolder = 100;
constexpr int Photos = 16;

// xorshift64*: small, fast and the same on every machine.
class Random
{
public:
    explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint64_t Next()
    {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    }
    int Below(int limit) { return static_cast<int>(Next() % static_cast<std::uint64_t>(limit)); }

private:
    std::uint64_t state_;
};

const char* const Words[] = {
    "the",        "of",        "and",     "to",          "in",        "a",         "is",         "that",     "for",
    "it",         "as",        "was",     "with",        "be",        "by",        "on",         "not",      "he",
    "this",       "are",       "or",      "his",         "from",      "at",        "which",      "but",      "have",
    "an",         "had",       "they",    "you",         "were",      "their",     "one",        "all",      "we",
    "can",        "her",       "has",     "there",       "been",      "if",        "more",       "when",     "will",
    "would",      "who",       "so",      "no",          "harbour",   "walk",      "coast",      "village",  "river",
    "bridge",     "market",    "station", "morning",     "evening",   "weather",   "season",     "garden",   "path",
    "valley",     "hill",      "church",  "library",     "museum",    "festival",  "council",    "record",   "history",
    "century",    "building",  "street",  "square",      "ferry",     "island",    "lighthouse", "fishing",  "boat",
    "visitors",   "residents", "local",   "ancient",     "narrow",    "steep",     "quiet",      "busy",     "famous",
    "restored",   "opened",    "closed",  "built",       "described", "recorded",  "followed",   "crossed",  "reached",
    "north",      "south",     "east",    "west",        "along",     "above",     "below",      "between",  "through",
    "during",     "after",     "before",  "until",       "since",     "about",     "around",     "towards",  "beyond",
    "stone",      "timber",    "slate",   "granite",     "chalk",     "meadow",    "woodland",   "orchard",  "estate",
    "mill",       "quay",      "pier",    "tide",        "cliff",     "bay",       "cove",       "inlet",    "headland",
    "map",        "guide",     "route",   "distance",    "miles",     "hours",     "minutes",    "entrance", "exhibition",
    "collection", "archive",   "letters", "photographs", "families",  "merchants", "sailors",    "farmers",  "builders",
    "trade",      "wool",      "salt",    "grain",       "timetable", "journey",   "tickets",    "bus",      "train",
    "often",      "rarely",    "usually", "still",       "later",     "early",     "finally",    "perhaps",  "certainly",
};
constexpr int WordCount = static_cast<int>(sizeof(Words) / sizeof(Words[0]));

// A valid 1x1 GIF with a comment extension of `bytes` bytes in front of the image.
std::string MakeGif(std::size_t bytes, Random& random)
{
    std::string gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff", 19);
    gif += "\x21\xfe";
    while (bytes > 0)
    {
        std::size_t block = bytes < 255 ? bytes : 255;
        gif += static_cast<char>(block);
        for (std::size_t i = 0; i < block; ++i)
            gif += static_cast<char>(32 + random.Below(95));
        bytes -= block;
    }
    gif += '\0';
    gif += std::string("\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b", 16);
    return gif;
}

std::string PagePath(int page)
{
    if (page == 0)
        return "index.html";
    return "s" + std::to_string(page / PagesPerFolder) + "/p" + std::to_string(page) + ".html";
}

// The address of `to` as written on page `from`: relative to the page most of
// the time, from the root otherwise.
std::string Href(int from, int to, Random& random)
{
    std::string target = PagePath(to);
    std::string href;
    if (random.Below(4) == 0)
        href = "/" + target;
    else if (from == 0)
        href = target;
    else if (to != 0 && to / PagesPerFolder == from / PagesPerFolder)
        href = target.substr(target.find('/') + 1);
    else
        href = "../" + target;
    if (random.Below(10) == 0)
        href += "#part" + std::to_string(random.Below(4));
    return href;
}

std::string Sentence(Random& random, int words)
{
    std::string text;
    for (int i = 0; i < words; ++i)
    {
        const char* word = Words[random.Below(WordCount)];
        if (i == 0)
        {
            text += static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
            text += word + 1;
        }
        else
        {
            text += ' ';
            text += word;
            if (random.Below(12) == 0 && i + 1 < words)
                text += ',';
        }
    }
    return text + ".";
}

std::string Title(int page, Random& random)
{
    std::string title = Sentence(random, 3 + random.Below(4));
    title.pop_back();
    return title + " (" + std::to_string(page) + ")";
}

std::string MakePage(int page, int pages, std::size_t targetBytes)
{
    Random random(static_cast<std::uint64_t>(page) + 1);
    std::vector<int> links;
    if (page > 0)
        links.push_back((page - 1) / Children);
    for (int c = 1; c <= Children; ++c)
    {
        long child = static_cast<long>(page) * Children + c;
        if (child < pages)
            links.push_back(static_cast<int>(child));
    }
    std::vector<int> related;
    for (int i = 0; i < RelatedLinks && pages > 1; ++i)
        related.push_back(random.Below(pages));

    std::string title = Title(page, random);
    std::string html;
    html.reserve(targetBytes + 4096);
    html += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    html += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    html += "<title>" + title + " - Harbour Walks</title>\n";
    html += "<link rel=\"stylesheet\" href=\"/style.css\">\n</head>\n<body>\n";
    html += "<div id=\"header\"><a href=\"" + Href(page, 0, random) +
            "\"><img src=\"/img/logo.gif\" width=\"120\" height=\"40\" alt=\"Harbour Walks\"></a>\n";
    html += "<form action=\"/search\" method=\"get\"><input type=\"text\" name=\"q\" size=\"20\"> "
            "<input type=\"submit\" value=\"Search\"></form></div>\n";

    html += "<ul class=\"breadcrumbs\">\n<li><a href=\"" + Href(page, 0, random) + "\">Home</a></li>\n";
    if (page > 0)
        html += "<li><a href=\"" + Href(page, links[0], random) + "\">Up one level</a></li>\n";
    html += "<li class=\"here\">" + title + "</li>\n</ul>\n";

    html += "<div id=\"content\">\n<h1>" + title + "</h1>\n";
    html += "<p class=\"byline\">Updated " + std::to_string(1 + random.Below(28)) +
            " March 1999 by the Harbour Walks "
            "group</p>\n";

    // The body: sections of paragraphs until the page reaches its size, with
    // the related links spread through the text, the photos and the table
    // in the first sections.
    std::size_t sidebarEstimate = 1000;
    std::size_t nextRelated = 0;
    int section = 0;
    while (html.size() + sidebarEstimate < targetBytes)
    {
        html += "<h2 id=\"part" + std::to_string(section % 4) + "\">" + Sentence(random, 2 + random.Below(4)) + "</h2>\n";
        if (section == 0 || section == 2)
        {
            int photo = (page * (section == 0 ? 7 : 11) + section) % Photos;
            html += "<p class=\"photo\"><img src=\"/img/photo" + std::to_string(photo) +
                    ".gif\" width=\"320\" height=\"200\" alt=\"" + Sentence(random, 4) + "\"><br>" +
                    Sentence(random, 6 + random.Below(6)) + "</p>\n";
        }
        if (section == 1)
        {
            html += "<table class=\"times\">\n<tr><th>Stage</th><th>Distance</th><th>Time</th></tr>\n";
            for (int row = 0; row < 5; ++row)
                html += "<tr><td>" + Sentence(random, 2) + "</td><td>" + std::to_string(1 + random.Below(9)) + "." +
                        std::to_string(random.Below(10)) + " miles</td><td>" + std::to_string(10 + random.Below(80)) +
                        " min</td></tr>\n";
            html += "</table>\n";
        }
        int paragraphs = 2 + random.Below(3);
        for (int p = 0; p < paragraphs && html.size() + sidebarEstimate < targetBytes; ++p)
        {
            html += "<p>";
            int sentences = 3 + random.Below(5);
            for (int s = 0; s < sentences; ++s)
            {
                html += Sentence(random, 8 + random.Below(14));
                html += ' ';
                if (s == 1 && nextRelated < related.size() / 2)
                {
                    int to = related[nextRelated++];
                    html += "See <a href=\"" + Href(page, to, random) + "\">" + Sentence(random, 3) + "</a> ";
                }
                else if (s == 2 && random.Below(3) == 0)
                {
                    html += "<em>" + Sentence(random, 4) + "</em> ";
                }
            }
            html += "</p>\n";
        }
        ++section;
    }
    html += "</div>\n";

    html += "<div id=\"sidebar\">\n<h3>In this part</h3>\n<ul>\n";
    for (std::size_t i = page > 0 ? 1 : 0; i < links.size(); ++i)
        html += "<li><a href=\"" + Href(page, links[i], random) + "\">" + Sentence(random, 3) + "</a></li>\n";
    html += "</ul>\n<h3>See also</h3>\n<ul>\n";
    for (; nextRelated < related.size(); ++nextRelated)
        html += "<li><a href=\"" + Href(page, related[nextRelated], random) + "\">" + Sentence(random, 3) + "</a></li>\n";
    html += "</ul>\n</div>\n";

    html += "<div id=\"footer\"><p>Harbour Walks is kept by volunteers. <a href=\"" + Href(page, 0, random) +
            "\">Home</a> | <a href=\"http://www.example.org/walks/\">Other walking groups</a> | "
            "<a href=\"mailto:walks@example.org\">Write to us</a></p></div>\n</body>\n</html>\n";
    return html;
}

const char StyleSheet[] = "body { font-family: Georgia, serif; margin: 0 auto; max-width: 60em; color: #222; }\n"
                          "#header { background: #1d3557; padding: 0.5em; }\n"
                          "#header form { float: right; }\n"
                          ".breadcrumbs { list-style: none; padding: 0; }\n"
                          ".breadcrumbs li { display: inline; margin-right: 1em; }\n"
                          "#content { float: left; width: 70%; }\n"
                          "#sidebar { float: right; width: 25%; font-size: 90%; }\n"
                          "#footer { clear: both; border-top: 1px solid #999; font-size: 80%; }\n"
                          "table.times td, table.times th { padding: 0.2em 0.6em; }\n"
                          ".photo img { border: 1px solid #444; }\n";

bool WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 4)
    {
        std::fprintf(stderr, "usage: site-generator FOLDER PAGES [PAGE-BYTES]\n");
        return 2;
    }
    const std::filesystem::path folder(argv[1]);
    const int pages = std::atoi(argv[2]);
    const long pageBytes = argc == 4 ? std::atol(argv[3]) : 17000;
    if (pages < 1 || pages > 10000000 || pageBytes < 2000 || pageBytes > 10000000)
    {
        std::fprintf(stderr, "site-generator: PAGES must be 1 to 10000000, PAGE-BYTES 2000 to 10000000\n");
        return 2;
    }
    std::error_code error;
    std::filesystem::create_directories(folder / "img", error);
    if (error)
    {
        std::fprintf(stderr, "site-generator: cannot create %s: %s\n", folder.c_str(), error.message().c_str());
        return 1;
    }

    unsigned long long total = 0;
    bool ok = WriteFile(folder / "style.css", StyleSheet);
    Random imageRandom(12345);
    std::string logo = MakeGif(600, imageRandom);
    ok = ok && WriteFile(folder / "img/logo.gif", logo);
    total += sizeof(StyleSheet) - 1 + logo.size();
    for (int i = 0; i < Photos && ok; ++i)
    {
        std::string photo = MakeGif(2000 + static_cast<std::size_t>(imageRandom.Below(10000)), imageRandom);
        ok = WriteFile(folder / ("img/photo" + std::to_string(i) + ".gif"), photo);
        total += photo.size();
    }
    for (int page = 0; page < pages && ok; ++page)
    {
        if (page == 1 || (page > 0 && page % PagesPerFolder == 0))
            std::filesystem::create_directories(folder / ("s" + std::to_string(page / PagesPerFolder)), error);
        std::string html = MakePage(page, pages, static_cast<std::size_t>(pageBytes));
        ok = !error && WriteFile(folder / PagePath(page), html);
        total += html.size();
    }
    if (!ok)
    {
        std::fprintf(stderr, "site-generator: cannot write into %s: %s\n", folder.c_str(), std::strerror(errno));
        return 1;
    }
    std::printf("%d pages, %llu bytes\n", pages, total);
    return 0;
}
