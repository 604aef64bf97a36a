// Page store benchmark: writes a folder of real HTML pages into an archive
// through TKSDB, reads every page back through ArchiveReader, and runs
// `gzip -9` (compress and expand) on the same bytes in the same run.
//
// Usage: store-bench [--quick] [FOLDER]
//   FOLDER   HTML files to store (default /usr/share/doc/python3-doc/html)
//   --quick  the first 300 pages only: a short demonstration
#include "store/archive-reader.h"
#include "store/archive-writer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace
{

namespace fs = std::filesystem;

// Figures are CPU seconds (this process, or the gzip child it waited for),
// so that they hold on a machine shared with other work.
double CpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct CpuClock
{
    int who;
    double start = CpuSeconds(who);
    double Seconds() const { return CpuSeconds(who) - start; }
};

struct Page
{
    std::string key;
    std::string bytes;
};

std::vector<Page> LoadPages(const fs::path& folder, std::size_t limit)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
    {
        const auto extension = entry.path().extension();
        if (entry.is_regular_file() && (extension == ".html" || extension == ".htm"))
        {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    files.resize(std::min(files.size(), limit));
    std::vector<Page> pages;
    for (const auto& file : files)
    {
        std::ifstream in(file, std::ios::binary);
        pages.push_back({"docs.example.org/" + fs::relative(file, folder).string(),
                         std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())});
    }
    return pages;
}

double MegabytesPerSecond(std::size_t bytes, double seconds)
{
    return seconds > 0 ? static_cast<double>(bytes) / 1e6 / seconds : 0;
}

bool WriteArchive(const fs::path& archive, const std::vector<Page>& pages)
{
    rv::TKSDB store;
    if (!store.Open(archive, "Store benchmark"))
    {
        return false;
    }
    for (const Page& page : pages)
    {
        if (!store.BeginPage(page.key, "text/html", nullptr, 0x34, "Documentation", 0) || !store.Append(page.bytes) ||
            !store.EndPage())
        {
            return false;
        }
    }
    return store.Close();
}

// Reads every page back; true when each is byte-identical to what was written.
bool ReadArchive(const fs::path& archive, const std::vector<Page>& pages)
{
    const rv::ArchiveReader reader = rv::ArchiveReader::OpenFile(archive);
    const std::vector<rv::IndexRecord> records = reader.ReadIndex();
    bool same = records.size() == pages.size();
    for (std::size_t i = 0; i < records.size(); ++i)
    {
        const std::string page = reader.ReadPage(records[i]);
        same = same && i < pages.size() && page == pages[i].bytes && records[i].Key == pages[i].key;
    }
    return same;
}

struct GzipFigures
{
    double compressSeconds = 0;
    double expandSeconds = 0;
    std::uintmax_t size = 0;
    bool ran = false;
};

GzipFigures RunGzip(const fs::path& work, const std::vector<Page>& pages)
{
    const fs::path plain = work / "corpus.html";
    {
        std::ofstream out(plain, std::ios::binary);
        for (const Page& page : pages)
        {
            out.write(page.bytes.data(), static_cast<std::streamsize>(page.bytes.size()));
        }
    }
    const std::string packed = (work / "corpus.html.gz").string();
    GzipFigures figures;
    const CpuClock compressing{RUSAGE_CHILDREN};
    const std::string compress = "gzip -9 -c '" + plain.string() + "' > '" + packed + "'";
    figures.ran = std::system(compress.c_str()) == 0;
    figures.compressSeconds = compressing.Seconds();
    const CpuClock expanding{RUSAGE_CHILDREN};
    const std::string expand = "gzip -d -c '" + packed + "' > /dev/null";
    figures.ran = figures.ran && std::system(expand.c_str()) == 0;
    figures.expandSeconds = expanding.Seconds();
    figures.size = figures.ran ? fs::file_size(packed) : 0;
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    bool quick = false;
    fs::path folder = "/usr/share/doc/python3-doc/html";
    for (int i = 1; i < argc; ++i)
    {
        const std::string argument = argv[i];
        if (argument == "--quick")
        {
            quick = true;
        }
        else
        {
            folder = argument;
        }
    }
    if (!fs::is_directory(folder))
    {
        std::fprintf(stderr, "store-bench: %s is not a folder of HTML pages (apt-get install python3-doc)\n", folder.c_str());
        return 2;
    }
    const std::vector<Page> pages = LoadPages(folder, quick ? 300 : SIZE_MAX);
    std::size_t plainBytes = 0;
    for (const Page& page : pages)
    {
        plainBytes += page.bytes.size();
    }
    if (pages.empty())
    {
        std::fprintf(stderr, "store-bench: no .html files under %s\n", folder.c_str());
        return 2;
    }

    const fs::path work = fs::temp_directory_path() / ("store-bench-" + std::to_string(::getpid()));
    fs::create_directories(work);
    const fs::path archive = work / "Bench.rvd";

    const CpuClock writing{RUSAGE_SELF};
    const bool written = WriteArchive(archive, pages);
    const double writeSeconds = writing.Seconds();
    if (!written)
    {
        std::fprintf(stderr, "store-bench: writing %s failed\n", archive.c_str());
        fs::remove_all(work);
        return 1;
    }
    const std::uintmax_t archiveBytes = fs::file_size(archive);
    const CpuClock reading{RUSAGE_SELF};
    const bool identical = ReadArchive(archive, pages);
    const double readSeconds = reading.Seconds();
    const GzipFigures gzip = RunGzip(work, pages);
    fs::remove_all(work);

    std::printf("Page store benchmark on %s\n", folder.c_str());
    std::printf("  pages written:              %zu (%.1f MB of HTML)\n", pages.size(), plainBytes / 1e6);
    std::printf("  archive size:               %.2f MB\n", archiveBytes / 1e6);
    std::printf("  read back byte-identical:   %s\n\n", identical ? "yes" : "NO");
    std::printf("                      %12s %12s\n", "archive", "gzip -9");
    std::printf("  compression ratio   %11.2fx %11.2fx\n", static_cast<double>(plainBytes) / archiveBytes,
                gzip.ran ? static_cast<double>(plainBytes) / gzip.size : 0.0);
    std::printf("  write (MB/CPU s)    %12.1f %12.1f\n", MegabytesPerSecond(plainBytes, writeSeconds),
                MegabytesPerSecond(plainBytes, gzip.compressSeconds));
    std::printf("  read (MB/CPU s)     %12.1f %12.1f\n", MegabytesPerSecond(plainBytes, readSeconds),
                MegabytesPerSecond(plainBytes, gzip.expandSeconds));
    std::printf("\n  archive: pages in blocks of 20000 bytes, each compressed alone, plus the index;\n"
                "  gzip -9: all pages as one stream; speeds are MB of HTML per CPU second.%s\n",
                gzip.ran ? "" : " (gzip did not run)");
    return identical ? 0 : 1;
}
