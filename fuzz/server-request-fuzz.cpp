// Request bytes -> the request grammar, the Host check and the whole
// dispatch, against one real archive in a fixed folder (so that seeds can
// name it) and an images folder. The first byte picks the display switches.
#include "server/http-request.h"
#include "server/request-dispatcher.h"
#include "store/archive-writer.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace
{

const std::filesystem::path FuzzDir = "/tmp/rv-server-fuzz";

void MakeArchive()
{
    std::filesystem::create_directories(FuzzDir / "images");
    std::ofstream(FuzzDir / "images" / "diff.gif", std::ios::binary) << "GIF89a";
    rv::TKSDB store;
    store.Open(FuzzDir / "News.rvd", "News");
    auto page =
        [&](const char* url, const char* head, const char* body, std::uint8_t flags, std::int16_t number, const char* type)
    {
        store.BeginPage(url, type, nullptr, flags, "Caption", number);
        store.Append(std::string_view(head));
        store.MarkHead(std::string_view(head).size());
        store.Append(std::string_view(body));
        store.EndPage();
    };
    page("index", "", "<html>summary</html>", 0, -1, "text/html");
    page("www.x.com/page", "<html><body>", "body</body></html>", 0xb7, 2, "text/html");
    page("www.x.com/frames", "<frameset>", "</frameset>", 0x34, 2, "text/html");
    page("www.x.com/t.txt", "", "text", 0x34, 2, "text/plain");
    page("FrameHead2", "", "<img src=x alt=\"Site Map\"><img ", 0x34, 2, "text/html");
    store.AddTooDeep("mailto:a@b.c?x=1&y", "C", 2, 0x20);
    store.AddExcluded("www.ads.com/&amp;x", "C", 2, 0x47);
    store.AddSkipped("ftp://f.com/", "C", {"x.com/y"}, 2, 0x10);
    store.Close();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static rv::OpenBriefList briefs;
    static rv::RequestDispatcher dispatcher = []
    {
        MakeArchive();
        return rv::RequestDispatcher(FuzzDir, briefs);
    }();
    if (size == 0)
        return 0;
    rv::ServerSettings settings;
    settings.displayHeader = data[0] & 1;
    settings.displayWarning = data[0] & 2;
    const std::string_view request(reinterpret_cast<const char*>(data + 1), size - 1);
    if (request.size() > rv::MaxRequestBytes)
        return 0;
    rv::HostAllowed(request);
    rv::CharFindEndOfHTTPHeader(request);
    rv::ParseRequest(request);
    dispatcher.Process(request, settings);
    return 0;
}
