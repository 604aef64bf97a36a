// Change detection over real runs: a brief is retrieved from nginx, the site
// is rewritten, and the next run fetches the entry page's previous copy from
// the real RVServer, which serves the brief's earlier archive.
#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "client/engine/internal/run-driver.h"
#include "store/archive-reader.h"
#include "tests/support/core-application.h"
#include "tests/support/nginx-server.h"
#include "tests/support/run-to-end.h"
#include "tests/support/sandbox.h"

#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <gtest/gtest.h>
#include <map>

namespace rv
{
namespace
{

std::string Story(const std::string& first, const std::string& second, const std::string& third)
{
    return "<html><head><title>News</title></head><body>\n<h1>Daily news</h1>\n<p>" + first + "\n<p>" + second + "\n<p>" +
           third + "\n</body></html>\n";
}

class EntryPageRunTest : public test::SandboxedTest
{
protected:
    static void SetUpTestSuite() { test::EnsureCoreApplication(); }

    void SetUp() override
    {
        SandboxedTest::SetUp();
        const std::filesystem::path program = test::BinDir() / "RVServer";
        if (!std::filesystem::exists(program))
            GTEST_SKIP() << "RVServer is not built";
        nginx = std::make_unique<test::NginxServer>(PathOf("nginx"), "");
        ASSERT_TRUE(nginx->Running());
        settings.ProgramFolder = Dir();
        settings.ServerPort = FreePort();
        ASSERT_TRUE(StartServer(program));

        SetBriefPath(brief, PathOf("News.brf").string());
        brief.BriefName = "News";
        TWebPage entry = MakeEntry(EntryKind::Web);
        entry.EntryName = "News";
        entry.URL = "http://127.0.0.1:" + std::to_string(nginx->Port()) + "/news.html";
        entry.FullRetrieval = false;
        entry.MarkDiffs = true;
        brief.Entries.Insert(entry, 0);
        ASSERT_EQ(SaveBrief(brief, false), SaveStatus::Saved);
    }

    void TearDown() override
    {
        if (server.state() != QProcess::NotRunning)
        {
            server.kill();
            server.waitForFinished(5000);
        }
        SandboxedTest::TearDown();
    }

    static std::int32_t FreePort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }

    // RVServer on the test's port, with its settings and lock in the sandbox.
    bool StartServer(const std::filesystem::path& program)
    {
        std::filesystem::create_directories(PathOf("config/Marrowby Works"));
        std::filesystem::create_directories(PathOf("run"));
        std::filesystem::permissions(PathOf("run"), std::filesystem::perms::owner_all);
        test::WriteFile(PathOf("config/Marrowby Works/Ravelin.conf"),
                        "[Servers]\nRavelin%20Server%20Port=" + std::to_string(settings.ServerPort) + "\n");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(PathOf("config").string()));
        environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(PathOf("run").string()));
        server.setProcessEnvironment(environment);
        server.start(QString::fromStdString(program.string()), {"--no-window"});
        if (!server.waitForStarted(5000))
            return false;
        for (int i = 0; i < 100; ++i)
        {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, quint16(settings.ServerPort));
            if (probe.waitForConnected(100))
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    void Retrieve(const std::string& page)
    {
        test::WriteFile(nginx->Root() / "news.html", page);
        RunDriver driver(settings, observer);
        ASSERT_TRUE(test::RunToEnd(driver, brief)) << "the run did not end within a minute";
    }

    // The newest archive's pages by key, without a scheme.
    std::map<std::string, std::string> Pages()
    {
        std::map<std::string, std::string> pages;
        flags.clear();
        ArchiveReader reader = ArchiveReader::OpenFile(std::filesystem::path(brief.Folder) / brief.ArchiveFiles.back());
        for (const IndexRecord& record : reader.ReadIndex())
            if (record.Offset > 0)
            {
                const std::string key = record.Key.starts_with("http://") ? record.Key.substr(7) : record.Key;
                pages[key] = reader.ReadPage(record);
                flags[key] = record.Flags;
            }
        return pages;
    }

    std::string Key(const std::string& suffix) const
    {
        return "127.0.0.1:" + std::to_string(nginx->Port()) + "/news.html" + suffix;
    }

    RetrievalSettings settings;
    test::OutcomeObserver observer;
    std::unique_ptr<test::NginxServer> nginx;
    QProcess server;
    TBrief brief;
    std::map<std::string, int> flags; // of the pages Pages() read last
};

TEST_F(EntryPageRunTest, EachRunComparesWithTheCopyTheRunBeforeKept)
{
    const std::string first = Story("Rain on Monday.", "The bridge reopens in May.", "Markets closed higher.");
    Retrieve(first);
    ASSERT_EQ(brief.ArchiveFiles.size(), 1u);
    EXPECT_FALSE(observer.last.DifferencesFound);
    auto pages = Pages();
    EXPECT_EQ(pages[Key("KSDiffOrig")], first);
    EXPECT_TRUE(pages.contains(Key("KSDiffOrigProcessed")));
    EXPECT_EQ(pages[Key("")].find("RavelinDiffMarker"), std::string::npos);

    Retrieve(first);
    ASSERT_EQ(brief.ArchiveFiles.size(), 2u);
    EXPECT_FALSE(observer.last.DifferencesFound);
    EXPECT_EQ(Pages()[Key("")].find("RavelinDiffMarker"), std::string::npos);

    const std::string second = Story("Rain on Monday.", "The bridge reopens in June.", "Markets closed higher.");
    Retrieve(second);
    EXPECT_TRUE(observer.last.DifferencesFound);
    pages = Pages();
    EXPECT_EQ(pages[Key("KSDiffOrig")], second);
    EXPECT_NE(pages["index"].find("HasMDiffs"), std::string::npos);
    // One changed paragraph: marker 0 just inside it, linking nowhere.
    const std::string& marked = pages[Key("")];
    EXPECT_NE(marked.find("<p><a name=\"RavelinDiffMarker0\"><img src=\"RavelinDiffMarker\" alt=\"Diff Marker\">The bridge"),
              std::string::npos)
        << marked;
    EXPECT_EQ(marked.find("RavelinDiffMarker1"), std::string::npos);
    EXPECT_EQ(flags[Key("")] & 0x80, 0x80);
    EXPECT_EQ(pages[Key("KSDiffOrigProcessed")].find("RavelinDiffMarker"), std::string::npos);

    // Extracting: only the changed paragraph (and the one after it, which
    // now follows other bytes) is left of the page.
    brief.Entries[0].MarkDiffs = false;
    Retrieve(Story("Snow on Monday.", "The bridge reopens in June.", "Markets closed higher."));
    EXPECT_TRUE(observer.last.DifferencesFound);
    pages = Pages();
    EXPECT_NE(pages[Key("")].find("Snow on Monday."), std::string::npos);
    EXPECT_EQ(pages[Key("")].find("Markets closed"), std::string::npos);
    EXPECT_NE(pages[Key("KSDiffOrigProcessed")].find("Markets closed"), std::string::npos);
}

TEST_F(EntryPageRunTest, WithoutTheServerThePageIsStoredWhole)
{
    Retrieve(Story("a", "b", "c"));
    server.kill();
    server.waitForFinished(5000);
    Retrieve(Story("a", "changed", "c"));
    ASSERT_EQ(brief.ArchiveFiles.size(), 2u);
    EXPECT_FALSE(observer.last.DifferencesFound);
    EXPECT_EQ(Pages()[Key("")].find("RavelinDiffMarker"), std::string::npos);
}

} // namespace
} // namespace rv
