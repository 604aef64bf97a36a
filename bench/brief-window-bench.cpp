// A brief of the most entries a brief file can count, opened into a shown
// brief window offscreen, beside reading the same file alone.
//
//   build/bench/brief-window-bench [ROUNDS]     (default 3; the fastest round is kept)
//
// "read" is LoadBrief alone: the brief file and its catalogue into a TBrief.
// "open+show" is what a user waits for: the window made, the file read into
// it with its messages and hourglass, the window shown and its first rows
// painted. "scroll" moves to the last row and paints it, then Page Down.
#include "client/briefs/brief-file.h"
#include "client/briefs/brief-store.h"
#include "client/briefs/entry-clipboard.h"
#include "client/shell/briefs/brief-entries-view.h"
#include "client/shell/briefs/brief-window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace
{

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Entries of all three kinds with names and addresses of ordinary length.
std::string MakeBriefFile()
{
    rv::TBrief brief;
    rv::ResetBrief(brief, "bench.brf");
    for (int i = 0; i < rv::MaxEntries; ++i)
    {
        const auto kind = static_cast<rv::EntryKind>(i % 3);
        rv::TWebPage entry = rv::MakeEntry(kind);
        entry.URL = kind == rv::EntryKind::Web
                        ? "http://www.example" + std::to_string(i % 97) + ".com/news/page" + std::to_string(i) + ".html"
                        : "";
        entry.EntryName = "Entry number " + std::to_string(i);
        entry.NameSet = i % 2 == 0;
        entry.SpiderDepth = 1 + i % 5;
        brief.Entries.Insert(std::move(entry), -1);
    }
    return rv::WriteBriefFile(brief);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("rv-brief-window-bench." + std::to_string(QCoreApplication::applicationPid()));
    std::filesystem::create_directories(dir);
    const std::filesystem::path path = dir / "bench.brf";
    const std::string bytes = MakeBriefFile();
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));

    double read = 1e9;
    double open = 1e9;
    double scroll = 1e9;
    int entries = 0;
    for (int round = 0; round < rounds; ++round)
    {
        {
            rv::TBrief brief;
            const Clock::time_point start = Clock::now();
            if (rv::LoadBrief(path.string(), brief).Status != rv::LoadStatus::Loaded)
            {
                std::fprintf(stderr, "brief-window-bench: %s does not load\n", path.c_str());
                return 1;
            }
            read = std::min(read, MillisecondsSince(start));
            entries = brief.Entries.Count();
        }
        rv::EntryClipboard clipboard;
        {
            const Clock::time_point start = Clock::now();
            rv::TKestrelForm window(clipboard, nullptr);
            if (!window.OpenFile(QString::fromStdString(path.string())))
            {
                return 1;
            }
            window.resize(640, 480);
            window.show();
            window.grab(); // the first rows painted
            open = std::min(open, MillisecondsSince(start));

            const Clock::time_point scrolled = Clock::now();
            window.EntriesView()->scrollToBottom();
            window.grab();
            QKeyEvent pageUp(QEvent::KeyPress, Qt::Key_PageUp, Qt::NoModifier);
            QApplication::sendEvent(window.EntriesView(), &pageUp);
            window.grab();
            scroll = std::min(scroll, MillisecondsSince(scrolled));
        }
    }
    std::filesystem::remove_all(dir);

    std::printf("brief of %d entries, %zu bytes, fastest of %d rounds\n", entries, bytes.size(), rounds);
    std::printf("%-28s %10s\n", "step", "ms");
    std::printf("%-28s %10.1f\n", "read the file (LoadBrief)", read);
    std::printf("%-28s %10.1f\n", "open into a shown window", open);
    std::printf("%-28s %10.1f\n", "scroll to the end and back", scroll);
    std::printf("window / read: %.2f\n", open / read);
    return open < 1000.0 ? 0 : 2;
}
