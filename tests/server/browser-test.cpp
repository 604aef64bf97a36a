// A real browser reads an archive from the running RVServer: headless
// Chromium loads the summary page, follows a link to a stored page and one to
// a link that was not retrieved, and every page and image it asks for must
// arrive. Screenshots of the three pages are kept in
// <build>/test-output/browser/.
#include "devtools-client.h"
#include "platform/settings-store.h"
#include "server-fixture.h"

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
        chromium = QStandardPaths::findExecutable("chromium");
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
        for (QProcess* process : {&browser, &server})
        {
            if (process->state() != QProcess::NotRunning)
            {
                process->kill();
                process->waitForFinished(5000);
            }
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

    // Starts Chromium and connects to its first page; "" on success, else why not.
    std::string StartBrowser()
    {
        const std::filesystem::path profile = PathOf("profile");
        browser.start(chromium, {"--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                                 "--window-size=1000,700", "--remote-debugging-port=0",
                                 "--user-data-dir=" + QString::fromStdString(profile.string()), "about:blank"});
        if (!browser.waitForStarted(10000))
            return "chromium did not start";
        std::string active;
        for (int i = 0; i < 300 && active.find('\n') == std::string::npos; ++i)
        {
            QThread::msleep(100);
            active = ReadFile(profile / "DevToolsActivePort");
        }
        if (active.find('\n') == std::string::npos)
            return "chromium wrote no DevToolsActivePort";
        const int devtoolsPort = std::stoi(active.substr(0, active.find('\n')));
        // The DevTools server wants a Host header; it may take a moment to answer.
        const std::string request =
            "GET /json/list HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(devtoolsPort) + "\r\nConnection: close\r\n\r\n";
        std::string list;
        for (int i = 0; i < 50 && list.find("\r\n\r\n") == std::string::npos; ++i)
        {
            list = Exchange(devtoolsPort, request);
            QThread::msleep(list.empty() ? 100 : 0);
        }
        const std::size_t body = list.find("\r\n\r\n");
        if (body == std::string::npos)
            return "chromium's DevTools server does not answer";
        const QJsonArray targets = QJsonDocument::fromJson(QByteArray::fromStdString(list.substr(body + 4))).array();
        for (const QJsonValue& target : targets)
        {
            if (target.toObject().value("type").toString() == "page")
                return devtools.Connect(target.toObject().value("webSocketDebuggerUrl").toString().toStdString())
                           ? ""
                           : "no WebSocket to the page";
        }
        return "chromium lists no page: " + list;
    }

    // Clicks the link with that id and waits until the new page has loaded.
    bool Follow(const std::string& id)
    {
        devtools.ClearEvents();
        devtools.Evaluate(QString::fromStdString("document.getElementById('" + id + "').click()"));
        return devtools.WaitForEvent("Page.loadEventFired");
    }

    void KeepScreenshot(const std::string& name)
    {
        const QByteArray png = devtools.Screenshot();
        EXPECT_TRUE(png.startsWith("\x89PNG")) << name;
        WriteFile(outputDir / name, png.toStdString());
    }

    // Images of the page that did not arrive or could not be shown.
    std::string BrokenImages()
    {
        return devtools.Evaluate("Array.from(document.images).filter(i => !(i.complete && i.naturalWidth > 0))"
                                 ".map(i => i.src).join(' ')");
    }

    QString chromium;
    int port = 0;
    std::filesystem::path outputDir;
    QProcess server;
    QProcess browser;
    DevToolsClient devtools;
};

TEST_F(BrowserTest, SummaryStoredPageAndLinkNotRetrievedShowWithEveryImage)
{
    const std::filesystem::path archive = MakeArchive();
    ASSERT_TRUE(StartServer()) << "RVServer did not listen";
    const std::string started = StartBrowser();
    ASSERT_EQ(started, "");
    ASSERT_TRUE(devtools.Call("Network.enable"));
    ASSERT_TRUE(devtools.Call("Page.enable"));

    const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/" + archive.string().substr(1) + "/";
    devtools.ClearEvents();
    ASSERT_TRUE(devtools.Call("Page.navigate", {{"url", QString::fromStdString(base)}}));
    ASSERT_TRUE(devtools.WaitForEvent("Page.loadEventFired"));
    const std::string summary = devtools.Evaluate("document.body.innerText");
    EXPECT_TRUE(summary.starts_with("Morning News") && summary.ends_with("Front page")) << summary;
    KeepScreenshot("summary.png");

    ASSERT_TRUE(Follow("stored"));
    EXPECT_EQ(devtools.Evaluate("location.href"), base + "2/www.x.com/page");
    const std::string stored = devtools.Evaluate("document.body.innerText");
    EXPECT_NE(stored.find("Front page story"), std::string::npos) << stored;
    EXPECT_NE(stored.find("Brief Summary | Site Map"), std::string::npos) << "no navigation footer: " << stored;
    EXPECT_NE(devtools.Evaluate("String(document.images.length)"), "0");
    EXPECT_EQ(BrokenImages(), "");
    KeepScreenshot("stored-page.png");

    ASSERT_TRUE(Follow("deep"));
    const std::string deep = devtools.Evaluate("document.body.innerText");
    EXPECT_NE(deep.find("Spider Search Limit Exceeded"), std::string::npos) << deep;
    EXPECT_NE(deep.find("is beyond the range of the spider search set by the user."), std::string::npos) << deep;
    EXPECT_EQ(BrokenImages(), "");
    KeepScreenshot("not-retrieved.png");

    // The browser asks for a site icon on its own; the server has none.
    for (const DevToolsClient::Failure& failure : devtools.Failures())
        if (!failure.url.ends_with("/favicon.ico"))
            ADD_FAILURE() << failure.url << ": " << failure.reason;
    EXPECT_GE(devtools.Answered().size(), 3u);
}

} // namespace
} // namespace rv::test
