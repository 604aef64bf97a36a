// The run windows in the real RVClient on a virtual X display: a run started
// with F9 shows its pending entries in "Generating Brief", Skip Entry cuts a
// stalled entry short so the run ends, the status log views the stored
// brief in the browser and deletes the archive the server holds open, and
// SIGTERM with the run windows open still ends the program and keeps the
// status log for the next start.
#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "platform/settings-store.h"
#include "tests/support/nginx-server.h"
#include "tests/support/origin-server.h"
#include "tests/support/served-page.h"
#include "tests/support/xvfb-client.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

using namespace std::chrono_literals;

class WindowedRunTest : public test::XvfbClientTest
{
protected:
    void SetUp() override
    {
        XvfbClientTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        // The first entry's server never answers; the second's trickles its
        // page for some seconds, long enough to skip the first.
        stalled = std::make_unique<test::OriginServer>(std::vector<test::OriginReply>{{.bytes = "", .stall = true}});
        nginx = std::make_unique<test::NginxServer>(PathOf("nginx"), "location /slow.html { limit_rate 4k; }\n");
        ASSERT_TRUE(nginx->Running());
        test::WriteFile(nginx->Root() / "slow.html",
                        "<html><head><title>Slow</title></head><body>" + std::string(24000, 'x') + "</body></html>\n");
        // A stand-in browser that writes down what it was asked to open.
        test::WriteFile(PathOf("browser.sh"), "#!/bin/sh\necho \"$1\" >> '" + PathOf("browser.log").string() + "'\n");
        std::filesystem::permissions(PathOf("browser.sh"), std::filesystem::perms::owner_all);
        AddSettings("[Browser]\nBrowser%20Path=" + PathOf("browser.sh").string() + "\n[Startup]\nFirst%20Start=No\n");
    }

    std::string MakeBrief()
    {
        TBrief brief;
        SetBriefPath(brief, PathOf("Watched.brf").string());
        brief.BriefName = "Watched";
        const std::pair<const char*, std::string> entries[] = {
            {"Stalled Page", "http://127.0.0.1:" + std::to_string(stalled->Port()) + "/stalled.html"},
            {"Slow Page", "http://127.0.0.1:" + std::to_string(nginx->Port()) + "/slow.html"},
        };
        for (const auto& [name, url] : entries)
        {
            TWebPage entry = MakeEntry(EntryKind::Web);
            entry.EntryName = name;
            entry.NameSet = true;
            entry.URL = url;
            brief.Entries.Insert(entry, brief.Entries.Count());
        }
        EXPECT_EQ(SaveBrief(brief, false), SaveStatus::Saved);
        return brief.FilePath;
    }

    // The archives of the brief once its run has ended.
    std::vector<std::string> Archives(const std::string& path)
    {
        TBrief brief;
        return LoadBrief(path, brief).Status == LoadStatus::Loaded && !brief.Retrieving ? brief.ArchiveFiles
                                                                                        : std::vector<std::string>{};
    }

    std::string StoredSetting(const char* key)
    {
        return SettingsStore(QString::fromStdString(SettingsPath().string())).Value(key).value_or("");
    }

    std::unique_ptr<test::OriginServer> stalled;
    std::unique_ptr<test::NginxServer> nginx;
};

TEST_F(WindowedRunTest, SkipEndsTheRunAndTheStatusLogViewsAndDeletesTheArchiveTheServerHolds)
{
    const std::string brief = MakeBrief();
    ASSERT_TRUE(StartClient({QString::fromStdString(brief)}));
    const QString main = WaitForWindow(QStringLiteral("^Ravelin Pro$"));
    QThread::msleep(500);
    Keys(main, {QStringLiteral("F9")});
    const QString progress = WaitForWindow(QStringLiteral("^Generating Brief$"));
    ASSERT_FALSE(progress.isEmpty());
    ASSERT_TRUE(WaitFor([&] { return stalled->Connections() > 0; }, 15s));
    QThread::msleep(300);
    Screenshot("generating-brief");

    // The first pending entry, the stalled one, and "Skip &Entry".
    Keys(progress, {QStringLiteral("Tab"), QStringLiteral("space"), QStringLiteral("alt+e")});
    const QString question = WaitForWindow(QStringLiteral("^Skip Entry\\?$"), 5s);
    ASSERT_FALSE(question.isEmpty());
    Screenshot("skip-entry");
    Keys(question, {QStringLiteral("Return")});
    QThread::msleep(300);
    Screenshot("generating-brief-skipped");

    // Without the skip the run would wait for the stalled server.
    ASSERT_TRUE(WaitFor([&] { return Archives(brief).size() == 1; }, 30s)) << "the run did not end";
    const std::string archive = Archives(brief)[0];
    const std::filesystem::path archivePath = PathOf(archive);
    ASSERT_TRUE(std::filesystem::exists(archivePath));
    EXPECT_TRUE(WaitFor([&] { return Windows(QStringLiteral("^Generating Brief$")).isEmpty(); }, 10s));

    // The brief's archives and the packaging dialog, for their pictures.
    Keys(main, {QStringLiteral("alt+v"), QStringLiteral("a")});
    const QString archives = WaitForWindow(QStringLiteral("^Brief Archive$"), 5s);
    ASSERT_FALSE(archives.isEmpty());
    Screenshot("brief-archive");
    Keys(archives, {QStringLiteral("alt+p")});
    const QString package = WaitForWindow(QStringLiteral("^Package Brief$"), 5s);
    ASSERT_FALSE(package.isEmpty());
    Screenshot("package-brief");
    Keys(package, {QStringLiteral("Escape")});
    ASSERT_TRUE(WaitFor([&] { return Windows(QStringLiteral("^Package Brief$")).isEmpty(); }, 5s));
    Keys(archives, {QStringLiteral("Escape")});
    ASSERT_TRUE(WaitFor([&] { return Windows(QStringLiteral("^Brief Archive$")).isEmpty(); }, 5s));

    // The notice of the finished brief leads to the status log.
    const QString notice = WaitForWindow(QStringLiteral("^Available Briefs$"), 10s);
    ASSERT_FALSE(notice.isEmpty());
    Screenshot("available-briefs");
    Keys(notice, {QStringLiteral("alt+s")});
    QThread::msleep(500);
    Screenshot("status-log");

    // View Brief hands the summary page's address to the browser.
    Keys(main, {QStringLiteral("Home"), QStringLiteral("alt+v")});
    const std::string address = "/" + archivePath.relative_path().generic_string() + "/";
    const std::string expected = "http://127.0.0.1:" + std::to_string(port) + address;
    EXPECT_TRUE(WaitFor([&] { return test::ReadFile(PathOf("browser.log")).find(expected) != std::string::npos; }, 5s))
        << test::ReadFile(PathOf("browser.log"));
    const std::string summary = test::ServedPage(port, archivePath.string(), "");
    EXPECT_NE(summary.find("Slow Page"), std::string::npos) << summary.substr(0, 400);

    // The server holds the archive open; Delete Brief has it let go first.
    Keys(main, {QStringLiteral("alt+d")});
    const QString confirm = WaitForWindow(QStringLiteral("^Delete Archived Brief\\?$"), 5s);
    ASSERT_FALSE(confirm.isEmpty());
    Screenshot("delete-archived-brief");
    Keys(confirm, {QStringLiteral("Return")});
    EXPECT_TRUE(WaitFor([&] { return !std::filesystem::exists(archivePath); }, 10s));
    EXPECT_NE(test::ServedPage(port, archivePath.string(), "").find("File Not Found"), std::string::npos);
    QThread::msleep(300);
    Screenshot("status-log-deleted");

    // SIGTERM with the progress window open again and the status log open.
    Keys(main, {QStringLiteral("alt+v"), QStringLiteral("p")});
    EXPECT_FALSE(WaitForWindow(QStringLiteral("^Generating Brief$"), 5s).isEmpty());
    Screenshot("generating-brief-after-run");
    client.terminate();
    ASSERT_TRUE(client.waitForFinished(30000));
    EXPECT_EQ(client.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(client.exitCode(), 0);
    EXPECT_EQ(StoredSetting("Startup/Show Log"), "Yes");
}

} // namespace
} // namespace rv
