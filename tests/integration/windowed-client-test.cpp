// The windowed RVClient as a user meets it, on a virtual X display: it
// opens the briefs of its command line, starts RVServer, takes more briefs
// from a second start, runs a brief from the keyboard, and on SIGTERM stores
// its windows and stops the server.
#include "client/briefs/archive-catalogue.h"
#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "client/shell/window-layout.h"
#include "platform/settings-store.h"
#include "tests/support/core-application.h"
#include "tests/support/headless-browser.h"
#include "tests/support/nginx-server.h"
#include "tests/support/sandbox.h"
#include "tests/support/x-display.h"

#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QThread>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>

namespace rv
{
namespace
{

using namespace std::chrono_literals;

class WindowedClientTest : public test::SandboxedTest
{
protected:
    static void SetUpTestSuite() { test::EnsureCoreApplication(); }

    void SetUp() override
    {
        SandboxedTest::SetUp();
        if (const std::string missing = test::XDisplay::MissingTool(); !missing.empty())
            GTEST_SKIP() << missing << " is not installed (tools/setup.sh installs it)";
        std::filesystem::create_directories(PathOf("run"));
        std::filesystem::permissions(PathOf("run"), std::filesystem::perms::owner_all);
        port = test::FreeLoopbackPort();
        std::filesystem::create_directories(PathOf("config") / "Marrowby Works");
        test::WriteFile(PathOf("config") / "Marrowby Works" / "Ravelin.conf",
                        "[Servers]\nRavelin%20Server%20Port=" + std::to_string(port) + "\n");
        nginx = std::make_unique<test::NginxServer>(PathOf("nginx"), "");
        ASSERT_TRUE(nginx->Running());
        test::WriteFile(nginx->Root() / "page.html", "<html><head><title>Page</title></head><body>Text</body></html>\n");

        const std::string started = display.Start();
        ASSERT_EQ(started, "");
        QProcessEnvironment& environment = display.Environment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(PathOf("config").string()));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(PathOf("run").string()));
        outputDir = test::BinDir().parent_path() / "test-output" / "WindowedClientTest";
        std::filesystem::create_directories(outputDir);
    }

    void TearDown() override
    {
        if (client.state() != QProcess::NotRunning)
        {
            client.kill();
            client.waitForFinished();
        }
        // The server the client started, should it still run: its lock
        // names it.
        qint64 server = 0;
        QLockFile lock(QString::fromStdString(PathOf("run/RVServer.lock").string()));
        if (lock.getLockInfo(&server, nullptr, nullptr) && server > 0 && test::WaitForPort(port, 50))
            ::kill(pid_t(server), SIGTERM);
        SandboxedTest::TearDown();
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

    std::string Client() const { return (test::BinDir() / "RVClient").string(); }

    std::unique_ptr<test::NginxServer> nginx;
    std::uint16_t port = 0;
    test::XDisplay display;
    QProcess client;
    std::filesystem::path outputDir;
};

TEST_F(WindowedClientTest, OpensItsBriefsStartsTheServerRunsABriefAndStoresItsWindowsOnSigterm)
{
    const std::string first = MakeBrief("First");
    const std::string second = MakeBrief("Second");
    const std::string handed = MakeBrief("Handed");
    client.setProcessEnvironment(display.Environment());
    client.start(QString::fromStdString(Client()), {QString::fromStdString(first), QString::fromStdString(second)});
    ASSERT_TRUE(client.waitForStarted(5000));
    ASSERT_TRUE(test::WaitForPort(port, 15000)) << "RVClient did not start RVServer";
    ASSERT_TRUE(test::WaitFor([&] { return !display.Windows(QStringLiteral("^Ravelin Pro$")).isEmpty(); }, 15s))
        << client.readAllStandardError().toStdString();

    // A second start hands its brief to the running client and ends.
    QProcess again;
    again.setProcessEnvironment(display.Environment());
    again.start(QString::fromStdString(Client()), {QString::fromStdString(handed)});
    ASSERT_TRUE(again.waitForFinished(15000));
    EXPECT_EQ(again.exitCode(), 0) << again.readAllStandardError().toStdString();
    // The client answered before it opens the brief; the keys below queue
    // behind the opening.
    QThread::msleep(500);

    // Generate Brief (F9) on the active brief window, the one handed over.
    const QStringList main = display.Windows(QStringLiteral("^Ravelin Pro$"));
    ASSERT_FALSE(main.isEmpty());
    display.Run(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), main.first()});
    display.Run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("F9")});
    const auto archives = [&]
    {
        TBrief brief;
        return LoadBrief(handed, brief).Status == LoadStatus::Loaded && !brief.Retrieving &&
                       !std::filesystem::exists(CataloguePath(handed, true))
                   ? brief.ArchiveFiles
                   : std::vector<std::string>{};
    };
    ASSERT_TRUE(test::WaitFor([&] { return archives().size() == 1; }, 30s));
    EXPECT_TRUE(std::filesystem::exists(PathOf(archives()[0])));

    // The server's own window is not what this picture is about.
    for (const QString& window : display.Windows(QStringLiteral("^Ravelin Server$")))
        display.Run(QStringLiteral("xdotool"), {QStringLiteral("windowunmap"), window});
    display.Run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                           QString::fromStdString((outputDir / "main-window.png").string())});

    client.terminate();
    ASSERT_TRUE(client.waitForFinished(15000));
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
    EXPECT_TRUE(test::WaitFor([&] { return !test::WaitForPort(port, 50); }, 10s));
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
    test::WriteFile(PathOf("config") / "Marrowby Works" / "Ravelin.conf",
                    "[Servers]\nRavelin%20Server%20Port=" + std::to_string(port) +
                        "\n[Browser]\nDevTools%20Port=" + std::to_string(browser.Port()) + "\n");
    const std::string brief = MakeBrief("First");
    client.setProcessEnvironment(display.Environment());
    client.start(QString::fromStdString(Client()), {QString::fromStdString(brief)});
    ASSERT_TRUE(client.waitForStarted(5000));
    ASSERT_TRUE(test::WaitFor([&] { return !display.Windows(QStringLiteral("^Ravelin Pro$")).isEmpty(); }, 15s))
        << client.readAllStandardError().toStdString();
    QThread::msleep(500);

    display.Keys(display.Windows(QStringLiteral("^Ravelin Pro$")).first(), {QStringLiteral("alt+b"), QStringLiteral("p")});
    TBrief saved;
    ASSERT_TRUE(
        test::WaitFor([&] { return LoadBrief(brief, saved).Status == LoadStatus::Loaded && saved.Entries.Count() == 2; }, 15s));
    EXPECT_EQ(saved.Entries[0].URL, page);
    EXPECT_EQ(saved.Entries[0].EntryName, "Page");
    for (const QString& window : display.Windows(QStringLiteral("^Ravelin Server$")))
        display.Run(QStringLiteral("xdotool"), {QStringLiteral("windowunmap"), window});
    display.Screenshot(outputDir / "browser-page.png");
}

} // namespace
} // namespace rv
