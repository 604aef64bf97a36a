// The preferences and the "No Proxy For" list offscreen: the checks that stop Apply and what they leave
// unstored, the stored forms of what is typed, the prompts, the server reset, and a picture of every page.
#include "client/shell/dialogs/settings/no-proxy-dialog.h"
#include "client/shell/dialogs/settings/preferences-dialog.h"
#include "platform/settings-store.h"
#include "tests/support/offscreen-widgets.h"
#include "tests/support/sandbox.h"
#include "widgets/help-opener.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace rv::test
{
namespace
{

class PreferencesTest : public SandboxedTest
{
protected:
    void SetUp() override
    {
        SandboxedTest::SetUp();
        EnsureWidgetsApplication();
        store = std::make_unique<SettingsStore>(QString::fromStdString(PathOf("Ravelin.conf").string()));
        options.resetServer = [this](int port)
        {
            resets.push_back(port);
            return true;
        };
        options.applied = [](const ClientSettings&) {};
    }

    template <typename Widget> Widget& Find(QWidget& dialog, const char* name)
    {
        auto* widget = dialog.findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return *widget;
    }

    // The file as another program reads it.
    std::optional<std::string> Stored(std::string_view key) const
    {
        return SettingsStore(QString::fromStdString(PathOf("Ravelin.conf").string())).Value(key);
    }

    std::unique_ptr<SettingsStore> store;
    ClientSettings settings;
    PreferencesOptions options;
    std::vector<int> resets;
};

TEST_F(PreferencesTest, ABrowserThatIsNotThereStopsApplyBeforeAnythingIsStored)
{
    TKSPrefs dialog(*store, settings, options);
    Find<QLineEdit>(dialog, "BrowserPath").setText(QString::fromStdString(PathOf("no-browser").string()));
    Find<QSpinBox>(dialog, "ServerPort").setValue(2000);
    std::string caption, text;
    AnswerNextMessageBox(MessageAnswer::Ok,
                         [&](MessageBox& box)
                         {
                             caption = box.windowTitle().toStdString();
                             text = box.Text().toStdString();
                         });
    EXPECT_FALSE(dialog.Apply());
    EXPECT_EQ(caption, "Browser Location Error");
    EXPECT_EQ(text, "Browser does not exist at specified location.");
    for (const char* key : {"Disk Buffer/MegaBytes", "Dialer/UsingDialer", "Browser/Browser Path", "Servers/Proxy/Proxy Port",
                            "Servers/Ravelin Server Port", "Briefs/UserAgent"})
        EXPECT_FALSE(Stored(key)) << key;
    EXPECT_TRUE(resets.empty());
    EXPECT_EQ(settings.Servers.port, 1888);

    // Asked for the dialer, the browser is not checked.
    dialog.Prepare(PreferencesPage::DialUp, PreferencesPrompt::SetDialer);
    Find<QLineEdit>(dialog, "BrowserPath").setText(QString::fromStdString(PathOf("no-browser").string()));
    EXPECT_TRUE(dialog.Apply());
}

TEST_F(PreferencesTest, AProxyPasswordNotConfirmedStopsTheGroupsAfterTheProxy)
{
    TKSPrefs dialog(*store, settings, options);
    Find<QLineEdit>(dialog, "ProxyUserName").setText("ann");
    Find<QLineEdit>(dialog, "ProxyPassword").setText("secret");
    Find<QLineEdit>(dialog, "ProxyConfirmPassword").setText("secrets");
    Find<QSpinBox>(dialog, "MaxSockets").setValue(9);
    std::string text;
    AnswerNextMessageBox(MessageAnswer::Ok, [&](MessageBox& box) { text = box.Text().toStdString(); });
    EXPECT_FALSE(dialog.Apply());
    EXPECT_EQ(text, "Proxy Password not correctly confirmed.");
    EXPECT_TRUE(Stored("Servers/Proxy/Proxy Port"));
    EXPECT_FALSE(Stored("Servers/Proxy/UserName"));
    EXPECT_FALSE(Stored("Network/Max Sockets"));
    EXPECT_TRUE(settings.Proxy.UserName.empty());
}

TEST_F(PreferencesTest, ABriefPasswordNotConfirmedStillStoresTheUserAgent)
{
    TKSPrefs dialog(*store, settings, options);
    Find<QLineEdit>(dialog, "BriefUserName").setText("ann");
    Find<QLineEdit>(dialog, "BriefPassword").setText("secret");
    Find<QComboBox>(dialog, "UserAgent").setEditText("Netscape Navigator 4.05");
    std::string text;
    AnswerNextMessageBox(MessageAnswer::Ok, [&](MessageBox& box) { text = box.Text().toStdString(); });
    EXPECT_FALSE(dialog.Apply());
    EXPECT_EQ(text, "Default Brief Password not correctly confirmed.");
    EXPECT_EQ(Stored("Briefs/UserAgent"), "Mozilla/4.05");
    EXPECT_FALSE(Stored("Briefs/UserName"));
}

TEST_F(PreferencesTest, TypedValuesAreStoredInTheirStoredForms)
{
    TKSPrefs dialog(*store, settings, options);
    auto& proxy = Find<QLineEdit>(dialog, "ProxyServer");
    proxy.setText("http://proxy:3128");
    emit proxy.editingFinished();
    EXPECT_EQ(proxy.text(), "proxy");
    EXPECT_EQ(Find<QSpinBox>(dialog, "ProxyPort").value(), 3128);
    Find<QComboBox>(dialog, "UserAgent").setEditText("Agent/7 (test)");
    Find<QSpinBox>(dialog, "DiskBuffer").setValue(12);
    Find<QSpinBox>(dialog, "ServerPort").setValue(2777);
    Find<QSpinBox>(dialog, "DevToolsPort").setValue(9222);
    EXPECT_TRUE(dialog.Apply());
    EXPECT_EQ(Stored("Browser/DevTools Port"), "9222");
    EXPECT_EQ(Stored("Servers/Proxy/Proxy Server"), "proxy");
    EXPECT_EQ(Stored("Servers/Proxy/Proxy Port"), "3128");
    EXPECT_EQ(Stored("Briefs/UserAgent"), "Agent/7 (test)");
    EXPECT_EQ(Stored("Disk Buffer/MegaBytes"), "12");
    EXPECT_EQ(Stored("Servers/Ravelin Server Port"), "2777");
    EXPECT_EQ(resets, std::vector<int>{2777});
    EXPECT_TRUE(dialog.Apply());
    EXPECT_EQ(resets, std::vector<int>{2777}) << "an unchanged port is not sent again";
}

TEST_F(PreferencesTest, NoProxyForStoresOneItemPerLineAndAZeroByte)
{
    struct Row
    {
        const char* typed;
        std::string stored;
    };
    for (const Row& row : {Row{"intranet\n  10.0.0.1:8080 \nlocalhost\n", std::string("\x09intranet\x0e"
                                                                                      "10.0.0.1:8080\x0alocalhost\0",
                                                                                      34)},
                           Row{"", std::string(1, '\0')}, Row{"\n \n", std::string(1, '\0')}})
    {
        std::vector<std::string> hosts{"old.example"};
        TNoProxyFor dialog(*store, hosts, nullptr);
        Find<QPlainTextEdit>(dialog, "NoProxyForText").setPlainText(QString::fromLatin1(row.typed));
        dialog.accept();
        EXPECT_EQ(Stored("Briefs/NoProxyFor"), row.stored) << row.typed;
    }
}

TEST_F(PreferencesTest, APromptOpensItsPageUnderItsCaption)
{
    struct Row
    {
        PreferencesPrompt prompt;
        PreferencesPage page;
        const char* caption;
    };
    for (const Row& row : {Row{PreferencesPrompt::SetBrowser, PreferencesPage::General, "Please Set the Browser"},
                           Row{PreferencesPrompt::SetDialer, PreferencesPage::DialUp, "Please Set the Dialer"},
                           Row{PreferencesPrompt::None, PreferencesPage::Proxy, "Ravelin Pro Preferences"}})
    {
        TKSPrefs dialog(*store, settings, options);
        dialog.Prepare(row.page, row.prompt);
        EXPECT_EQ(dialog.windowTitle().toStdString(), row.caption);
        EXPECT_EQ(Find<QTabWidget>(dialog, "Pages").currentIndex(), int(row.page));
    }
}

TEST_F(PreferencesTest, EveryPageFitsAndHelpOpensThePreferencesPage)
{
    TKSPrefs dialog(*store, settings, options);
    auto& pages = Find<QTabWidget>(dialog, "Pages");
    dialog.adjustSize();
    EXPECT_LE(dialog.width(), 1024);
    EXPECT_LE(dialog.height(), 740);
    for (int page = 0; page < pages.count(); ++page)
    {
        pages.setCurrentIndex(page);
        SaveScreenshot(dialog, "page-" + std::to_string(page) + "-" + pages.tabText(page).toStdString());
    }
    std::vector<std::string> hosts{"intranet", "localhost:8080"};
    TNoProxyFor noProxy(*store, hosts, nullptr);
    SaveScreenshot(noProxy, "no-proxy-for");

    QString opened;
    dialog.Help().launch = [&opened](const QString& url)
    {
        opened = url;
        return BrowserLoad::Started;
    };
    Find<QPushButton>(dialog, "HelpButton").click();
    EXPECT_TRUE(opened.endsWith("/help/41.html")) << opened.toStdString();
}

} // namespace
} // namespace rv::test
