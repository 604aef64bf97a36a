// What the preferences change reaches the programs: the next run of RVClient goes through the proxy with the
// user agent chosen (seen by a real tinyproxy and in nginx's access log), and a running RVServer moves to the
// new port.
#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "client/briefs/web-page.h"
#include "client/shell/dialogs/settings/preferences-dialog.h"
#include "platform/settings-store.h"
#include "tests/support/nginx-server.h"
#include "tests/support/offscreen-widgets.h"
#include "tests/support/sandbox.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QSpinBox>
#include <gtest/gtest.h>

namespace rv::test
{
namespace
{

class SettingsReachRunTest : public SandboxedTest
{
protected:
    void SetUp() override
    {
        SandboxedTest::SetUp();
        EnsureWidgetsApplication();
        setenv("XDG_CONFIG_HOME", PathOf("config").c_str(), 1);
        std::filesystem::create_directories(PathOf("run"));
        std::filesystem::permissions(PathOf("run"), std::filesystem::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", PathOf("run").c_str(), 1);
        options.applied = [](const ClientSettings&) {};
    }

    template <typename Widget> Widget& Find(QWidget& dialog, const char* name)
    {
        auto* widget = dialog.findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return *widget;
    }

    PreferencesOptions options;
};

TEST_F(SettingsReachRunTest, TheProxyAndUserAgentChosenAreUsedByTheNextRun)
{
    // nginx refuses what did not come through a proxy.
    NginxServer nginx(PathOf("nginx"), "location / { if ($http_via = \"\") { return 403; } }");
    TinyProxy proxy(PathOf("proxy"));
    ASSERT_TRUE(nginx.Running() && proxy.Running());
    WriteFile(nginx.Root() / "page.html", "<html><body>through the proxy</body></html>\n");

    {
        SettingsStore store;
        ClientSettings settings;
        ReadStartupSettings(store, settings);
        options.resetServer = [](int) { return false; };
        TKSPrefs dialog(store, settings, options);
        auto& server = Find<QLineEdit>(dialog, "ProxyServer");
        server.setText(QString("http://localhost:%1").arg(proxy.Port()));
        emit server.editingFinished();
        Find<QLineEdit>(dialog, "ProxyUserName").setText("proxyuser");
        Find<QLineEdit>(dialog, "ProxyPassword").setText("proxypass");
        Find<QLineEdit>(dialog, "ProxyConfirmPassword").setText("proxypass");
        Find<QComboBox>(dialog, "UserAgent").setEditText("PrefsAgent/1.0");
        ASSERT_TRUE(dialog.Apply());
    }

    TBrief brief;
    SetBriefPath(brief, PathOf("Prefs.brf").string());
    TWebPage entry = MakeEntry(EntryKind::Web);
    entry.URL = "http://localhost:" + std::to_string(nginx.Port()) + "/page.html";
    brief.Entries.Insert(entry, 0);
    ASSERT_EQ(SaveBrief(brief, false), SaveStatus::Saved);

    QProcess client;
    client.setProcessChannelMode(QProcess::MergedChannels);
    client.start(QString::fromStdString((BinDir() / "RVClient").string()),
                 {"--generate", QString::fromStdString(brief.FilePath)});
    ASSERT_TRUE(client.waitForFinished(60000));
    EXPECT_EQ(client.exitCode(), 0) << client.readAll().toStdString();
    const std::string log = ReadFile(PathOf("nginx") / "access.log");
    EXPECT_NE(log.find("\"GET /page.html HTTP/1.0\" 200 "), std::string::npos) << log;
    EXPECT_NE(log.find("\"PrefsAgent/1.0\""), std::string::npos) << log;
}

TEST_F(SettingsReachRunTest, ANewServerPortMovesTheRunningServer)
{
    const std::uint16_t before = FreeLoopbackPort();
    std::filesystem::create_directories(PathOf("config") / "Marrowby Works");
    WriteFile(PathOf("config") / "Marrowby Works" / "Ravelin.conf",
              "[Servers]\nRavelin%20Server%20Port=" + std::to_string(before) + "\n");
    QProcess server;
    server.start(QString::fromStdString((BinDir() / "RVServer").string()), {"--no-window"});
    ASSERT_TRUE(WaitForPort(before, 10000));

    std::uint16_t after = FreeLoopbackPort();
    while (after == before)
        after = FreeLoopbackPort();
    {
        SettingsStore store;
        ClientSettings settings;
        ReadStartupSettings(store, settings);
        TKSPrefs dialog(store, settings, options);
        Find<QSpinBox>(dialog, "ServerPort").setValue(after);
        EXPECT_TRUE(dialog.Apply());
    }
    EXPECT_TRUE(WaitForPort(after, 5000));
    EXPECT_FALSE(WaitForPort(before, 200));
    server.kill();
    server.waitForFinished(5000);
}

} // namespace
} // namespace rv::test
