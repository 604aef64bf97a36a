// Writes a few small archives into a folder, as seeds for the archive
// reader's fuzz target: archive-seeds fuzz/corpus/archive-reader-fuzz
#include "store/archive-writer.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

std::tm Fixed()
{
    std::tm time{};
    time.tm_year = 99;
    time.tm_mon = 11;
    time.tm_mday = 7;
    time.tm_hour = 16;
    time.tm_min = 5;
    time.tm_sec = 9;
    return time;
}

bool WriteEmpty(const std::filesystem::path& path)
{
    rv::TKSDB store(Fixed);
    return store.Open(path, "Empty") && store.Close();
}

bool WriteSmall(const std::filesystem::path& path)
{
    rv::TKSDB store(Fixed);
    const std::vector<std::string> redirects = {"old.example.com/"};
    return store.Open(path, "News") && store.BeginPage("index", "", nullptr, 0, "Summary", -1) &&
           store.Append("<html><body bgcolor=#FFFFFF>summary</body></html>") && store.EndPage() &&
           store.BeginPage("www.example.com/", "", &redirects, 0x35, "Entry", 0) &&
           store.Append("<html><body><a href=\"-/\\deep.example.com/\">deep</a></body></html>") && store.EndPage() &&
           store.AddTooDeep("deep.example.com/", "Entry", 0, 0) && store.AddExcluded("ads.example.com/", "Entry", 0, 0) &&
           store.AddSkipped("skip.example.com/", "Entry", {"skip2.example.com/"}, 0, 0) &&
           store.AddAlias("www.example.com/", "www.example.com/index.html") && store.Close();
}

bool WriteTwoBlocks(const std::filesystem::path& path)
{
    rv::TKSDB store(Fixed);
    std::string page;
    for (int i = 0; page.size() < 24000; ++i)
    {
        page += "<li><a href=\"p" + std::to_string(i * 37 % 1000) + ".html\">item " + std::to_string(i) + "</a>\n";
    }
    bool ok = store.Open(path, "Blocks") && store.BeginPage("big.example.com/", "text/plain", nullptr, 0x34, "E", 1);
    ok = ok && store.Append(page);
    store.SetHead(0, 12);
    store.SetValue(3);
    return ok && store.EndPage() && store.Close();
}

bool WriteManyRecords(const std::filesystem::path& path)
{
    rv::TKSDB store(Fixed);
    bool ok =
        store.Open(path, "Many") && store.BeginPage("index", "", nullptr, 0, "", -1) && store.Append("<p>") && store.EndPage();
    for (int i = 0; ok && i < 400; ++i)
    {
        ok = store.AddTooDeep("site.example.com/page" + std::to_string(i), "Entry", 2, 0);
    }
    return ok && store.Close();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: archive-seeds FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    const bool ok = WriteEmpty(folder / "empty.rvd") && WriteSmall(folder / "small.rvd") &&
                    WriteTwoBlocks(folder / "two-blocks.rvd") && WriteManyRecords(folder / "many-records.rvd");
    return ok ? 0 : 1;
}
