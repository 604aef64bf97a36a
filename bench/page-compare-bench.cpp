// Change detection benchmark: ComparePages on one page pair of about 50 KB,
// 500 KB and 5 MB, each a real page (the Python documentation's HTML, the
// bodies of the following pages joined into the first) and its edited copy.
// Each pair is compared with the indexed search and with the literal scan in
// the same process, beside memcmp of the same bytes, and the two searches'
// decisions are checked to be the same.
//
// Edits: every tenth paragraph gets a word changed and every 25th is moved
// to the end of the page, so marking finds changed blocks and extraction
// also meets blocks whose lead-in changed. Times are seconds of thread CPU
// time, the fastest of five rounds (one for the 5 MB page).
//
// Usage: page-compare-bench [FOLDER]   (default /usr/share/doc/python3-doc/html)
// Exits 2 when the two searches disagree.
#include "client/pages/page-compare.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{

double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The page with every tenth paragraph reworded and every 25th moved to the end.
std::string Edited(const std::string& page)
{
    std::string out;
    std::string moved;
    std::size_t copied = 0;
    int paragraph = 0;
    for (std::size_t at = page.find("<p>"); at != std::string::npos; at = page.find("<p>", at + 3))
    {
        ++paragraph;
        if (paragraph % 25 == 0)
        {
            const std::size_t end = std::min(page.find("</p>", at), page.size());
            out.append(page, copied, at - copied);
            moved.append(page, at, end - at);
            copied = end;
        }
        else if (paragraph % 10 == 0)
        {
            out.append(page, copied, at + 3 - copied);
            out += "Changed ";
            copied = at + 3;
        }
    }
    out.append(page, copied);
    const std::size_t tail = out.rfind("</body>");
    out.insert(tail == std::string::npos ? out.size() : tail, moved);
    return out;
}

// One real page of `target` bytes or up to a tenth more: the first page up to
// its body's end, then the bodies of the pages after it that fit, then the
// closing tags.
std::string JoinedPage(const std::vector<std::filesystem::path>& files, std::size_t target)
{
    std::string page;
    for (const auto& file : files)
    {
        const std::string text = ReadAll(file);
        const std::size_t bodyOpen = text.find("<body");
        const std::size_t bodyStart = bodyOpen == std::string::npos ? 0 : text.find('>', bodyOpen) + 1;
        const std::size_t bodyEnd = std::min(text.rfind("</body>"), text.size());
        if (page.empty())
            page.append(text, 0, bodyEnd);
        else if (bodyStart < bodyEnd && page.size() + (bodyEnd - bodyStart) <= target + target / 10)
            page.append(text, bodyStart, bodyEnd - bodyStart);
        if (page.size() >= target)
            break;
    }
    return page + "</body>\n</html>\n";
}

std::vector<std::filesystem::path> HtmlFiles(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(folder, std::filesystem::directory_options::follow_directory_symlink))
        if (entry.is_regular_file() && entry.path().extension() == ".html")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

struct Timed
{
    double Seconds = 1e30;
    rv::CompareResult Result;
};

// The fastest of `rounds` comparisons.
Timed Compare(const std::string& page, const std::string& previous, bool extract, bool literal, int rounds)
{
    rv::CompareOptions options;
    options.Extract = extract;
    options.LiteralSearch = literal;
    Timed best;
    for (int round = 0; round < rounds; ++round)
    {
        const double start = ThreadSeconds();
        rv::CompareResult result = rv::ComparePages(page, previous, options);
        const double seconds = ThreadSeconds() - start;
        if (seconds < best.Seconds)
            best = Timed{seconds, std::move(result)};
    }
    return best;
}

double MemcmpSeconds(const std::string& page, const std::string& previous, long& sink)
{
    double best = 1e30;
    for (int round = 0; round < 5; ++round)
    {
        const double start = ThreadSeconds();
        const std::size_t length = std::min(page.size(), previous.size());
        // Compared to the end, as a comparison that cannot stop early would.
        for (std::size_t at = 0; at < length; at += 4096)
        {
            int result = std::memcmp(page.data() + at, previous.data() + at, std::min<std::size_t>(4096, length - at));
            asm volatile("" : "+r"(result));
            sink += result != 0;
        }
        best = std::min(best, ThreadSeconds() - start);
    }
    return best;
}

bool SameDecisions(const rv::CompareResult& a, const rv::CompareResult& b)
{
    return a.DifferencesFound == b.DifferencesFound && a.MarkerPositions == b.MarkerPositions && a.Extracted == b.Extracted;
}

} // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path folder = argc > 1 ? argv[1] : "/usr/share/doc/python3-doc/html";
    if (!std::filesystem::is_directory(folder))
    {
        std::fprintf(stderr, "%s is not a folder (tools/setup.sh installs python3-doc)\n", folder.c_str());
        return 1;
    }
    const std::vector<std::filesystem::path> files = HtmlFiles(folder);
    std::printf("%-9s %-8s %10s %8s %12s %12s %10s %6s\n", "page", "case", "indexed s", "changed", "literal s", "lit/indexed",
                "memcmp s", "same");
    long sink = 0;
    bool allSame = true;
    for (const std::size_t target : {std::size_t{50} << 10, std::size_t{500} << 10, std::size_t{5} << 20})
    {
        const std::string previous = JoinedPage(files, target);
        const std::string page = Edited(previous);
        const int rounds = target > (std::size_t{1} << 20) ? 1 : 5;
        for (const bool extract : {false, true})
        {
            const Timed indexed = Compare(page, previous, extract, false, rounds);
            const Timed literal = Compare(page, previous, extract, true, rounds);
            const double memcmpSeconds = MemcmpSeconds(page, previous, sink);
            const bool same = SameDecisions(indexed.Result, literal.Result);
            allSame = allSame && same;
            const std::size_t changed =
                extract ? std::size_t(indexed.Result.DifferencesFound) : indexed.Result.MarkerPositions.size();
            char size[32];
            std::snprintf(size, sizeof size, "%.2f MB", double(page.size()) / 1e6);
            std::printf("%-9s %-8s %10.4f %8zu %12.4f %12.1f %10.6f %6s\n", size, extract ? "extract" : "mark", indexed.Seconds,
                        changed, literal.Seconds, literal.Seconds / indexed.Seconds, memcmpSeconds, same ? "yes" : "NO");
        }
    }
    return sink == -1 || !allSame ? 2 : 0;
}
