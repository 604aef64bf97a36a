// Brief runs against a real nginx on loopback: archives closed and readable,
// joined runs, stops, skips, limits and trimming.
#include "client/briefs/archive-catalogue.h"
#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "client/engine/internal/run-driver.h"
#include "store/archive-format.h"
#include "store/archive-reader.h"
#include "tests/support/core-application.h"
#include "tests/support/nginx-server.h"
#include "tests/support/origin-server.h"
#include "tests/support/run-to-end.h"
#include "tests/support/sandbox.h"

#include <QTimer>
#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <list>
#include <map>
#include <random>

namespace rv
{
namespace
{

// Records what a run tells the user, in order.
class RecordingObserver : public RunObserver
{
public:
    void AddStatusLine(const TBrief& brief, std::string_view, BriefStatus status) override
    {
        lines.push_back(brief.BriefName + ": " + StatusText(status));
        last[brief.BriefName] = StatusText(status);
    }
    void UpdateStatusLine(const TBrief& brief, BriefStatus status, std::string_view) override
    {
        events.push_back(brief.BriefName + ": " + StatusText(status));
        lines.push_back(brief.BriefName + ": " + StatusText(status));
        last[brief.BriefName] = StatusText(status);
    }
    void UpdateStatusDetail(const TBrief& brief, std::string_view detail) override
    {
        details[brief.BriefName] = std::string(detail);
    }
    void EntryStarted(const TBrief& brief, const TWebPage& entry) override
    {
        events.push_back("started " + brief.BriefName + "/" + entry.EntryName);
    }
    void EntryFinished(const TBrief& brief, const TWebPage& entry, const EntryOutcome& outcome) override
    {
        finished.push_back(brief.BriefName + "/" + entry.EntryName);
        std::string flags;
        for (auto [set, name] : {std::pair{outcome.Skipped, " skipped"},
                                 {outcome.Inaccessible, " inaccessible"},
                                 {outcome.DifferencesFound, " differences"},
                                 {outcome.MatchesFound, " matches"}})
            if (set)
                flags += name;
        events.push_back("finished " + brief.BriefName + "/" + entry.EntryName + flags);
        if (onEntryFinished)
            onEntryFinished();
    }
    void ErrorMessage(std::string_view caption, std::string_view) override { errors.emplace_back(caption); }

    std::vector<std::string> lines;
    std::map<std::string, std::string> last;
    std::map<std::string, std::string> details;
    std::vector<std::string> finished;
    std::vector<std::string> errors;
    std::function<void()> onEntryFinished;
    std::vector<std::string> events; // entries started and finished, status changes
};

class RunDriverTest : public test::SandboxedTest
{
protected:
    static void SetUpTestSuite() { test::EnsureCoreApplication(); }

    void SetUp() override
    {
        SandboxedTest::SetUp();
        settings.ProgramFolder = Dir();
        settings.Retries = 3;
        nginx = std::make_unique<test::NginxServer>(PathOf("nginx"), "  access_log " + PathOf("access.log").string() +
                                                                         " uri;\n  location = /gone { return 404; }\n");
        ASSERT_TRUE(nginx->Running());
        for (int i = 0; i < 6; ++i)
            test::WriteFile(nginx->Root() / ("page" + std::to_string(i) + ".html"),
                            "<html><head><title>Page " + std::to_string(i) + "</title></head><body>Page " + std::to_string(i) +
                                "</body></html>\n");
    }

    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(nginx->Port()) + "/" + path; }

    TBrief& NewBrief(const std::string& name, const std::vector<std::string>& paths)
    {
        TBrief& brief = briefs.emplace_back();
        SetBriefPath(brief, PathOf(name + ".brf").string());
        brief.BriefName = name;
        for (const std::string& path : paths)
        {
            TWebPage entry = MakeEntry(EntryKind::Web);
            entry.EntryName = path;
            entry.URL = path.find(':') == std::string::npos ? Url(path) : path;
            brief.Entries.Insert(entry, brief.Entries.Count());
        }
        EXPECT_EQ(SaveBrief(brief, false), SaveStatus::Saved);
        return brief;
    }

    // Runs the driver until its run ends (at most a minute).
    void RunToEnd(RunDriver& driver, const std::function<void()>& start)
    {
        ASSERT_TRUE(test::RunToEnd(driver, start)) << "the run did not end within a minute";
    }

    std::vector<IndexRecord> RecordsOf(const TBrief& brief)
    {
        EXPECT_FALSE(brief.ArchiveFiles.empty());
        ArchiveReader reader = ArchiveReader::OpenFile(std::filesystem::path(brief.Folder) / brief.ArchiveFiles.back());
        return reader.ReadIndex();
    }

    std::vector<std::string> Requested()
    {
        std::vector<std::string> paths;
        std::ifstream log(PathOf("access.log"));
        for (std::string line; std::getline(log, line);)
            paths.push_back(line);
        return paths;
    }

    RetrievalSettings settings;
    RecordingObserver observer;
    std::unique_ptr<test::NginxServer> nginx;
    std::list<TBrief> briefs;
};

const IndexRecord* Find(const std::vector<IndexRecord>& records, std::string_view key)
{
    for (const IndexRecord& record : records)
        if (record.Key == key)
            return &record;
    return nullptr;
}

TEST_F(RunDriverTest, BriefOfSeveralEntriesEndsInAClosedReadableArchive)
{
    TBrief& brief = NewBrief("News", {"page0.html", "page1.html", "gone"});
    RunDriver driver(settings, observer);
    RunToEnd(driver, [&] { driver.StartBrief(brief); });

    EXPECT_EQ(observer.last["News"], "Available");
    ASSERT_EQ(brief.ArchiveFiles.size(), 1u);
    EXPECT_FALSE(brief.Retrieving);
    auto records = RecordsOf(brief);
    const std::string host = "127.0.0.1:" + std::to_string(nginx->Port());
    ASSERT_NE(Find(records, "index"), nullptr);
    EXPECT_EQ(Find(records, "index")->Number, -1);
    ASSERT_NE(Find(records, host + "/page1.html"), nullptr);
    ASSERT_NE(Find(records, host + "/gone"), nullptr);
    ArchiveReader reader = ArchiveReader::OpenFile(std::filesystem::path(brief.Folder) / brief.ArchiveFiles.back());
    EXPECT_NE(reader.ReadPage(*Find(records, host + "/page1.html")).find("Page 1"), std::string::npos);
    EXPECT_EQ(Find(records, host + "/page1.html")->Number, 1);

    // The brief file was saved with the new retrieval, and the run's
    // catalogue copy is gone.
    EXPECT_FALSE(std::filesystem::exists(CataloguePath(brief.FilePath, true)));
    TBrief loaded;
    ASSERT_EQ(LoadBrief(brief.FilePath, loaded).Status, LoadStatus::Loaded);
    EXPECT_EQ(loaded.ArchiveFiles, brief.ArchiveFiles);
    EXPECT_EQ(loaded.ArchiveCaptions.size(), 1u);
    for (const char* side : {".nd2", ".ndx", ".smp"})
        EXPECT_FALSE(
            std::filesystem::exists(std::filesystem::path(brief.Folder) /
                                    (brief.ArchiveFiles.back().substr(0, brief.ArchiveFiles.back().size() - 4) + side)))
            << side;
}

TEST_F(RunDriverTest, BriefWhoseFileCannotBeSavedAfterTheRunEndsInDiskError)
{
    TBrief& brief = NewBrief("News", {"page0.html", "page1.html"});
    RunDriver driver(settings, observer);
    RunToEnd(driver,
             [&]
             {
                 driver.StartBrief(brief);
                 // A folder that holds a file cannot be replaced by a file, not even
                 // by root.
                 std::filesystem::remove(brief.FilePath);
                 std::filesystem::create_directories(brief.FilePath + "/held");
             });

    EXPECT_EQ(observer.last["News"], "Disk Error");
    EXPECT_EQ(observer.errors, (std::vector<std::string>{"Brief Organizer File Saving Error"}));
    EXPECT_TRUE(std::filesystem::exists(CataloguePath(brief.FilePath, true))) << "the next load recovers the run";
}

TEST_F(RunDriverTest, SettingsChangedDuringARunReachOnlyTheNextRun)
{
    TBrief& brief = NewBrief("News", {"page0.html", "page1.html", "page2.html"});
    settings.NumSocks = 1;
    RunDriver driver(settings, observer);
    // So low a limit would cut every later page of the run.
    observer.onEntryFinished = [&]
    {
        settings.MemoryBodyLimit = 10;
        settings.ProxyHost = "proxy.invalid";
    };
    RunToEnd(driver, [&] { driver.StartBrief(brief); });

    EXPECT_EQ(observer.last["News"], "Available");
    EXPECT_EQ(observer.details["News"], "") << "no page was cut";
    EXPECT_EQ(driver.Settings().ProxyHost, "") << "the driver keeps its own copy";
}

TEST_F(RunDriverTest, EntriesReportTheirStartAndResultsAndTheBriefItsEnd)
{
    settings.NumSocks = 1;
    settings.Retries = 1;
    const std::string refused = "http://127.0.0.1:" + std::to_string(test::FreeLoopbackPort()) + "/x.html";
    TBrief& brief = NewBrief("News", {"page0.html", "page1.html", refused});
    brief.Entries[0].SmartSearch = true;
    brief.Entries[0].SearchFor = "Page";
    RunDriver driver(settings, observer);
    RunToEnd(driver, [&] { driver.StartBrief(brief); });

    // The one connection fetches the next entry's page while the last one
    // is stored, so each entry starts before the one before it finishes.
    EXPECT_EQ(observer.events, (std::vector<std::string>{
                                   "started News/page0.html",
                                   "started News/page1.html",
                                   "finished News/page0.html matches",
                                   "started News/" + refused,
                                   "finished News/page1.html",
                                   "finished News/" + refused + " inaccessible",
                                   "News: Available",
                               }));
}

TEST_F(RunDriverTest, SkippedEntryFinishesAsSkipped)
{
    TBrief& brief = NewBrief("News", {"page0.html", "page1.html"});
    RunDriver driver(settings, observer);
    RunToEnd(driver,
             [&]
             {
                 driver.StartBrief(brief);
                 driver.SkipEntry(brief, brief.Entries[0]);
             });
    EXPECT_NE(std::find(observer.events.begin(), observer.events.end(), "finished News/page0.html skipped"),
              observer.events.end());
}

TEST_F(RunDriverTest, BriefStartedDuringARunJoinsItAndBothBecomeAvailable)
{
    TBrief& first = NewBrief("First", {"page0.html", "page1.html"});
    TBrief& second = NewBrief("Second", {"page2.html"});
    RunDriver driver(settings, observer);
    RunToEnd(driver,
             [&]
             {
                 driver.StartBrief(first);
                 EXPECT_TRUE(driver.State().RunBusy);
                 driver.StartBrief(second);
             });
    EXPECT_EQ(observer.last["First"], "Available");
    EXPECT_EQ(observer.last["Second"], "Available");
    EXPECT_EQ(observer.lines.front(), "First: Loading...");
    EXPECT_EQ(observer.lines[1], "Second: Loading...");
    EXPECT_EQ(first.ArchiveFiles.size(), 1u);
    EXPECT_EQ(second.ArchiveFiles.size(), 1u);
}

TEST_F(RunDriverTest, BriefWithoutActiveEntriesIsFinishedAtOnce)
{
    TBrief& brief = NewBrief("Idle", {"page0.html"});
    brief.Entries[0].Active = false;
    RunDriver driver(settings, observer);
    RunToEnd(driver, [&] { driver.StartBrief(brief); });
    EXPECT_EQ(observer.last["Idle"], "Available");
    EXPECT_TRUE(Requested().empty());
    auto records = RecordsOf(brief);
    EXPECT_NE(Find(records, "index"), nullptr);
}

TEST_F(RunDriverTest, OneConnectionFetchesStrictlyInListOrder)
{
    settings.NumSocks = 1;
    TBrief& brief = NewBrief("Ordered", {"page3.html", "page1.html", "page5.html", "page0.html"});
    RunDriver driver(settings, observer);
    RunToEnd(driver, [&] { driver.StartBrief(brief); });
    EXPECT_EQ(Requested(), (std::vector<std::string>{"/page3.html", "/page1.html", "/page5.html", "/page0.html"}));
}

TEST_F(RunDriverTest, FailingAddressIsFetchedAtMostOncePlusItsRetries)
{
    test::OriginServer origin({{"", false, true}}); // every connection is cut at once
    TBrief& brief = NewBrief("Failing", {"http://127.0.0.1:" + std::to_string(origin.Port()) + "/cut.html"});
    RunDriver driver(settings, observer);
    RunToEnd(driver, [&] { driver.StartBrief(brief); });
    EXPECT_EQ(observer.last["Failing"], "Available");
    EXPECT_GE(origin.Connections(), 1);
    EXPECT_LE(origin.Connections(), 4);
}

TEST_F(RunDriverTest, StopBriefStopsOnlyTheChosenBriefOfTheRun)
{
    test::OriginServer stalling({{"", true, false}});
    TBrief& stopped = NewBrief("Stopped", {"http://127.0.0.1:" + std::to_string(stalling.Port()) + "/slow.html"});
    TBrief& kept = NewBrief("Kept", {"page0.html", "page1.html"});
    RunDriver driver(settings, observer);
    RunToEnd(driver,
             [&]
             {
                 driver.StartBrief(stopped);
                 driver.StartBrief(kept);
                 QTimer::singleShot(300, [&] { driver.StopBrief(stopped); });
             });
    EXPECT_EQ(observer.last["Stopped"], "Available");
    EXPECT_EQ(observer.last["Kept"], "Available");
    auto records = RecordsOf(stopped);
    const IndexRecord* slow = Find(records, "127.0.0.1:" + std::to_string(stalling.Port()) + "/slow.html");
    ASSERT_NE(slow, nullptr);
    EXPECT_EQ(slow->Offset, OffsetSkipped);
    auto keptRecords = RecordsOf(kept);
    EXPECT_NE(Find(keptRecords, "127.0.0.1:" + std::to_string(nginx->Port()) + "/page1.html"), nullptr);
}

TEST_F(RunDriverTest, SkippingTheLastPendingEntryStopsTheBrief)
{
    test::OriginServer stalling({{"", true, false}});
    TBrief& brief = NewBrief("Skipped", {"page0.html", "http://127.0.0.1:" + std::to_string(stalling.Port()) + "/slow"});
    RunDriver driver(settings, observer);
    RunToEnd(driver,
             [&]
             {
                 driver.StartBrief(brief);
                 QTimer::singleShot(500, [&] { driver.SkipEntry(brief, brief.Entries[1]); });
             });
    EXPECT_EQ(observer.last["Skipped"], "Available");
    auto records = RecordsOf(brief);
    const IndexRecord* slow = Find(records, "127.0.0.1:" + std::to_string(stalling.Port()) + "/slow");
    ASSERT_NE(slow, nullptr);
    EXPECT_EQ(slow->Offset, OffsetSkipped);
}

TEST_F(RunDriverTest, BriefOverItsSizeLimitStopsAndRecordsTheRestAsSkipped)
{
    std::mt19937 random(7);
    std::vector<std::string> paths;
    for (int i = 0; i < 8; ++i)
    {
        std::string bytes(400000, ' ');
        for (char& c : bytes)
            c = char('a' + random() % 26); // hardly compressible
        test::WriteFile(nginx->Root() / ("big" + std::to_string(i) + ".html"), "<html><body>" + bytes + "</body></html>");
        paths.push_back("big" + std::to_string(i) + ".html");
    }
    settings.NumSocks = 1;
    TBrief& brief = NewBrief("Limited", paths);
    brief.NumMegs = 1;
    RunDriver driver(settings, observer);
    RunToEnd(driver, [&] { driver.StartBrief(brief); });
    EXPECT_EQ(observer.last["Limited"], "Available");
    auto records = RecordsOf(brief);
    int stored = 0;
    int skipped = 0;
    for (const IndexRecord& record : records)
    {
        if (record.Key.find("/big") == std::string::npos)
            continue;
        if (record.Key.find("KSDiff") != std::string::npos)
            continue; // the entry page's previous and unfiltered copies
        stored += record.Offset > 0;
        skipped += record.Offset == OffsetSkipped;
    }
    // The page that crossed the limit and every later one are recorded as
    // skipped, so each of the eight has one record.
    EXPECT_GE(stored, 2);
    EXPECT_LE(stored, 4);
    EXPECT_EQ(stored + skipped, 8);
}

TEST_F(RunDriverTest, KeptRetrievalsOverTheLimitLoseTheOldest)
{
    TBrief& brief = NewBrief("Trimmed", {"page0.html"});
    brief.NumArchives = 2;
    RunDriver driver(settings, observer);
    for (int run = 0; run < 3; ++run)
        RunToEnd(driver, [&] { driver.StartBrief(brief); });
    ASSERT_EQ(brief.ArchiveFiles.size(), 2u);
    std::size_t archives = 0;
    for (const auto& file : std::filesystem::directory_iterator(Dir()))
        archives += file.path().extension() == ".rvd";
    EXPECT_EQ(archives, 2u);
    for (const std::string& file : brief.ArchiveFiles)
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(brief.Folder) / file)) << file;
}

TEST_F(RunDriverTest, CrawlOfADotlessHostWithAPortFollowsItsLinksToTheDepth)
{
    const auto page = [](const std::string& links) { return "<html><body>" + links + "</body></html>\n"; };
    std::filesystem::create_directories(nginx->Root() / "sub");
    test::WriteFile(nginx->Root() / "index.html",
                    page("<a href=\"a.html\">a</a> <a href=\"/sub/b.html\">b</a> <a href=\"skype:ann\">call</a>"));
    test::WriteFile(nginx->Root() / "a.html", page("<a href=\"c.html\">c</a>"));
    test::WriteFile(nginx->Root() / "sub/b.html", page("<a href=\"../a.html\">a</a>"));
    test::WriteFile(nginx->Root() / "c.html", page("<a href=\"d.html\">d</a>"));
    test::WriteFile(nginx->Root() / "d.html", page(""));
    const std::string host = "localhost:" + std::to_string(nginx->Port());
    TBrief& brief = NewBrief("Intranet", {"http://" + host + "/"});
    brief.Entries[0].SpiderDepth = 3;
    RunDriver driver(settings, observer);
    RunToEnd(driver, [&] { driver.StartBrief(brief); });
    std::vector<std::string> requested = Requested();
    std::sort(requested.begin(), requested.end());
    EXPECT_EQ(requested, (std::vector<std::string>{"/a.html", "/c.html", "/index.html", "/sub/b.html"}));
    const std::vector<IndexRecord> records = RecordsOf(brief);
    for (const char* path : {"/", "/a.html", "/sub/b.html", "/c.html"})
    {
        const IndexRecord* record = Find(records, host + path);
        ASSERT_NE(record, nullptr) << path;
        EXPECT_GT(record->Offset, 0) << path;
    }
}

TEST_F(RunDriverTest, LinkOfAPageIsRequestedWithThatPageAsRefererOnce)
{
    const std::string html = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n";
    test::OriginServer origin(
        {{html + "<html><body><a href=\"next.html\">next</a></body></html>"}, {html + "<html><body>next</body></html>"}});
    const std::string entry = "http://127.0.0.1:" + std::to_string(origin.Port()) + "/";
    TBrief& brief = NewBrief("Referred", {entry});
    brief.Entries[0].SpiderDepth = 2;
    RunDriver driver(settings, observer);
    RunToEnd(driver, [&] { driver.StartBrief(brief); });
    const std::vector<std::string> requests = origin.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].find("Referer:"), std::string::npos);
    EXPECT_NE(requests[1].find("GET /next.html HTTP/1.0\r\n"), std::string::npos) << requests[1];
    EXPECT_NE(requests[1].find("\r\nReferer: " + entry + "\r\n"), std::string::npos) << requests[1];
}

TEST_F(RunDriverTest, PagesCutAtTheSizeLimitOrNotDecodedAreMarkedAndReported)
{
    settings.NumSocks = 1;
    settings.MemoryBodyLimit = 4000;
    const std::string html = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n";
    test::OriginServer origin({{html + "\r\n<html><body>" + std::string(10000, 'x') + "</body></html>"},
                               {html + "Content-Encoding: gzip\r\n\r\n\x1f\x8b\x08\x00 not a gzip stream"},
                               {html + "\r\n<html><body>whole</body></html>"}});
    const std::string host = "127.0.0.1:" + std::to_string(origin.Port());
    TBrief& brief = NewBrief(
        "Incomplete", {"http://" + host + "/big.html", "http://" + host + "/gzip.html", "http://" + host + "/whole.html"});
    RunDriver driver(settings, observer);
    RunToEnd(driver, [&] { driver.StartBrief(brief); });
    EXPECT_EQ(observer.last["Incomplete"], "Available");
    EXPECT_EQ(observer.details["Incomplete"], "1 page cut at the size limit, 1 page not decoded");
    const std::vector<IndexRecord> records = RecordsOf(brief);
    const std::pair<std::string, std::string> notes[] = {
        {"/big.html", "cut"}, {"/gzip.html", "undecoded"}, {"/whole.html", ""}};
    for (const auto& [path, note] : notes)
    {
        const IndexRecord* record = Find(records, host + path);
        ASSERT_NE(record, nullptr) << path;
        EXPECT_GT(record->Offset, 0) << path;
        EXPECT_EQ(record->Extra1, note) << path;
    }
    const auto summary = std::find_if(records.rbegin(), records.rend(), [](const IndexRecord& r) { return r.Key == "index"; });
    ASSERT_NE(summary, records.rend());
    ArchiveReader reader = ArchiveReader::OpenFile(std::filesystem::path(brief.Folder) / brief.ArchiveFiles.back());
    EXPECT_NE(
        reader.ReadPage(*summary).find("<b>Incomplete Pages: </b>1 page cut at the size limit, 1 page not decoded</font>"),
        std::string::npos);
}

TEST_F(RunDriverTest, RunThatCannotConnectKeepsEveryOldRetrievalOfABriefAtItsLimit)
{
    TBrief& brief = NewBrief("Offline", {"page0.html"});
    brief.NumArchives = 2;
    RunDriver driver(settings, observer);
    for (int run = 0; run < 2; ++run)
        RunToEnd(driver, [&] { driver.StartBrief(brief); });
    const std::vector<std::string> kept = brief.ArchiveFiles;
    ASSERT_EQ(kept.size(), 2u);
    driver.SetConnect([] { return false; });
    RunToEnd(driver, [&] { driver.StartBrief(brief); });
    EXPECT_EQ(observer.last["Offline"], "Connection Failure");
    EXPECT_EQ(brief.ArchiveFiles, kept);
    std::size_t archives = 0;
    for (const auto& file : std::filesystem::directory_iterator(Dir()))
        archives += file.path().extension() == ".rvd";
    EXPECT_EQ(archives, 2u);
    for (const std::string& file : kept)
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(brief.Folder) / file)) << file;
}

TEST_F(RunDriverTest, PageServerLetsGoOfEveryArchiveARunDeletesOrReplaces)
{
    const struct
    {
        const char* name;
        bool connects;
        std::string target;
    } rows[] = {{"rolled back", false, ""}, {"replaced by a target name", true, "Target.rvd"}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        TBrief& brief = NewBrief(std::string("Released ") + row.name, {"page0.html"});
        brief.NumArchives = -1;
        if (!row.target.empty())
            test::WriteFile(std::filesystem::path(brief.Folder) / row.target, "an older archive");
        RunDriver driver(settings, observer);
        driver.SetConnect([&] { return row.connects; });
        // What is closed, and what the file held when it was.
        std::vector<std::pair<std::string, std::string>> closed;
        driver.SetArchiveCloser([&](const std::filesystem::path& archive)
                                { closed.emplace_back(archive.filename().string(), test::ReadFile(archive)); });
        RunToEnd(driver, [&] { driver.StartBrief(brief, row.target); });
        ASSERT_EQ(closed.size(), 1u);
        if (row.target.empty())
        {
            EXPECT_TRUE(closed[0].first.starts_with(brief.BriefName)) << closed[0].first;
            EXPECT_TRUE(closed[0].second.starts_with("KSDB-MWR"));
        }
        else
        {
            EXPECT_EQ(closed[0].first, row.target);
            EXPECT_EQ(closed[0].second, "an older archive");
        }
    }
}

TEST_F(RunDriverTest, BriefOnADriveBelowTheReserveDoesNotStartAndSaysDiskError)
{
    settings.DiskBuffer = 1 << 30; // a megabyte count no drive here has free
    TBrief& brief = NewBrief("Full", {"page0.html"});
    RunDriver driver(settings, observer);
    RunToEnd(driver, [&] { driver.StartBrief(brief); });
    EXPECT_EQ(observer.errors, std::vector<std::string>{DiskErrorCaption});
    EXPECT_TRUE(brief.ArchiveFiles.empty());
    EXPECT_FALSE(brief.Retrieving);
    EXPECT_TRUE(Requested().empty());
}

} // namespace
} // namespace rv
