// Link cache benchmark: TCache (bounded memory, spill file on disk) beside
// std::unordered_map holding every record in memory.
//
// For each size, each side runs in a child process of its own, so that its
// peak resident memory (ru_maxrss) is its own. URLs are made from their index
// on the fly (hosts, path depths and queries vary), so no list of them takes
// memory. Phases: add every URL, find every URL, find as many absent URLs,
// put every URL back with changed fields, add one redirect for every tenth
// URL and find every URL through its redirect.
//
// Times are CPU time (user + system) per operation.
//
// Usage: link-cache-bench [SIZE ...]   (default 10000 100000)
#include "store/link-cache.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace
{

// CPU time of this process (user and system): the machines that run this
// are shared, and wall time would measure the neighbours too.
struct Clock
{
    using duration = std::chrono::nanoseconds;
    using time_point = std::chrono::time_point<Clock, duration>;
    static time_point now()
    {
        timespec now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return time_point(std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec));
    }
};

struct Figures
{
    double addMicros = 0;
    double findMicros = 0;
    double missMicros = 0;
    double putMicros = 0;
    double forwardMicros = 0;
    long peakKiB = 0;
    long baseKiB = 0;
    std::int64_t spillAfterAdds = 0;
    std::int64_t spillAfterPuts = 0;
    std::int64_t spillLive = 0;
    std::int64_t failures = 0;
};

std::uint64_t Mix(std::uint64_t x)
{
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    return x ^ (x >> 33);
}

// A realistic address: a few hundred hosts of varied shape, one to five
// path segments, sometimes a file name or a query.
std::string UrlOf(std::uint64_t index)
{
    static const char* const words[] = {"news",  "archive", "2024",    "products", "docs",  "en",     "blog",
                                        "users", "images",  "article", "sport",    "world", "search", "help"};
    static const char* const tlds[] = {".com", ".org", ".net", ".co.uk", ".de"};
    const std::uint64_t h = Mix(index);
    std::string url = (h & 1) ? "www." : "";
    url += "site" + std::to_string(h % 397) + tlds[(h >> 9) % 5];
    const int depth = 1 + static_cast<int>((h >> 12) % 5);
    for (int d = 0; d < depth; ++d)
    {
        url += '/';
        url += words[(h >> (16 + 3 * d)) % 14];
    }
    url += '/' + std::to_string(index);
    switch ((h >> 40) % 4)
    {
    case 0:
        url += ".html";
        break;
    case 1:
        url += "/index.php?id=" + std::to_string(h % 100000) + "&lang=en";
        break;
    default:
        url += '/';
        break;
    }
    return url;
}

std::string AbsentUrlOf(std::uint64_t index)
{
    return UrlOf(index) + "#absent";
}

std::string RedirectOf(std::uint64_t index)
{
    return "go.example.com/r?" + std::to_string(index);
}

long PeakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

template <typename F> double MicrosPer(std::size_t count, F&& body)
{
    const auto start = Clock::now();
    body();
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / static_cast<double>(count);
}

Figures RunCache(std::size_t count, const std::filesystem::path& folder)
{
    Figures f;
    f.baseKiB = PeakKiB();
    rv::RunLock lock;
    rv::TCache cache(folder, lock);
    f.addMicros = MicrosPer(count,
                            [&]
                            {
                                for (std::size_t i = 0; i < count; ++i)
                                {
                                    const std::string url = UrlOf(i);
                                    cache.Add({.url = url, .title = url, .visited = 1, .level = 2});
                                }
                            });
    f.spillAfterAdds = cache.SpillEnd();
    f.findMicros = MicrosPer(count,
                             [&]
                             {
                                 for (std::size_t i = 0; i < count; ++i)
                                 {
                                     f.failures += cache.Find(UrlOf(i)) ? 0 : 1;
                                 }
                             });
    f.missMicros = MicrosPer(count,
                             [&]
                             {
                                 for (std::size_t i = 0; i < count; ++i)
                                 {
                                     f.failures += cache.Contains(AbsentUrlOf(i)) ? 1 : 0;
                                 }
                             });
    Clock::duration putTime{};
    for (std::size_t i = 0; i < count; ++i)
    {
        auto record = cache.Find(UrlOf(i));
        record->Title = "Stored page " + std::to_string(i);
        record->Visited = 1;
        const auto start = Clock::now();
        f.failures += cache.Put(std::move(record)) ? 0 : 1;
        putTime += Clock::now() - start;
    }
    f.putMicros = std::chrono::duration<double, std::micro>(putTime).count() / static_cast<double>(count);
    f.spillAfterPuts = cache.SpillEnd();
    for (std::size_t i = 0; i < count; i += 10)
    {
        cache.Add({.url = RedirectOf(i), .forwardTo = UrlOf(i), .level = 1});
    }
    f.forwardMicros = MicrosPer(count / 10,
                                [&]
                                {
                                    for (std::size_t i = 0; i < count; i += 10)
                                    {
                                        auto found = cache.Find(RedirectOf(i));
                                        f.failures += found && found->Url == UrlOf(i) ? 0 : 1;
                                    }
                                });
    f.spillLive = cache.SpillEnd() - cache.GarbageBytes();
    f.peakKiB = PeakKiB();
    return f;
}

Figures RunMap(std::size_t count)
{
    Figures f;
    f.baseKiB = PeakKiB();
    std::unordered_map<std::string, rv::TPageRecord> map;
    f.addMicros = MicrosPer(count,
                            [&]
                            {
                                for (std::size_t i = 0; i < count; ++i)
                                {
                                    std::string url = UrlOf(i);
                                    rv::TPageRecord record;
                                    record.Title = url;
                                    record.Visited = 1;
                                    record.Level = 2;
                                    record.Url = url;
                                    map.insert_or_assign(std::move(url), std::move(record));
                                }
                            });
    f.findMicros = MicrosPer(count,
                             [&]
                             {
                                 for (std::size_t i = 0; i < count; ++i)
                                 {
                                     auto it = map.find(UrlOf(i));
                                     auto copy = it != map.end() ? std::make_unique<rv::TPageRecord>(it->second) : nullptr;
                                     f.failures += copy ? 0 : 1;
                                 }
                             });
    f.missMicros = MicrosPer(count,
                             [&]
                             {
                                 for (std::size_t i = 0; i < count; ++i)
                                 {
                                     f.failures += map.contains(AbsentUrlOf(i)) ? 1 : 0;
                                 }
                             });
    Clock::duration putTime{};
    for (std::size_t i = 0; i < count; ++i)
    {
        auto record = std::make_unique<rv::TPageRecord>(map.at(UrlOf(i)));
        record->Title = "Stored page " + std::to_string(i);
        record->Visited = 1;
        const auto start = Clock::now();
        auto it = map.find(record->Url);
        if (it != map.end())
        {
            it->second = std::move(*record);
        }
        putTime += Clock::now() - start;
    }
    f.putMicros = std::chrono::duration<double, std::micro>(putTime).count() / static_cast<double>(count);
    for (std::size_t i = 0; i < count; i += 10)
    {
        rv::TPageRecord record;
        record.Url = RedirectOf(i);
        record.ForwardTo = UrlOf(i);
        map.insert_or_assign(RedirectOf(i), std::move(record));
    }
    f.forwardMicros = MicrosPer(count / 10,
                                [&]
                                {
                                    for (std::size_t i = 0; i < count; i += 10)
                                    {
                                        auto it = map.find(RedirectOf(i));
                                        while (it != map.end() && !it->second.ForwardTo.empty())
                                        {
                                            it = map.find(it->second.ForwardTo);
                                        }
                                        f.failures += it != map.end() && it->second.Url == UrlOf(i) ? 0 : 1;
                                    }
                                });
    f.peakKiB = PeakKiB();
    return f;
}

// Runs `body` in a child process and returns what it measured.
template <typename F> Figures InChild(F&& body)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
    {
        std::perror("pipe");
        std::exit(1);
    }
    const pid_t child = fork();
    if (child == 0)
    {
        close(pipeFds[0]);
        Figures f = body();
        const bool ok = write(pipeFds[1], &f, sizeof f) == static_cast<ssize_t>(sizeof f);
        _exit(ok ? 0 : 1);
    }
    close(pipeFds[1]);
    Figures f;
    const bool ok = read(pipeFds[0], &f, sizeof f) == static_cast<ssize_t>(sizeof f);
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!ok || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    {
        std::fprintf(stderr, "a measuring process failed\n");
        std::exit(1);
    }
    return f;
}

double Ratio(double a, double b)
{
    return b > 0 ? a / b : 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::size_t> sizes;
    for (int n = 1; n < argc; ++n)
    {
        sizes.push_back(static_cast<std::size_t>(std::strtoull(argv[n], nullptr, 10)));
    }
    if (sizes.empty())
    {
        sizes = {10000, 100000};
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "rvbench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
    {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path folder = pattern;
    int failures = 0;
    for (const std::size_t count : sizes)
    {
        const Figures cache = InChild([&] { return RunCache(count, folder); });
        const Figures map = InChild([&] { return RunMap(count); });
        std::printf("%zu distinct URLs (+%zu redirects)\n", count, count / 10);
        std::printf("  %-26s %12s %14s %8s\n", "", "TCache", "unordered_map", "ratio");
        auto row = [](const char* name, double a, double b)
        { std::printf("  %-26s %12.2f %14.2f %8.1f\n", name, a, b, Ratio(a, b)); };
        row("add, us CPU", cache.addMicros, map.addMicros);
        row("find (copy), us CPU", cache.findMicros, map.findMicros);
        row("find absent, us CPU", cache.missMicros, map.missMicros);
        row("put, us CPU", cache.putMicros, map.putMicros);
        row("find via redirect, us CPU", cache.forwardMicros, map.forwardMicros);
        row("peak memory growth, MiB", static_cast<double>(cache.peakKiB - cache.baseKiB) / 1024,
            static_cast<double>(map.peakKiB - map.baseKiB) / 1024);
        std::printf("  spill file: %.1f MiB after adds, %.1f MiB after puts, %.1f MiB live at the end\n",
                    static_cast<double>(cache.spillAfterAdds) / 1048576, static_cast<double>(cache.spillAfterPuts) / 1048576,
                    static_cast<double>(cache.spillLive) / 1048576);
        std::printf("  lookups that went wrong: TCache %lld, unordered_map %lld\n\n", static_cast<long long>(cache.failures),
                    static_cast<long long>(map.failures));
        std::fflush(stdout);
        failures += static_cast<int>(cache.failures + map.failures);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return failures == 0 ? 0 : 1;
}
