// A real browser reads an archive from the running RVServer: headless
// Chromium loads the summary page, follows a link to a stored page and one to
// a link that was not retrieved, and every page and image it asks for must
// arrive. Screenshots of the three pages are kept in
// <build>/test-output/browser/.
#include "platform/settings-store.h"
#include "server-fixture.h"
#include "tests/support/devtools-client.h"
#include "tests/support/headless-browser.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>

namespace rv::test
{
namespace
{

class BrowserTest : public SandboxedTest
{
protected:
    void SetUp() override
    {
        SandboxedTest::SetUp();
        chromium = HeadlessBrowser::Program();
        if (chromium.isEmpty())
            GTEST_SKIP() << "chromium is not installed (tools/setup.sh installs it)";
        EnsureQtApp();
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(PathOf("config").string()));
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(PathOf("run").string()));
        std::filesystem::create_directories(PathOf("run"));
        std::filesystem::permissions(PathOf("run"), std::filesystem::perms::owner_all);
        port = FreePort();
        SettingsStore store(DefaultSettingsPath());
        store.SetValue(PortKey, std::to_string(port));
        store.SetValue(DisplayHeaderKey, "Yes");
        store.SetValue(DisplayWarningKey, "Yes");
        store.Sync();
        outputDir = BinDir().parent_path() / "test-output" / "browser";
        std::filesystem::create_directories(outputDir);
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

    // A summary page linking to a stored page, which links to a page that
    // was too deep to fetch.
    std::filesystem::path MakeArchive()
    {
        const std::filesystem::path path = PathOf("News.rvd");
        TKSDB store;
        EXPECT_TRUE(store.Open(path, "News"));
        StorePage(store, "index", "",
                  "<html><body><h1>Morning News</h1><a id=stored href=\"2/www.x.com/page\">Front page</a></body></html>", 0,
                  -1);
        StorePage(store, "www.x.com/page", "<html><head><title>Front</title></head><body>",
                  "<p>Front page story</p><a id=deep href=\"-/\\www.far.com/deep\">Deep story</a></body></html>", 0x37, 2);
        store.AddTooDeep("www.far.com/deep", "Caption", 2, 0);
        EXPECT_TRUE(store.Close());
        return path;
    }

    bool StartServer()
    {
        server.start(QString::fromStdString((BinDir() / "RVServer").string()), {"--no-window"});
        if (!server.waitForStarted(5000))
            return false;
        for (int i = 0; i < 100; ++i)
        {
            const int fd = ConnectTo(port);
            if (fd >= 0)
            {
                ::close(fd);
                return true;
            }
            QThread::msleep(50);
        }
        return false;
    }

    void KeepScreenshot(const std::string& name) { EXPECT_TRUE(browser.KeepScreenshot(outputDir / name)) << name; }

    QString chromium;
    int port = 0;
    std::filesystem::path outputDir;
    QProcess server;
    HeadlessBrowser browser;
};

TEST_F(BrowserTest, SummaryStoredPageAndLinkNotRetrievedShowWithEveryImage)
{
    const std::filesystem::path archive = MakeArchive();
    ASSERT_TRUE(StartServer()) << "RVServer did not listen";
    ASSERT_EQ(browser.Start(PathOf("profile")), "");

    const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/" + archive.string().substr(1) + "/";
    ASSERT_TRUE(browser.Navigate(base));
    const std::string summary = browser.Text();
    EXPECT_TRUE(summary.starts_with("Morning News") && summary.ends_with("Front page")) << summary;
    KeepScreenshot("summary.png");

    ASSERT_TRUE(browser.Click("#stored"));
    EXPECT_EQ(browser.Location(), base + "2/www.x.com/page");
    const std::string stored = browser.Text();
    EXPECT_NE(stored.find("Front page story"), std::string::npos) << stored;
    EXPECT_NE(stored.find("Brief Summary | Site Map"), std::string::npos) << "no navigation footer: " << stored;
    EXPECT_NE(browser.DevTools().Evaluate("String(document.images.length)"), "0");
    EXPECT_EQ(browser.BrokenImages(), "");
    KeepScreenshot("stored-page.png");

    ASSERT_TRUE(browser.Click("#deep"));
    const std::string deep = browser.Text();
    EXPECT_NE(deep.find("Spider Search Limit Exceeded"), std::string::npos) << deep;
    EXPECT_NE(deep.find("is beyond the range of the spider search set by the user."), std::string::npos) << deep;
    EXPECT_EQ(browser.BrokenImages(), "");
    KeepScreenshot("not-retrieved.png");

    // The browser asks for a site icon on its own; the server has none.
    for (const DevToolsClient::Failure& failure : browser.DevTools().Failures())
        if (!failure.url.ends_with("/favicon.ico"))
            ADD_FAILURE() << failure.url << ": " << failure.reason;
    EXPECT_GE(browser.DevTools().Answered().size(), 3u);
}

} // namespace
} // namespace rv::test
