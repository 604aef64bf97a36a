// A byte stream -> the connection's reading half (TRequestReader) and the
// whole dispatch behind it, fed in pieces of varying size as a socket would
// hand them over. The first byte picks the display switches, the second the
// sizes of the pieces. Requests follow one another while the connection is
// kept. Traps when the reader answers a request whose header it did not see
// whole, serves one whose Host fails the check, or keeps a connection open
// after a refusal.
#include "server/connection.h"
#include "server/http-request.h"
#include "server/request-dispatcher.h"
#include "store/archive-writer.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace
{

const std::filesystem::path FuzzDir = "/tmp/rv-connection-fuzz";

void MakeArchive()
{
    std::filesystem::create_directories(FuzzDir / "images");
    std::ofstream(FuzzDir / "images" / "diff.gif", std::ios::binary) << "GIF89a";
    rv::TKSDB store;
    store.Open(FuzzDir / "News.rvd", "News");
    store.BeginPage("index", "text/html", nullptr, 0, "Caption", -1);
    store.Append(std::string_view("<html>summary</html>"));
    store.EndPage();
    store.BeginPage("www.x.com&colon;8080/page", "text/html", nullptr, 0xb7, "Caption", 2);
    store.Append(std::string_view("<html><body>body</body></html>"));
    store.EndPage();
    store.AddTooDeep("www.far.com&colon;81/<deep>", "C", 2, 0);
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
    if (size < 2 || size > 2 * rv::MaxRequestBytes)
        return 0;
    rv::ServerSettings settings;
    settings.displayHeader = data[0] & 1;
    settings.displayWarning = data[0] & 2;
    const unsigned pieces = data[1];
    const std::string_view stream(reinterpret_cast<const char*>(data + 2), size - 2);

    bool answered = false;
    rv::TRequestReader reader(
        [&](std::string_view request)
        {
            answered = true;
            // The reader hands over exactly one whole header.
            if (rv::CharFindEndOfHTTPHeader(request) != request.size() || request.size() > rv::MaxRequestBytes)
                __builtin_trap();
            rv::SharedAnswer answer = dispatcher.Answer(request, settings);
            if (answer && answer->starts_with("HTTP/1.0 200") && !rv::HostAllowed(request))
                __builtin_trap();
            return answer;
        });
    // Takes every answer that is ready, going on to the next request while
    // the connection is kept.
    rv::SharedAnswer first;
    bool firstTaken = false;
    auto settle = [&]
    {
        while (reader.State() == rv::TRequestReader::Status::Answer)
        {
            const rv::SharedAnswer answer = reader.TakeAnswer();
            if (!firstTaken)
                first = answer;
            firstTaken = true;
            if (!reader.KeepAlive())
                return;
            if (!answer || !(answer->starts_with("HTTP/1.0 200") || answer->starts_with("HTTP/1.0 302") ||
                             answer->starts_with("HTTP/1.0 404")))
                __builtin_trap();
            reader.Next();
        }
    };
    std::size_t at = 0;
    for (unsigned n = 0; at < stream.size(); ++n)
    {
        const std::size_t length = pieces == 0 ? stream.size() : 1 + (pieces * (n + 1) * 7919u) % (pieces + 1u);
        reader.Feed(stream.substr(at, length));
        at += length;
        settle();
    }
    const std::string_view kept = stream.substr(0, rv::MaxRequestBytes);
    const bool whole = rv::CharFindEndOfHTTPHeader(kept).has_value();
    if (whole != answered)
        __builtin_trap();
    if (!whole && stream.size() >= rv::MaxRequestBytes && !(first && first->starts_with("HTTP/1.0 431 ")))
        __builtin_trap();
    return 0;
}
