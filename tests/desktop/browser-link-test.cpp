// The link to the browser: the command that gets an address, the desktop's
// default browser, and the page a real headless Chromium shows through its
// DevTools port.
#include "client/shell/desktop/browser-link.h"
#include "platform/settings-store.h"
#include "tests/support/headless-browser.h"
#include "tests/support/nginx-server.h"
#include "tests/support/offscreen-widgets.h"
#include "tests/support/sandbox.h"

#include <QThread>
#include <gtest/gtest.h>

namespace rv::test
{
namespace
{

class BrowserLinkTest : public SandboxedTest
{
protected:
    void SetUp() override
    {
        SandboxedTest::SetUp();
        EnsureWidgetsApplication();
    }

    // A program that writes its arguments, each followed by "|", to `out`.
    std::filesystem::path Recorder(const std::string& name, const std::string& out)
    {
        const std::filesystem::path script = PathOf(name);
        WriteFile(script, "#!/bin/sh\nprintf '%s|' \"$@\" > '" + out + "'\n");
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        return script;
    }

    std::string WaitForFile(const std::filesystem::path& path)
    {
        for (int i = 0; i < 500 && ReadFile(path).empty(); ++i)
            QThread::msleep(10);
        return ReadFile(path);
    }

    QString Settings() const { return QString::fromStdString(PathOf("settings.conf").string()); }
};

TEST_F(BrowserLinkTest, BlanksOfTheAddressReachTheBrowserCommandAsPercent20)
{
    const std::filesystem::path script = Recorder("browser with blank.sh", PathOf("args").string());
    {
        SettingsStore store(Settings());
        store.SetValue("Browser/Browser Path", "\"" + script.string() + "\"");
        store.Sync();
    }
    EXPECT_EQ(OpenInBrowser(nullptr, "http://127.0.0.1:1888/home/ann/My Briefs/News.rvd/", Settings()), BrowserLoad::Started);
    EXPECT_EQ(WaitForFile(PathOf("args")), "http://127.0.0.1:1888/home/ann/My%20Briefs/News.rvd/|");
}

TEST_F(BrowserLinkTest, DesktopDefaultBrowserIsTheExecOfItsDesktopFile)
{
    const std::filesystem::path bin = PathOf("bin");
    std::filesystem::create_directories(bin);
    WriteFile(bin / "xdg-settings", "#!/bin/sh\n[ \"$1 $2\" = 'get default-web-browser' ] && echo test-browser.desktop\n");
    std::filesystem::permissions(bin / "xdg-settings", std::filesystem::perms::owner_all);
    const std::filesystem::path browser = Recorder("bin/web browser", PathOf("unused").string());
    std::filesystem::create_directories(PathOf("share/applications/test"));
    WriteFile(PathOf("share/applications/test/browser.desktop"), "[Desktop Entry]\nType=Application\nName=Test\nExec=\"" +
                                                                     browser.string() +
                                                                     "\" --new-window %U\n[Desktop Action new]\nExec=wrong\n");
    const QByteArray oldPath = qgetenv("PATH");
    const QByteArray oldData = qgetenv("XDG_DATA_DIRS");
    const QByteArray oldHome = qgetenv("XDG_DATA_HOME");
    qputenv("PATH", QByteArray::fromStdString(bin.string()) + ":" + oldPath);
    qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(PathOf("share").string()));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(PathOf("home-share").string()));
    const QStringList command = DesktopBrowserCommand();
    qputenv("PATH", oldPath);
    qputenv("XDG_DATA_DIRS", oldData);
    qputenv("XDG_DATA_HOME", oldHome);
    EXPECT_EQ(command, (QStringList{QString::fromStdString(browser.string()), "--new-window"}));
}

TEST_F(BrowserLinkTest, CopiedTextIsAPageOnlyWhenItIsOneAddress)
{
    const std::pair<const char*, const char*> cases[] = {
        {"  https://www.example.com/a?b=c\n", "https://www.example.com/a?b=c"},
        {"FILE:///home/ann/page.html", "FILE:///home/ann/page.html"},
        {"http://", nullptr},
        {"see http://x.example/", nullptr},
        {"http://x.example/ and more", nullptr},
        {"javascript:alert(1)", nullptr},
    };
    for (const auto& [text, address] : cases)
    {
        const std::optional<PageInformation> expected =
            address ? std::optional<PageInformation>(PageInformation{address, address}) : std::nullopt;
        EXPECT_EQ(CopiedPage(QString::fromUtf8(text)), expected) << text;
    }
}

TEST_F(BrowserLinkTest, NothingAnswersOnAPortWithoutABrowser)
{
    EXPECT_FALSE(DevToolsPage(0));
    EXPECT_FALSE(DevToolsPage(FreeLoopbackPort(), 500));
}

TEST_F(BrowserLinkTest, ChromiumShowingAPageGivesItsAddressAndTitle)
{
    if (HeadlessBrowser::Program().isEmpty())
        GTEST_SKIP() << "chromium is not installed";
    NginxServer nginx(PathOf("nginx"), "location / { }");
    ASSERT_TRUE(nginx.Running());
    std::filesystem::create_directories(nginx.Root() / "news");
    WriteFile(nginx.Root() / "news" / "today.html",
              "<html><head><meta charset=\"utf-8\"><title>Today \xe2\x80\x93 News</title></head><body>News</body></html>");
    HeadlessBrowser browser;
    ASSERT_EQ(browser.Start(PathOf("profile")), "");
    const std::string url = "http://127.0.0.1:" + std::to_string(nginx.Port()) + "/news/today.html";
    ASSERT_TRUE(browser.Navigate(url));
    const std::string active = ReadFile(PathOf("profile") / "DevToolsActivePort");
    const int port = std::stoi(active.substr(0, active.find('\n')));
    {
        SettingsStore store(Settings());
        store.SetValue("Browser/DevTools Port", std::to_string(port));
        store.Sync();
    }
    const std::optional<PageInformation> page = AskBrowserForPage(Settings());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->Address, url);
    EXPECT_EQ(page->Title, "Today \xe2\x80\x93 News");
}

} // namespace
} // namespace rv::test
