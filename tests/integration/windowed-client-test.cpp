// The windowed RVClient as a user meets it, on a virtual X display: it
// opens the briefs of its command line, starts RVServer, takes more briefs
// from a second start, runs a brief from the keyboard, and on SIGTERM stores
// its windows and stops the server.
#include "client/briefs/archive-catalogue.h"
#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "client/shell/window-layout.h"
#include "platform/settings-store.h"
#include "tests/support/headless-browser.h"
#include "tests/support/nginx-server.h"
#include "tests/support/xvfb-client.h"

#include <QProcess>
#include <QTcpSocket>
#include <QThread>
#include <chrono>
#include <gtest/gtest.h>

namespace rv
{
namespace
{

using namespace std::chrono_literals;

class WindowedClientTest : public test::XvfbClientTest
{
protected:
    void SetUp() override
    {
        XvfbClientTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        nginx = std::make_unique<test::NginxServer>(PathOf("nginx"), "");
        ASSERT_TRUE(nginx->Running());
        test::WriteFile(nginx->Root() / "page.html", "<html><head><title>Page</title></head><body>Text</body></html>\n");
    }

    std::string MakeBrief(const std::string& name)
    {
        TBrief brief;
        SetBriefPath(brief, PathOf(name + ".brf").string());
        brief.BriefName = name;
        TWebPage entry = MakeEntry(EntryKind::Web);
        entry.URL = "http://127.0.0.1:" + std::to_string(nginx->Port()) + "/page.html";
        brief.Entries.Insert(entry, 0);
        EXPECT_EQ(SaveBrief(brief, false), SaveStatus::Saved);
        return brief.FilePath;
    }

    std::unique_ptr<test::NginxServer> nginx;
};

TEST_F(WindowedClientTest, OpensItsBriefsStartsTheServerRunsABriefAndStoresItsWindowsOnSigterm)
{
    const std::string first = MakeBrief("First");
    const std::string second = MakeBrief("Second");
    const std::string handed = MakeBrief("Handed");
    ASSERT_TRUE(StartClient({QString::fromStdString(first), QString::fromStdString(second)}));

    // A second start hands its brief to the running client and ends.
    QProcess again;
    again.setProcessEnvironment(environment);
    again.start(QString::fromStdString(Client()), {QString::fromStdString(handed)});
    ASSERT_TRUE(again.waitForFinished(15000));
    EXPECT_EQ(again.exitCode(), 0) << again.readAllStandardError().toStdString();
    // The client answered before it opens the brief; the keys below queue
    // behind the opening.
    QThread::msleep(500);

    // Generate Brief (F9) on the active brief window, the one handed over.
    const QStringList main = Windows(QStringLiteral("^Ravelin Pro$"));
    ASSERT_FALSE(main.isEmpty());
    OnDisplay(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), main.first()});
    OnDisplay(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("F9")});
    const auto archives = [&]
    {
        TBrief brief;
        return LoadBrief(handed, brief).Status == LoadStatus::Loaded && !brief.Retrieving &&
                       !std::filesystem::exists(CataloguePath(handed, true))
                   ? brief.ArchiveFiles
                   : std::vector<std::string>{};
    };
    ASSERT_TRUE(WaitFor([&] { return archives().size() == 1; }, 30s));
    EXPECT_TRUE(std::filesystem::exists(PathOf(archives()[0])));

    Screenshot("main-window");

    client.terminate();
    ASSERT_TRUE(client.waitForFinished(30000));
    EXPECT_EQ(client.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(client.exitCode(), 0);
    const WindowLayout layout =
        LayoutFromText(SettingsStore(QString::fromStdString((PathOf("config") / "Marrowby Works" / "Ravelin.conf").string()))
                           .Value("Startup/Open Briefs")
                           .value_or(""));
    std::vector<std::string> paths;
    for (const BriefWindowPlacement& window : layout.Briefs)
    {
        paths.push_back(window.Path);
        EXPECT_GT(window.Placement.Width, 100) << window.Path;
        EXPECT_GT(window.Placement.Height, 100) << window.Path;
    }
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{first, handed, second}));
    // "Close Server" is on unless the user turned it off.
    EXPECT_TRUE(WaitFor([&] { return !test::WaitForPort(port, 50); }, 10s));
}

// The browser's page comes from its DevTools port: Add Page from Browser
// (Alt+B, P) puts the page's address and title at the top of the brief.
TEST_F(WindowedClientTest, AddPageFromBrowserTakesThePageTheBrowserShows)
{
    if (test::HeadlessBrowser::Program().isEmpty())
        GTEST_SKIP() << "chromium is not installed (tools/setup.sh installs it)";
    test::HeadlessBrowser browser;
    ASSERT_EQ(browser.Start(PathOf("profile")), "");
    const std::string page = "http://127.0.0.1:" + std::to_string(nginx->Port()) + "/page.html";
    ASSERT_TRUE(browser.Navigate(page));
    AddSettings("[Browser]\nDevTools%20Port=" + std::to_string(browser.Port()) + "\n");
    const std::string brief = MakeBrief("First");
    ASSERT_TRUE(StartClient({QString::fromStdString(brief)}));
    QThread::msleep(500);

    Keys(Windows(QStringLiteral("^Ravelin Pro$")).first(), {QStringLiteral("alt+b"), QStringLiteral("p")});
    TBrief saved;
    ASSERT_TRUE(
        WaitFor([&] { return LoadBrief(brief, saved).Status == LoadStatus::Loaded && saved.Entries.Count() == 2; }, 15s));
    EXPECT_EQ(saved.Entries[0].URL, page);
    EXPECT_EQ(saved.Entries[0].EntryName, "Page");
    Screenshot("browser-page");
}

} // namespace
} // namespace rv
