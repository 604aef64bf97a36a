// Side-file bytes -> completing an archive that a killed run left without
// its index, then loading and serving the completed archive.
//
// The archive is made once per process by a real run that is killed with
// SIGKILL after storing its pages, refused links and site-map notes. Each
// input replaces that run's side files; its layout:
//
//   byte 0          bit 0: ".nd2" present, bit 1: ".ndx", bit 2: ".smp"
//   bytes 1..4      length of the ".nd2" bytes (little-endian, cut to what follows)
//   bytes 5..8      length of the ".ndx" bytes (likewise)
//   then            ".nd2" bytes, ".ndx" bytes, and the rest is ".smp"
//
// The seeds are the side files the killed run left, as they are and cut.
#include "server/archive-completion.h"
#include "server/request-dispatcher.h"
#include "store/archive-reader.h"
#include "store/archive-writer.h"
#include "store/site-map.h"

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

const std::filesystem::path FuzzDir = "/tmp/rv-completion-fuzz";
const std::filesystem::path Pristine = FuzzDir / "pristine";
const std::filesystem::path Work = FuzzDir / "work";

// Enough to reach every kind of record; a damaged index may name many.
constexpr std::size_t MaxServedRecords = 64;
constexpr std::size_t MaxPageBytes = std::size_t{1} << 20;

std::tm FixedTime()
{
    std::tm time{};
    time.tm_year = 99;
    time.tm_mon = 11;
    time.tm_mday = 7;
    time.tm_hour = 16;
    return time;
}

void StorePage(rv::TKSDB& store, const std::string& url, const std::string& head, const std::string& body, std::uint8_t flags,
               std::int16_t number)
{
    store.BeginPage(url, "text/html", nullptr, flags, "Caption", number);
    store.Append(head);
    store.MarkHead(head.size());
    store.Append(body);
    store.EndPage();
}

// What a run leaves when it is killed: pages, refused links (enough for one
// compressed block in ".ndx" and more in ".nd2") and site-map notes.
[[noreturn]] void RunAndDie(const std::filesystem::path& archive)
{
    rv::TKSDB store(FixedTime);
    rv::TSiteMap siteMap(archive);
    store.Open(archive, "Killed");
    StorePage(store, "index", "", "<html>summary</html>", 0, -1);
    siteMap.AddEntryNote("2");
    siteMap.AddEntryNote("3");
    StorePage(store, "www.x.com/", "<html><body>", "start <a href=\"a\">a</a></body></html>", 0x37, 2);
    siteMap.AddNote("Start", "www.x.com/", "2", "", 0);
    StorePage(store, "www.x.com/a", "<body>", "page a", 0x34, 2);
    siteMap.AddNote("Page A", "www.x.com/a", "2.0", "w1 w2", 1, "top");
    StorePage(store, "www.y.org/", "<body>", "third entry", 0x34, 3);
    siteMap.AddNote("Y", "www.y.org/", "3", "", 0);
    for (int i = 0; i < 400; ++i)
        store.AddTooDeep("www.x.com/deep/" + std::to_string(i), "Caption", 2, 0);
    store.AddExcluded("www.ads.com/x", "Caption", 2, 0);
    store.AddOutOfTree("www.x.com/../up", "Caption", 2, 0);
    store.AddSkipped("www.z.com/", "Caption", {"www.z.com/b"}, 3, 0);
    store.AddAlias("www.x.com/a", "www.x.com/a.html");
    siteMap.AddNote("Deep", "www.x.com/deep/1", "2.1", "", 0);
    std::raise(SIGKILL);
    _exit(1);
}

void MakeKilledRun()
{
    std::filesystem::remove_all(FuzzDir);
    std::filesystem::create_directories(Pristine);
    std::filesystem::create_directories(Work);
    std::filesystem::create_directories(FuzzDir / "images");
    const pid_t child = fork();
    if (child == 0)
        RunAndDie(Pristine / "Killed.rvd");
    int status = 0;
    waitpid(child, &status, 0);
}

void PutFile(const std::filesystem::path& path, bool present, std::string_view bytes)
{
    if (!present)
    {
        std::filesystem::remove(path);
        return;
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::size_t TakeLength(std::string_view& input)
{
    std::size_t length = 0;
    for (int i = 0; i < 4 && !input.empty(); ++i)
    {
        length |= std::size_t{static_cast<unsigned char>(input.front())} << (8 * i);
        input.remove_prefix(1);
    }
    return length;
}

// Reads every page of the completed archive and asks the server for some.
void ServeCompleted(rv::RequestDispatcher& dispatcher, const std::string& archiveName)
{
    rv::ServerSettings settings;
    settings.displayHeader = true;
    settings.displayWarning = true;
    dispatcher.Process("GET /" + archiveName + "/ HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n", settings);
    for (const char* page : {"TOC2", "Match2", "TOC3", "Match0", "2/www.x.com/a.html"})
        dispatcher.Process("GET /" + archiveName + "/" + page + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n", settings);
    try
    {
        const rv::ArchiveReader reader = rv::ArchiveReader::OpenFile(Work / "Killed.rvd");
        std::size_t served = 0;
        reader.ReadIndex(
            [&](rv::IndexRecord&& record)
            {
                if (served++ >= MaxServedRecords)
                    return;
                dispatcher.Process("GET /" + archiveName + "/" + std::to_string(record.Number) + "/" + record.Key +
                                       " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n",
                                   settings);
                reader.ForEachPageBlock(
                    record, [](std::string_view) {}, MaxPageBytes);
            });
    }
    catch (const rv::ArchiveError&)
    {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static rv::OpenBriefList briefs;
    static rv::RequestDispatcher dispatcher = []
    {
        MakeKilledRun();
        return rv::RequestDispatcher(FuzzDir, briefs);
    }();
    static const bool completing = []
    {
        dispatcher.SetCompleter(rv::CompleteArchive);
        return true;
    }();
    (void)completing;
    if (size == 0)
        return 0;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const unsigned present = static_cast<unsigned char>(input.front());
    input.remove_prefix(1);
    const std::size_t nd2Wanted = TakeLength(input);
    const std::size_t ndxWanted = TakeLength(input);
    const std::size_t nd2Length = std::min(nd2Wanted, input.size());
    const std::size_t ndxLength = std::min(ndxWanted, input.size() - nd2Length);

    briefs.Clear();
    std::filesystem::copy_file(Pristine / "Killed.rvd", Work / "Killed.rvd", std::filesystem::copy_options::overwrite_existing);
    PutFile(Work / "Killed.nd2", present & 1, input.substr(0, nd2Length));
    PutFile(Work / "Killed.ndx", present & 2, input.substr(nd2Length, ndxLength));
    PutFile(Work / "Killed.smp", present & 4, input.substr(nd2Length + ndxLength));
    ServeCompleted(dispatcher, (Work / "Killed.rvd").string().substr(1));
    return 0;
}
