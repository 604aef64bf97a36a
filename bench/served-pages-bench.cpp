// Writes the pages that server-bench.sh serves: the same HTML both as
// archives for RVServer and as static files for a reference web server.
//
//   served-pages-bench FOLDER [PAGES]
//
// FOLDER/one.rvd   one 20 KB page, "bench.example/page.html"
// FOLDER/many.rvd  PAGES (default 10000) different 20 KB pages,
//                  "bench.example/p/00000.html" and on
// FOLDER/www/...   the same pages as files: www/bench.example/page.html and
//                  www/bench.example/p/NNNNN.html
// The page bytes are identical in the archive and on disk, so both servers
// send the same body (RVServer may add its own decoration around it).
#include "store/archive-writer.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace
{

constexpr std::size_t PageBytes = 20 * 1024;
constexpr const char* Head = "<html><head><title>Bench page</title></head><body>\n";

// A 20 KB page whose text depends on its number, so that no two pages of the
// rotation are alike and compression sees text rather than one repeated line.
std::string MakeBody(int number)
{
    std::string body;
    body.reserve(PageBytes);
    unsigned state = 2166136261u ^ static_cast<unsigned>(number);
    int paragraph = 0;
    while (body.size() + 200 < PageBytes - 20)
    {
        body += "<p id=\"p" + std::to_string(paragraph++) + "\">";
        for (int word = 0; word < 20; ++word)
        {
            state = state * 1103515245u + 12345u;
            static const char* const words[] = {"archive", "page",  "store",   "server",  "request", "answer",
                                                "link",    "brief", "reading", "offline", "copy",    "index"};
            body += words[(state >> 16) % 12];
            body += ' ';
        }
        body += "<a href=\"/p/" + std::to_string((state >> 8) % 10000) + ".html\">next</a></p>\n";
    }
    body += "</body></html>\n";
    body.resize(PageBytes - std::char_traits<char>::length(Head), '\n');
    return body;
}

bool WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}

bool StorePage(rv::TKSDB& store, const std::string& url, const std::string& body)
{
    const std::string head = Head;
    if (!store.BeginPage(url, "text/html", nullptr, 0x37, "Bench page", 2))
        return false;
    store.Append(head);
    store.MarkHead(head.size());
    store.Append(body);
    return store.EndPage();
}

void PageName(int number, char (&name)[16])
{
    std::snprintf(name, sizeof name, "%05d", number);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::cerr << "usage: served-pages-bench FOLDER [PAGES]\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const int pages = argc > 2 ? std::atoi(argv[2]) : 10000;
    if (pages < 1 || pages > 100000)
    {
        std::cerr << "served-pages-bench: PAGES must be 1 to 100000\n";
        return 2;
    }
    std::filesystem::create_directories(folder);

    rv::TKSDB one;
    const std::string page = MakeBody(-1);
    if (!one.Open(folder / "one.rvd", "server benchmark") || !StorePage(one, "bench.example/page.html", page) || !one.Close() ||
        !WriteFile(folder / "www/bench.example/page.html", Head + page))
    {
        std::cerr << "served-pages-bench: cannot write the single page\n";
        return 1;
    }

    rv::TKSDB many;
    if (!many.Open(folder / "many.rvd", "server benchmark"))
    {
        std::cerr << "served-pages-bench: cannot create many.rvd\n";
        return 1;
    }
    for (int number = 0; number < pages; ++number)
    {
        char name[16];
        PageName(number, name);
        const std::string body = MakeBody(number);
        if (!StorePage(many, std::string("bench.example/p/") + name + ".html", body) ||
            !WriteFile(folder / "www/bench.example/p" / (std::string(name) + ".html"), Head + body))
        {
            std::cerr << "served-pages-bench: cannot write page " << name << "\n";
            return 1;
        }
    }
    if (!many.Close())
    {
        std::cerr << "served-pages-bench: cannot close many.rvd\n";
        return 1;
    }
    std::cout << "served-pages-bench: wrote 1 + " << pages << " pages of " << PageBytes << " bytes into " << folder.string()
              << "\n";
    return 0;
}
