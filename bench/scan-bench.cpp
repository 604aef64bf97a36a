// scan-bench: how fast a page is scanned and rewritten for the store,
// against a full HTML parse by libgumbo and a plain memcpy of the same
// bytes, with the store's block compression on the same bytes for scale.
//
//   scan-bench [FOLDER...]      default /usr/share/doc/python3-doc/html
//
// Every .html file under the folders is loaded once. Each measurement runs
// over all of them, at least three rounds and half a second, and keeps the
// fastest round; times are the CPU time of the measuring thread, because the
// machine is shared. The scan is the one page processing runs: working copy,
// base address, head copy and the pass over the tags with every address
// resolved, decided on by the link policy (with a link cache) and rewritten,
// written into an output that discards the bytes after counting them.
#include "client/briefs/web-page.h"
#include "client/pages/css-scan.h"
#include "client/pages/link-policy.h"
#include "client/pages/page-output.h"
#include "client/pages/page-scan.h"
#include "client/pages/retrieval-request.h"
#include "client/pages/style-sheet.h"
#include "client/pages/working-copy.h"
#include "store/link-cache.h"
#include "store/rv-comp.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gumbo.h>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace
{

constexpr int MinRounds = 3;
constexpr double MinSeconds = 0.5;
// Archive pages are compressed in blocks of this many plain bytes.
constexpr std::size_t BlockBytes = 20000;

struct Page
{
    std::string address; // store form, from the file's path
    std::string bytes;
};

double ThreadSeconds()
{
    timespec time{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) * 1e-9;
}

std::vector<Page> LoadPages(const std::vector<std::string>& folders)
{
    std::vector<Page> pages;
    for (const std::string& folder : folders)
        for (const auto& entry : std::filesystem::recursive_directory_iterator(
                 folder, std::filesystem::directory_options::follow_directory_symlink))
        {
            if (!entry.is_regular_file() || entry.path().extension() != ".html")
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            Page page;
            page.address = "docs.example" + entry.path().string().substr(folder.size());
            page.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            pages.push_back(std::move(page));
        }
    return pages;
}

// Seconds of the fastest round of `work` over all pages.
double Fastest(const std::function<void()>& work)
{
    double best = 1e30;
    double total = 0;
    for (int round = 0; round < MinRounds || total < MinSeconds; ++round)
    {
        const double start = ThreadSeconds();
        work();
        const double seconds = ThreadSeconds() - start;
        best = std::min(best, seconds);
        total += seconds;
    }
    return best;
}

std::size_t volatile Sink = 0;

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> folders;
    for (int i = 1; i < argc; ++i)
        folders.push_back(argv[i]);
    if (folders.empty())
        folders.push_back("/usr/share/doc/python3-doc/html");
    const std::vector<Page> pages = LoadPages(folders);
    std::size_t bytes = 0;
    for (const Page& page : pages)
        bytes += page.bytes.size();
    if (bytes == 0)
    {
        std::fprintf(stderr, "scan-bench: no HTML found\n");
        return 1;
    }
    const double megabytes = static_cast<double>(bytes) / 1e6;
    std::printf("%zu pages, %.1f MB\n", pages.size(), megabytes);

    std::string copy;
    const double memcpySeconds = Fastest(
        [&]
        {
            for (const Page& page : pages)
            {
                copy.resize(page.bytes.size());
                std::memcpy(copy.data(), page.bytes.data(), page.bytes.size());
                Sink = Sink + static_cast<unsigned char>(copy[copy.size() / 2]);
            }
        });

    const std::filesystem::path temp = std::filesystem::temp_directory_path();
    rv::RunLock lock;
    rv::TWebPage entry;
    entry.URL = "http://docs.example/index.html";
    entry.SpiderDepth = 3;
    entry.Images = true;
    std::size_t written = 0;
    std::size_t links = 0;
    // withCache: the policy asks a fresh link cache (every address is new
    // once per round), as a run does; without, only the scan and rewriting.
    auto scanAll = [&](bool withCache)
    {
        std::unique_ptr<rv::TCache> cache = withCache ? std::make_unique<rv::TCache>(temp, lock) : nullptr;
        written = 0;
        links = 0;
        for (const Page& page : pages)
        {
            rv::RetrievalRequest request;
            request.URL = page.address;
            request.TopLink = request.EntryURL = entry.URL;
            request.Depth = 3;
            request.Level = 1;
            rv::PolicyPage facts;
            facts.Entry = &entry;
            facts.Request = &request;
            facts.Address = page.address;
            facts.Remaining = 3;
            rv::LinkPolicy policy(facts, cache.get(), nullptr);
            rv::PageOutput out(nullptr, page.bytes);
            rv::MakeWorkingCopy(page.bytes, copy);
            rv::PageScan scan(page.bytes, copy, out, policy, entry, page.address);
            scan.TakeBaseAddress();
            scan.CopyHead(false, -1);
            scan.Scan({});
            out.Flush();
            written += out.Written();
            links += policy.Found().size();
        }
    };
    const double bareSeconds = Fastest([&] { scanAll(false); });
    const double scanSeconds = Fastest([&] { scanAll(true); });

    const double gumboSeconds = Fastest(
        [&]
        {
            for (const Page& page : pages)
            {
                GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, page.bytes.data(), page.bytes.size());
                Sink = Sink + (output->root != nullptr);
                gumbo_destroy_output(&kGumboDefaultOptions, output);
            }
        });

    // A style sheet of about 5 MB holding 100,000 url()s, every one in a
    // rule of its own, some quoted, some with escapes and comments between.
    constexpr std::size_t SheetUrls = 100000;
    std::string sheet;
    for (std::size_t n = 0; n < SheetUrls; ++n)
    {
        const std::string number = std::to_string(n);
        switch (n % 4)
        {
        case 0:
            sheet += ".c" + number + "{background:url(img/p" + number + ".png) no-repeat}\n";
            break;
        case 1:
            sheet += ".c" + number + "{background:url(\"../img/q" + number + ".jpg\");color:red}\n";
            break;
        case 2:
            sheet += "/*" + number + "*/.d" + number + "{src:url('f/a\\2c " + number + ".woff2')}\n";
            break;
        default:
            sheet += "@font-face{src:url(http://cdn.example/f" + number + ".woff)}\n";
        }
    }
    const double sheetMegabytes = static_cast<double>(sheet.size()) / 1e6;
    std::size_t sheetFound = 0;
    const double cssScanSeconds = Fastest([&] { sheetFound = rv::ScanCss(sheet).size(); });
    const double cssRewriteSeconds = Fastest(
        [&]
        {
            rv::RetrievalRequest request;
            request.URL = "docs.example/css/site.css";
            rv::PolicyPage facts;
            facts.Entry = &entry;
            facts.Request = &request;
            facts.Address = request.URL;
            rv::LinkPolicy policy(facts, nullptr, nullptr);
            const rv::StyleSheetPlace place{request.URL, "../../", 0};
            Sink = Sink + rv::RewriteStyleSheet(sheet, place, policy).size();
        });

    rv::ALHandle compressor = rv::newALPkCompressor(9, 15, 9);
    std::size_t compressed = 0;
    const double compressSeconds = Fastest(
        [&]
        {
            compressed = 0;
            for (const Page& page : pages)
                for (std::size_t at = 0; at < page.bytes.size(); at += BlockBytes)
                    if (auto block = rv::CompressBlock(compressor, std::string_view(page.bytes).substr(at, BlockBytes)))
                        compressed += block->size();
        });
    rv::deleteALCompressor(compressor);

    auto line = [&](const char* name, double seconds)
    { std::printf("%-28s %9.1f MB/s %8.2f x scan\n", name, megabytes / seconds, scanSeconds / seconds); };
    std::printf("%-28s %14s %13s\n", "work", "speed", "vs scan");
    line("memcpy", memcpySeconds);
    line("scan + rewrite", scanSeconds);
    line("  without the link cache", bareSeconds);
    line("gumbo full parse", gumboSeconds);
    line("store compression", compressSeconds);
    std::printf("style sheet of %.1f MB, %zu url()s found:\n", sheetMegabytes, sheetFound);
    std::printf("%-28s %9.1f MB/s\n", "  css scan", sheetMegabytes / cssScanSeconds);
    std::printf("%-28s %9.1f MB/s\n", "  css scan + rewrite", sheetMegabytes / cssRewriteSeconds);
    std::printf("scan/gumbo speed ratio: %.2f\n", gumboSeconds / scanSeconds);
    std::printf("stored bytes %.1f%% of received, %zu links queued, compressed to %.1f%%\n",
                100.0 * static_cast<double>(written) / static_cast<double>(bytes), links,
                100.0 * static_cast<double>(compressed) / static_cast<double>(bytes));
    return 0;
}
