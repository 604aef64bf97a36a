// Feeds arbitrary bytes through the whole page pipeline as the body of a
// received HTML page: working copy, base address, head copy, the scan with
// its rewriting, the link policy with its cache and index records, the
// FrameHead page and the queueing of followed links, into a real archive.
// The first byte picks the entry's options; the rest is the page.
//
// Checks: nothing crashes or hangs; the stored page (measured by a second
// scan into no archive) stays within a small multiple of the input, the
// worst case being an address made of characters that each need a
// character reference.
#include "client/briefs/brief.h"
#include "client/briefs/web-page.h"
#include "client/pages/link-policy.h"
#include "client/pages/page-output.h"
#include "client/pages/page-processing.h"
#include "client/pages/page-scan.h"
#include "client/pages/run-observer.h"
#include "client/pages/working-copy.h"
#include "store/archive-writer.h"
#include "store/link-cache.h"
#include "store/site-map.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>
#include <unistd.h>

namespace
{

// The archive is started afresh after this many pages, so that it never
// nears the 2 GB its offsets can address.
constexpr int PagesPerArchive = 2000;

// Output per input byte: ":" in an address becomes "&amp;colon;".
constexpr std::size_t MaxGrowth = 12;
constexpr std::size_t MaxOverhead = 131072;

struct Run
{
    Run()
    {
        folder = std::filesystem::temp_directory_path() / ("rv-page-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        settings.ProgramFolder = folder;
        queue = std::make_unique<rv::TRetrievalList>(lock, folder);
        brief.BriefName = "Fuzz";
        run.Brief = &brief;
        context =
            std::make_unique<rv::PageContext>(rv::PageContext{state, settings, *queue, observer, buffers, run, {}, {}, {}});
        Renew();
    }
    ~Run()
    {
        run.IndexDB.reset();
        run.Cache.reset();
        run.SiteMap.reset();
        queue.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    void Renew()
    {
        if (run.IndexDB)
            run.IndexDB->Close();
        run.ArchivePath = folder / "fuzz.rvd";
        run.IndexDB = std::make_unique<rv::TKSDB>();
        run.IndexDB->Open(run.ArchivePath, "Fuzz");
        run.Cache = std::make_unique<rv::TCache>(folder, lock);
        if (run.SiteMap)
            run.SiteMap->Destroy();
        run.SiteMap = std::make_unique<rv::TSiteMap>(run.ArchivePath);
        queue->Clear();
        pages = 0;
    }

    std::filesystem::path folder;
    rv::RunLock lock;
    rv::RunState state;
    rv::RetrievalSettings settings;
    std::unique_ptr<rv::TRetrievalList> queue;
    rv::RunObserver observer;
    rv::RunBuffers buffers;
    rv::BriefRun run;
    rv::TBrief brief;
    std::unique_ptr<rv::PageContext> context;
    int pages = 0;
};

void Configure(rv::TWebPage& entry, std::uint8_t options)
{
    entry.URL = "http://h.example/d/p.html";
    entry.Images = options & 0x01;
    entry.Frames = options & 0x02;
    entry.Applets = options & 0x04;
    entry.PlugIns = entry.ActiveX = options & 0x08;
    entry.LocalOnly = options & 0x10;
    entry.StayInSubdir = options & 0x20;
    entry.ExclusionLists = options & 0x40;
    entry.ExList = {"\x01"
                    "Ccgi\x01GH"};
    entry.InList = {"*.gif\x01I"};
    entry.SpiderDepth = 1 + (options >> 7) * 2;
    entry.ExternalDepth = 1;
}

// The stored size of the page, scanned into no archive.
std::size_t ScannedSize(std::string_view body, const rv::TWebPage& entry, rv::RetrievalRequest& request)
{
    std::string copy;
    rv::MakeWorkingCopy(body, copy);
    rv::PolicyPage page;
    page.Entry = &entry;
    page.Request = &request;
    page.Address = "h.example/d/p.html";
    page.Remaining = 2;
    rv::LinkPolicy policy(page, nullptr, nullptr);
    rv::PageOutput out(nullptr, body);
    rv::PageScan scan(body, copy, out, policy, entry, page.Address);
    scan.TakeBaseAddress();
    scan.CopyHead(entry.Frames, 0);
    scan.Scan({});
    return out.Written();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Run run;
    if (size == 0)
        return 0;
    if (++run.pages > PagesPerArchive)
        run.Renew();
    rv::TWebPage entry;
    Configure(entry, data[0]);
    const std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);

    rv::RetrievalRequest request;
    request.URL = "h.example/d/p.html";
    request.Data.Write(body);
    request.Data.Write("\0", 1);
    request.Success = request.BodyReady = 1;
    request.Entry = &entry;
    request.Brief = &run.brief;
    request.Cache = run.run.Cache.get();
    request.IndexDB = run.run.IndexDB.get();
    request.TopLink = request.EntryURL = entry.URL;
    request.Depth = entry.SpiderDepth;
    request.RequestId = "0";
    rv::ProcessPage(*run.context, request);
    if (run.run.IndexDB->IsPageOpen())
        __builtin_trap();
    run.queue->Clear();

    if (ScannedSize(body, entry, request) > MaxGrowth * body.size() + MaxOverhead)
        __builtin_trap();
    return 0;
}
