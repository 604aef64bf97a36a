// Change detection benchmark: ComparePages on pairs of real pages (the Python
// documentation's HTML), the new page being an edited copy of the previous
// one, beside memcmp of the same bytes in the same process.
//
// Edits: every tenth paragraph gets a word changed and every 25th is moved
// to the end of the page, so marking finds changed blocks and extraction
// also meets blocks whose lead-in changed. Figures are megabytes of new page
// per second of thread CPU time, the fastest of three rounds.
//
// Usage: page-compare-bench [FOLDER [MAX_MB]]
//        (default /usr/share/doc/python3-doc/html 16)
#include "client/retrieval/page-compare.h"

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

struct Pair
{
    std::string Previous;
    std::string Page;
};

std::vector<Pair> LoadPairs(const std::filesystem::path& folder, std::size_t maxBytes)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(folder, std::filesystem::directory_options::follow_directory_symlink))
        if (entry.is_regular_file() && entry.path().extension() == ".html")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<Pair> pairs;
    std::size_t total = 0;
    for (const auto& file : files)
    {
        if (total >= maxBytes)
            break;
        Pair pair;
        pair.Previous = ReadAll(file);
        pair.Page = Edited(pair.Previous);
        total += pair.Page.size();
        pairs.push_back(std::move(pair));
    }
    return pairs;
}

struct Round
{
    double Seconds = 0;
    std::size_t Changed = 0; // markers, or pages with differences when extracting
};

Round CompareAll(const std::vector<Pair>& pairs, bool extract, bool unchanged)
{
    rv::CompareOptions options;
    options.Extract = extract;
    Round round;
    const double start = ThreadSeconds();
    for (const Pair& pair : pairs)
    {
        const rv::CompareResult result = rv::ComparePages(unchanged ? pair.Previous : pair.Page, pair.Previous, options);
        round.Changed += extract ? std::size_t(result.DifferencesFound) : result.MarkerPositions.size();
    }
    round.Seconds = ThreadSeconds() - start;
    return round;
}

double MemcmpAll(const std::vector<Pair>& pairs, bool unchanged, long& sink)
{
    const double start = ThreadSeconds();
    for (const Pair& pair : pairs)
    {
        const std::string& page = unchanged ? pair.Previous : pair.Page;
        const std::size_t length = std::min(page.size(), pair.Previous.size());
        // Compared to the end, as a comparison that cannot stop early would.
        for (std::size_t at = 0; at < length; at += 4096)
        {
            int result = std::memcmp(page.data() + at, pair.Previous.data() + at, std::min<std::size_t>(4096, length - at));
            asm volatile("" : "+r"(result));
            sink += result != 0;
        }
    }
    return ThreadSeconds() - start;
}

} // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path folder = argc > 1 ? argv[1] : "/usr/share/doc/python3-doc/html";
    const std::size_t maxBytes = std::size_t(argc > 2 ? std::atof(argv[2]) : 16) << 20;
    if (!std::filesystem::is_directory(folder))
    {
        std::fprintf(stderr, "%s is not a folder (tools/setup.sh installs python3-doc)\n", folder.c_str());
        return 1;
    }
    const std::vector<Pair> pairs = LoadPairs(folder, maxBytes);
    std::size_t newBytes = 0;
    std::size_t oldBytes = 0;
    for (const Pair& pair : pairs)
    {
        newBytes += pair.Page.size();
        oldBytes += pair.Previous.size();
    }
    std::printf("%zu page pairs, %.1f MB new, %.1f MB previous\n\n", pairs.size(), double(newBytes) / 1e6,
                double(oldBytes) / 1e6);
    std::printf("%-22s %10s %10s %12s %8s\n", "case", "MB/s", "changed", "memcmp MB/s", "ratio");
    long sink = 0;
    struct Case
    {
        const char* Name;
        bool Extract;
        bool Unchanged;
    };
    for (const Case& c : {Case{"mark, edited", false, false}, Case{"extract, edited", true, false},
                          Case{"mark, unchanged", false, true}, Case{"extract, unchanged", true, true}})
    {
        Round best{1e30, 0};
        double bestMemcmp = 1e30;
        for (int round = 0; round < 3; ++round)
        {
            const Round r = CompareAll(pairs, c.Extract, c.Unchanged);
            if (r.Seconds < best.Seconds)
                best = r;
            bestMemcmp = std::min(bestMemcmp, MemcmpAll(pairs, c.Unchanged, sink));
        }
        const double bytes = double(c.Unchanged ? oldBytes : newBytes) / 1e6;
        const double speed = bytes / best.Seconds;
        const double memcmpSpeed = bytes / std::max(bestMemcmp, 1e-9);
        std::printf("%-22s %10.1f %10zu %12.1f %8.4f\n", c.Name, speed, best.Changed, memcmpSpeed, speed / memcmpSpeed);
    }
    return sink == -1 ? 2 : 0;
}
