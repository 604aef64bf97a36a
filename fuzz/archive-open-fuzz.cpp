// Archive and side-file bytes -> opening the archive the way the page
// server does on a first request: header and size checks, loading the
// index, completing an archive left without one, loading again.
//
// The input lays out the files of one archive "A.rvd" in a folder:
//
//   byte 0        bit 0: ".nd2" present, bit 1: ".ndx", bit 2: ".smp",
//                 bit 3: ".ndx" is a symbolic link to another file,
//                 bit 4: ".rvd" is a symbolic link to another archive,
//                 bit 5: the archive starts as a real run killed before
//                 its index (the input's archive bytes are appended)
//   byte 1        the archive is extended without data (sparse) by one of
//                 the sizes below, reaching past the 2 and 4 GiB marks
//   bytes 2..13   lengths of the ".rvd", ".nd2" and ".ndx" bytes
//                 (32-bit little-endian, each cut to what follows)
//   then          ".rvd", ".nd2" and ".ndx" bytes; the rest is ".smp"
//
// Files behind links must come out unchanged, and the page table must stay
// within the reader's bounds.
#include "server/archive-completion.h"
#include "server/open-briefs.h"
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

// One folder per process, so that a replay and a long run of this target can
// go on side by side.
const std::filesystem::path FuzzDir = std::filesystem::path(std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp") /
                                      ("rv-open-fuzz-" + std::to_string(getpid()));
// Its sparse files leave with the process.
struct RemovedAtExit
{
    ~RemovedAtExit()
    {
        std::error_code ignored;
        std::filesystem::remove_all(FuzzDir, ignored);
    }
} removedAtExit;
const std::filesystem::path Killed = FuzzDir / "killed.rvd";
const std::filesystem::path Work = FuzzDir / "work";
const std::filesystem::path Elsewhere = FuzzDir / "elsewhere";

constexpr std::uint64_t SparseSizes[] = {
    0, 4096, 1 << 16, (std::uint64_t{16} << 20) + 1, (std::uint64_t{1} << 31) + 5, (std::uint64_t{1} << 32) + 20};
constexpr std::size_t MaxReadRecords = 64;
constexpr std::size_t MaxPageBytes = std::size_t{1} << 20;

std::tm FixedTime()
{
    std::tm time{};
    time.tm_year = 99;
    time.tm_mon = 11;
    time.tm_mday = 7;
    return time;
}

// A run killed after storing pages, refused links and site-map notes.
[[noreturn]] void RunAndDie()
{
    rv::TKSDB store(FixedTime);
    rv::TSiteMap siteMap(Killed);
    store.Open(Killed, "Killed");
    for (const char* url : {"index", "www.x.com/", "www.x.com/a"})
    {
        store.BeginPage(url, "text/html", nullptr, 0x34, "Caption", 2);
        store.Append("<html><body>page</body></html>");
        store.EndPage();
    }
    siteMap.AddEntryNote("2");
    siteMap.AddNote("Start", "www.x.com/", "2", "", 0);
    siteMap.AddNote("Page A", "www.x.com/a", "2.0", "w1", 1, "top");
    for (int i = 0; i < 50; ++i)
        store.AddTooDeep("www.x.com/deep/" + std::to_string(i), "Caption", 2, 0);
    std::raise(SIGKILL);
    _exit(1);
}

std::string KilledArchive()
{
    std::filesystem::remove_all(FuzzDir);
    std::filesystem::create_directories(Work);
    std::filesystem::create_directories(Elsewhere);
    const pid_t child = fork();
    if (child == 0)
        RunAndDie();
    int status = 0;
    waitpid(child, &status, 0);
    std::ifstream in(Killed, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void PutFile(const std::filesystem::path& path, std::string_view bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string_view Take(std::string_view& input, std::size_t length)
{
    const std::string_view taken = input.substr(0, length);
    input.remove_prefix(taken.size());
    return taken;
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string killed = KilledArchive();
    if (size < 2)
        return 0;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const unsigned flags = static_cast<unsigned char>(input[0]);
    const std::uint64_t sparse = SparseSizes[static_cast<unsigned char>(input[1]) % std::size(SparseSizes)];
    input.remove_prefix(2);
    const std::size_t rvdLength = TakeLength(input);
    const std::size_t nd2Length = TakeLength(input);
    const std::size_t ndxLength = TakeLength(input);
    const std::string rvd = ((flags & 32) ? killed : std::string()) + std::string(Take(input, rvdLength));
    const std::string_view nd2 = Take(input, nd2Length);
    const std::string_view ndx = Take(input, ndxLength);
    const std::string_view smp = input;

    for (const char* name : {"A.rvd", "A.nd2", "A.ndx", "A.smp"})
        std::filesystem::remove(Work / name);
    const std::filesystem::path archive = Work / "A.rvd";
    const std::filesystem::path linked = Elsewhere / "linked";
    PutFile((flags & 16) ? Elsewhere / "archive" : archive, rvd);
    if (flags & 16)
        std::filesystem::create_symlink(Elsewhere / "archive", archive);
    if (sparse != 0)
        std::filesystem::resize_file(archive, rvd.size() + sparse);
    if (flags & 1)
        PutFile(Work / "A.nd2", nd2);
    if (flags & 2)
        PutFile((flags & 8) ? linked : Work / "A.ndx", ndx);
    if (flags & 8)
        std::filesystem::create_symlink(linked, Work / "A.ndx");
    if (flags & 4)
        PutFile(Work / "A.smp", smp);
    const std::string linkedBefore = ReadAll(linked);
    const std::uint64_t outsideBefore = (flags & 16) ? std::filesystem::file_size(Elsewhere / "archive") : 0;

    rv::OpenBrief brief;
    if (rv::UpdateTable(brief, archive, rv::CompleteArchive, {}))
    {
        if (brief.pages.Count() > 2 * std::size_t{rv::MaxIndexRecords})
            __builtin_trap();
        if (brief.reader)
        {
            std::size_t read = 0;
            try
            {
                brief.reader->ReadIndex(
                    [&](rv::IndexRecord&& record)
                    {
                        if (read++ < MaxReadRecords && record.Offset > 0)
                            brief.reader->ForEachPageBlock(
                                record, [](std::string_view) {}, MaxPageBytes);
                    });
            }
            catch (const rv::ArchiveError&)
            {
            }
        }
    }
    // What lies behind a link is never written.
    if (ReadAll(linked) != linkedBefore)
        __builtin_trap();
    if ((flags & 16) && std::filesystem::file_size(Elsewhere / "archive") != outsideBefore)
        __builtin_trap();
    std::filesystem::remove(linked);
    std::filesystem::remove(Elsewhere / "archive");
    return 0;
}
