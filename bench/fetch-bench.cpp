// Fetch benchmark: the retrieval engine (FetchDriver, as rvfetch uses it)
// beside curl --parallel on the same pages from the same local nginx.
//
// The bench writes PAGES generated HTML pages (2 to 20 KB each) into a temp
// folder, starts nginx on a free loopback port, and for 1, 4 and 20
// connections fetches every page with
//   - the engine, storing each page into a scratch archive ("rv+archive"),
//   - the engine, only counting the pages ("rv"), to separate fetching from
//     storing,
//   - curl --parallel --parallel-max N, HTTP/1.1 with connection reuse
//     ("curl"), and with --http1.0, one connection per page as the engine
//     does ("curl 1.0").
// Every run is a child process of its own (forked, and for curl exec'd);
// its CPU time (user + system) and peak resident memory come from wait4,
// its wall time from the parent. Ratios are against the "curl" line of the
// same connection count. Every run must bring back every page with the
// right number of body bytes, or the line says so.
//
// Then it shows that waiting costs no CPU: a scripted server accepts 20
// connections and never answers; the engine waits on them for a few
// seconds, and the CPU time it used meanwhile is printed.
//
// Usage: fetch-bench [PAGES [ROUNDS]]   (default 5000 pages, 1 round; with
// several rounds each line keeps its fastest round). Exits non-zero when a
// run did not bring back every page complete.
#include "client/engine/internal/fetch-driver.h"
#include "client/pages/http-response.h"
#include "store/archive-writer.h"
#include "tests/support/nginx-server.h"
#include "tests/support/origin-server.h"
#include "tests/support/sandbox.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{

namespace fs = std::filesystem;

// What a child run reports back through its pipe.
struct ChildReport
{
    int ok = 0;
    int failed = 0;
    int finished = 0;
    std::uint64_t bodyBytes = 0;
    double waitCpuSeconds = 0;
    long waitSwitches = 0;
    double waitSeconds = 0;
};

struct RunFigures
{
    ChildReport report;
    double wallSeconds = 0;
    double cpuSeconds = 0;
    long peakKiB = 0;
    bool exitedCleanly = false;
};

double Seconds(const timeval& t)
{
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

double ProcessCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// Pages of 2 to 20 KB: a head, paragraphs of words and links to other pages,
// the same for a given seed on every run.
std::uint64_t WriteSite(const fs::path& root, int pages, std::vector<std::string>& names)
{
    static const char* const words[] = {"archive", "brief",  "page",   "river", "signal",  "window", "garden",
                                        "harbour", "letter", "market", "orbit", "lantern", "meadow", "copper"};
    std::mt19937 random(20240601);
    std::uint64_t total = 0;
    fs::create_directories(root / "p");
    for (int i = 0; i < pages; ++i)
    {
        std::size_t target = 2048 + random() % (20 * 1024 - 2048 + 1);
        std::string html = "<!DOCTYPE html>\n<html><head><title>Page " + std::to_string(i) +
                           "</title></head>\n<body>\n<h1>Page " + std::to_string(i) + "</h1>\n";
        while (html.size() + 16 < target)
        {
            html += "<p>";
            for (int w = 0; w < 40 && html.size() + 16 < target; ++w)
            {
                if (random() % 12 == 0)
                    html += "<a href=\"/p/" + std::to_string(random() % unsigned(pages)) + ".html\">";
                html += words[random() % std::size(words)];
                html += ' ';
            }
            html += "</p>\n";
        }
        html += "</body></html>\n";
        html.resize(target, '\n');
        std::string name = std::to_string(i) + ".html";
        rv::test::WriteFile(root / "p" / name, html);
        names.push_back(name);
        total += html.size();
    }
    return total;
}

void StoreInArchive(rv::TKSDB& archive, rv::RetrievalRequest& request)
{
    std::string_view body = request.Data.View();
    if (!body.empty())
        body.remove_suffix(1); // the closing 0 byte
    archive.BeginPage(request.URL, request.ContentType, &request.Redirects, 0, request.URL, 0);
    archive.Append(body);
    archive.EndPage();
}

// Body bytes received: what follows the header's blank line.
std::uint64_t BodyBytes(const rv::RetrievalRequest& request)
{
    std::string_view received = request.Data.View();
    if (!received.empty())
        received.remove_suffix(1); // the closing 0 byte
    rv::ResponseHead head;
    if (rv::FindHeaderEnd(received, head) != rv::ParseStatus::Ok)
        return 0;
    return received.size() - head.BodyOffset;
}

// Runs `body` in a forked child that reports through a pipe. The parent
// stays single-threaded, so forking is safe; each child builds its own
// QCoreApplication.
template <typename Body> RunFigures RunInChild(Body body)
{
    int fds[2];
    if (::pipe(fds) != 0)
        std::exit(1);
    auto start = std::chrono::steady_clock::now();
    pid_t pid = ::fork();
    if (pid == 0)
    {
        ::close(fds[0]);
        ChildReport report = body();
        ssize_t written = ::write(fds[1], &report, sizeof report);
        std::_Exit(written == sizeof report ? 0 : 1);
    }
    ::close(fds[1]);
    RunFigures figures;
    ssize_t got = ::read(fds[0], &figures.report, sizeof figures.report);
    ::close(fds[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    figures.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    figures.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    figures.peakKiB = usage.ru_maxrss;
    figures.exitedCleanly = got == sizeof figures.report && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return figures;
}

struct Site
{
    fs::path folder;
    std::string base; // "http://127.0.0.1:PORT/p/"
    std::vector<std::string> names;
    std::uint64_t bytes = 0;
};

RunFigures RunEngine(const Site& site, int connections, bool store)
{
    return RunInChild(
        [&]
        {
            int argc = 1;
            char name[] = "fetch-bench";
            char* argv[] = {name, nullptr};
            QCoreApplication app(argc, argv);
            rv::RetrievalSettings settings;
            settings.ProgramFolder = site.folder / "engine-temp";
            fs::create_directories(settings.ProgramFolder);
            rv::TKSDB archive;
            if (store && !archive.Open(site.folder / "scratch.rvd", "fetch-bench"))
                return ChildReport{};
            rv::FetchDriver driver(settings, connections);
            for (const std::string& page : site.names)
                driver.Add(rv::FetchDriver::MakeRequest(site.base + page));
            ChildReport report;
            report.finished = driver.Run(std::chrono::minutes(30),
                                         [&](rv::RetrievalRequest& request)
                                         {
                                             (request.Success ? report.ok : report.failed) += 1;
                                             report.bodyBytes += BodyBytes(request);
                                             if (store)
                                                 StoreInArchive(archive, request);
                                         });
            if (store)
                archive.Close();
            return report;
        });
}

// The body bytes curl reported, one "%{size_download}" line per page.
std::uint64_t ReportedBytes(const fs::path& file, int& pages)
{
    std::ifstream sizes(file);
    std::uint64_t bytes = 0;
    pages = 0;
    for (std::uint64_t size = 0; sizes >> size; ++pages)
        bytes += size;
    return bytes;
}

// curl writes every body to /dev/null (the list gives each address that
// output) and one line with its size to `sizes`.
RunFigures RunCurl(const Site& site, int connections, bool http10)
{
    fs::path sizes = site.folder / "curl-sizes.txt";
    std::vector<std::string> arguments = {"/usr/bin/curl",
                                          "--silent",
                                          "--show-error",
                                          "--no-progress-meter",
                                          "--parallel",
                                          "--parallel-max",
                                          std::to_string(connections),
                                          "--write-out",
                                          "%{size_download}\\n"};
    if (http10)
        arguments.push_back("--http1.0");
    arguments.push_back("--config");
    arguments.push_back((site.folder / "curl-urls.txt").string());
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    RunFigures figures;
    auto start = std::chrono::steady_clock::now();
    // fork and exec rather than posix_spawn: a vfork child would inherit
    // this process's peak resident size as its own ru_maxrss.
    pid_t pid = ::fork();
    if (pid == 0)
    {
        int fd = ::open(sizes.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::dup2(fd, STDOUT_FILENO) < 0)
            std::_Exit(127);
        ::execv(argv[0], argv.data());
        std::_Exit(127);
    }
    if (pid < 0)
        return figures;
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    figures.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    figures.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    figures.peakKiB = usage.ru_maxrss;
    figures.exitedCleanly = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    figures.report.bodyBytes = ReportedBytes(sizes, figures.report.ok);
    figures.report.finished = 1;
    return figures;
}

// Keeps the faster of two rounds of the same line.
void KeepFastest(RunFigures& best, const RunFigures& round, bool first)
{
    if (first || round.wallSeconds < best.wallSeconds)
        best = round;
}

bool PrintLine(int connections, const char* program, const Site& site, const RunFigures& run, const RunFigures& curl)
{
    double rate = double(run.report.ok) / run.wallSeconds;
    double curlRate = double(curl.report.ok) / curl.wallSeconds;
    bool complete = run.exitedCleanly && run.report.finished && run.report.ok == int(site.names.size()) &&
                    run.report.bodyBytes == site.bytes;
    std::printf("%3d  %-11s %6d %9.0f %8.2f %9.1f %8.2f %7.2f %7.2f%s\n", connections, program, run.report.ok, rate,
                run.cpuSeconds, double(run.peakKiB) / 1024.0, rate / curlRate, run.cpuSeconds / curl.cpuSeconds,
                double(run.peakKiB) / double(curl.peakKiB), complete ? "" : "  INCOMPLETE");
    if (!complete)
        std::printf("     (%d failed, %s, %llu of %llu body bytes)\n", run.report.failed,
                    run.report.finished ? "finished" : "unfinished", (unsigned long long)run.report.bodyBytes,
                    (unsigned long long)site.bytes);
    return complete;
}

// The engine waits on connections that never answer: one second to connect
// them, then `seconds` of waiting, measured on the process's own CPU clock.
void MeasureWaiting(const fs::path& folder, int connections, int seconds)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return;
    // The stalled server runs in a process of its own, so its accept loop is
    // not counted as the engine's CPU time.
    pid_t server = ::fork();
    if (server == 0)
    {
        ::close(fds[0]);
        rv::test::OriginServer stalled({rv::test::OriginReply{"", true, false}});
        std::uint16_t port = stalled.Port();
        if (::write(fds[1], &port, sizeof port) != sizeof port)
            std::_Exit(1);
        for (;;)
            ::pause();
    }
    ::close(fds[1]);
    std::uint16_t port = 0;
    if (::read(fds[0], &port, sizeof port) != sizeof port)
        port = 0;
    ::close(fds[0]);

    RunFigures run = RunInChild(
        [&]
        {
            int argc = 1;
            char name[] = "fetch-bench";
            char* argv[] = {name, nullptr};
            QCoreApplication app(argc, argv);
            rv::RetrievalSettings settings;
            settings.ProgramFolder = folder / "engine-temp";
            fs::create_directories(settings.ProgramFolder);
            rv::FetchDriver driver(settings, connections);
            for (int i = 0; i < connections; ++i)
                driver.Add(rv::FetchDriver::MakeRequest("http://127.0.0.1:" + std::to_string(port) + "/" + std::to_string(i)));
            driver.Run(std::chrono::seconds(1), [](rv::RetrievalRequest&) {});
            ChildReport report;
            rusage before{};
            ::getrusage(RUSAGE_SELF, &before);
            double cpuBefore = ProcessCpuSeconds();
            auto start = std::chrono::steady_clock::now();
            driver.Run(std::chrono::seconds(seconds), [&](rv::RetrievalRequest&) { ++report.ok; });
            report.waitSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            report.waitCpuSeconds = ProcessCpuSeconds() - cpuBefore;
            rusage after{};
            ::getrusage(RUSAGE_SELF, &after);
            report.waitSwitches = (after.ru_nvcsw - before.ru_nvcsw) + (after.ru_nivcsw - before.ru_nivcsw);
            report.finished = int(driver.Worker().TransfersUnderWay());
            return report;
        });
    ::kill(server, SIGKILL);
    ::waitpid(server, nullptr, 0);

    const ChildReport& r = run.report;
    std::printf("\nWaiting: %d connections to a server that never answers, %d still open after %.1f s of waiting\n",
                connections, r.finished, r.waitSeconds);
    std::printf("  CPU time while waiting: %.4f s (%.3f%% of one core), %ld context switches, %d pages ended\n",
                r.waitCpuSeconds, 100.0 * r.waitCpuSeconds / r.waitSeconds, r.waitSwitches, r.ok);
}

} // namespace

int main(int argc, char** argv)
{
    int pages = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;
    int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;

    char pattern[] = "/tmp/fetch-bench-XXXXXX";
    if (!::mkdtemp(pattern))
        return 1;
    Site site;
    site.folder = pattern;
    bool allComplete = true;
    site.bytes = WriteSite(site.folder / "nginx" / "www", pages, site.names);
    {
        rv::test::NginxServer nginx(site.folder / "nginx", "");
        if (!nginx.Running())
        {
            std::fprintf(stderr, "fetch-bench: nginx did not start (see %s)\n", site.folder.c_str());
            return 1;
        }
        site.base = "http://127.0.0.1:" + std::to_string(nginx.Port()) + "/p/";
        {
            std::ofstream list(site.folder / "curl-urls.txt");
            for (const std::string& page : site.names)
                list << "url = \"" << site.base << page << "\"\noutput = \"/dev/null\"\n";
        }
        rusage self{};
        ::getrusage(RUSAGE_SELF, &self);
        std::printf("%d pages, %.1f MB of HTML, from nginx on 127.0.0.1:%u; %d round(s), fastest kept\n", pages,
                    double(site.bytes) / 1e6, nginx.Port(), rounds);
        std::printf("(this process peaks at %.1f MiB; each run is forked from it and starts with its private pages)\n\n",
                    double(self.ru_maxrss) / 1024.0);
        std::printf("  N  program      pages   pages/s    cpu s  peak MiB   rate x   cpu x   mem x\n");
        for (int connections : {1, 4, 20})
        {
            RunFigures curl, curl10, engine, stored;
            for (int round = 0; round < rounds; ++round)
            {
                KeepFastest(curl, RunCurl(site, connections, false), round == 0);
                KeepFastest(curl10, RunCurl(site, connections, true), round == 0);
                KeepFastest(engine, RunEngine(site, connections, false), round == 0);
                KeepFastest(stored, RunEngine(site, connections, true), round == 0);
                fs::remove(site.folder / "scratch.rvd");
            }
            allComplete &= PrintLine(connections, "curl", site, curl, curl);
            allComplete &= PrintLine(connections, "curl 1.0", site, curl10, curl);
            allComplete &= PrintLine(connections, "rv", site, engine, curl);
            allComplete &= PrintLine(connections, "rv+archive", site, stored, curl);
            std::fflush(stdout);
        }
    }
    MeasureWaiting(site.folder, 20, 4);
    fs::remove_all(site.folder);
    return allComplete ? 0 : 1;
}
