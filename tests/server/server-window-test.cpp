// The RVServer window offscreen: counters, the Options menu against the
// settings file, closing with and without the question, and the failure boxes.
#include "server-fixture.h"
#include "server/window/error-dialogs.h"
#include "server/window/server-window.h"
#include "tests/support/offscreen-widgets.h"
#include "widgets/help-opener.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace rv::test
{
namespace
{

class ServerWindowTest : public ServerTest
{
protected:
    void SetUp() override
    {
        EnsureWidgetsApplication();
        ServerTest::SetUp();
    }

    void TearDown() override
    {
        window.reset();
        ServerTest::TearDown();
    }

    TForm1& OpenWindow(bool shutdownWarning)
    {
        SettingsStore store(SettingsPath());
        store.SetValue(ShutdownWarningKey, shutdownWarning ? "Yes" : "No");
        store.Sync();
        window = std::make_unique<TForm1>(
            ServerWindowOptions{SettingsPath(), QString::fromStdString(Dir().string()), std::optional<bool>(true)});
        window->AttachServer(server.get());
        server->onCountersChanged = [this] { window->CountersChanged(); };
        window->onClosed = [this] { ++closedCount; };
        window->show();
        return *window;
    }

    std::string Switch(const char* key) { return SettingsStore(SettingsPath()).Value(key).value_or(""); }

    std::unique_ptr<TForm1> window;
    int closedCount = 0;
};

TEST_F(ServerWindowTest, CountersShowFilesAndBytesServed)
{
    TForm1& form = OpenWindow(false);
    EXPECT_EQ(form.FilesServedText(), "0");
    const std::string first = Get("GET /images/diff.gif HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    const std::string second = Get("GET /nothing/here HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    ASSERT_TRUE(first.starts_with("HTTP/1.0 200"));
    EXPECT_EQ(form.FilesServedText(), "2");
    EXPECT_EQ(form.BytesServedText().toStdString(), std::to_string(first.size() + second.size()));
    EXPECT_FALSE(SaveScreenshot(form, "server-window").empty());
}

TEST_F(ServerWindowTest, OptionsMenuFollowsTheSettingsFileAndWritesItBack)
{
    WriteSettings("", "Yes", "No");
    {
        // A settings file without "Display Header" leaves it off.
        SettingsStore store(SettingsPath());
        store.Remove(DisplayHeaderKey);
        store.Sync();
    }
    TForm1& form = OpenWindow(false);
    EXPECT_FALSE(form.HeaderItem()->isChecked());
    EXPECT_FALSE(form.WarningItem()->isChecked());
    EXPECT_FALSE(form.ShutdownWarningItem()->isChecked());

    // The client changes the settings; opening the menu shows it.
    WriteSettings("", "Yes", "Yes");
    EXPECT_FALSE(form.HeaderItem()->isChecked());
    form.OptionsMenu()->popup(QPoint(10, 10));
    form.OptionsMenu()->hide();
    EXPECT_TRUE(form.HeaderItem()->isChecked());
    EXPECT_TRUE(form.WarningItem()->isChecked());

    form.WarningItem()->trigger();
    EXPECT_EQ(Switch(DisplayHeaderKey), "Yes");
    EXPECT_EQ(Switch(DisplayWarningKey), "No");
    EXPECT_EQ(Switch(ShutdownWarningKey), "No");
    EXPECT_FALSE(server->CurrentSettings().displayWarning);
    form.ShutdownWarningItem()->trigger();
    EXPECT_EQ(Switch(ShutdownWarningKey), "Yes");
    EXPECT_TRUE(form.ShutdownWarningOn());
}

TEST_F(ServerWindowTest, WithoutShutdownWarningExitClosesAtOnce)
{
    TForm1& form = OpenWindow(false);
    EXPECT_TRUE(form.close());
    EXPECT_EQ(closedCount, 1);
    EXPECT_FALSE(server->IsListening());
}

TEST_F(ServerWindowTest, CloseQuestionNoKeepsTheServerAndASecondExitIsIgnored)
{
    TForm1& form = OpenWindow(true);
    bool sameQuestion = false, trayExitEnabled = true;
    QString title, question;
    WhenModal(
        [&](QDialog& dialog)
        {
            auto& check = dynamic_cast<TErrorCheckDlg&>(dialog);
            title = check.windowTitle();
            question = check.Question();
            EXPECT_TRUE(check.YesButton()->isDefault());
            EXPECT_EQ(check.YesButton()->text(), "&Yes");
            EXPECT_EQ(check.NoButton()->text(), "&No");
            form.Exit1Click(); // a second question would block here
            sameQuestion = QApplication::activeModalWidget() == &dialog && closedCount == 0;
            trayExitEnabled = form.TrayExitItem()->isEnabled();
            check.NoButton()->click();
        });
    EXPECT_FALSE(form.close());
    EXPECT_EQ(title, "Closing Ravelin Server");
    EXPECT_EQ(question, "Without the Ravelin Server, you will be unable to view any briefs. Are you sure you want to "
                        "close the Ravelin Server?");
    EXPECT_TRUE(sameQuestion);
    EXPECT_FALSE(trayExitEnabled);
    EXPECT_TRUE(form.TrayExitItem()->isEnabled());
    EXPECT_EQ(closedCount, 0);
    EXPECT_TRUE(server->IsListening());

    AnswerNextMessageBox(MessageAnswer::Yes);
    EXPECT_TRUE(form.close());
    EXPECT_EQ(closedCount, 1);
}

TEST_F(ServerWindowTest, ShutdownCommandAndSessionEndCloseWithoutAsking)
{
    TForm1& form = OpenWindow(true);
    form.askYesNo = [](const QString&, const QString&)
    {
        ADD_FAILURE() << "asked";
        return false;
    };
    form.ShutdownRequested();
    EXPECT_EQ(closedCount, 1);

    window.reset();
    closedCount = 0;
    OpenWindow(true).askYesNo = [](const QString&, const QString&)
    {
        ADD_FAILURE() << "asked";
        return false;
    };
    window->EndSession();
    EXPECT_EQ(closedCount, 1);
}

TEST_F(ServerWindowTest, ShutdownCommandWhileTheQuestionIsOpenClosesTheServer)
{
    TForm1& form = OpenWindow(true);
    WhenModal([&](QDialog&) { form.ShutdownRequested(); });
    EXPECT_TRUE(form.close());
    EXPECT_EQ(closedCount, 1);
}

TEST_F(ServerWindowTest, TrayMinimisingHidesAndRestoreShows)
{
    TForm1& form = OpenWindow(false);
    ASSERT_TRUE(form.UsesTray());
    form.showMinimized();
    for (int i = 0; i < 20 && form.isVisible(); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_FALSE(form.isVisible());
    form.Restore1Click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isMinimized());
}

TEST_F(ServerWindowTest, PortInUseShowsSocketUnavailableAndTheStartFails)
{
    QTcpServer squatter;
    const int taken = FreePort();
    ASSERT_TRUE(squatter.listen(QHostAddress::LocalHost, static_cast<quint16>(taken)));
    WriteSettings(std::to_string(taken), "No", "No");
    TForm1 form(ServerWindowOptions{SettingsPath(), QString::fromStdString(Dir().string()), std::optional<bool>(false)});
    const QString dir = QString::fromStdString(Dir().string());
    ServerApp app(ServerAppPaths{SettingsPath(), dir + "/lock", dir + "/control", dir}, form);
    QString title, text;
    WhenModal(
        [&](QDialog& dialog)
        {
            auto& error = dynamic_cast<TErrorDlg&>(dialog);
            title = error.windowTitle();
            text = error.Text();
            error.OkButton()->click();
        });
    EXPECT_EQ(app.Run({}), ServerApp::Start::Failed);
    EXPECT_EQ(title, "Socket Unavailable");
    EXPECT_EQ(text, "Ravelin Server was unable to reserve its socket. Some other application may be using it. Please "
                    "change the Ravelin Server socket setting in the Edit|Preferences menu of Ravelin.");
}

TEST_F(ServerWindowTest, NoSocketAtAllIsTheSocketsConnectionFailure)
{
    server.reset();
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit low = saved;
    low.rlim_cur = std::min<rlim_t>(saved.rlim_cur, 512);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> filler;
    for (int fd = ::dup(0); fd >= 0; fd = ::dup(0))
        filler.push_back(fd);
    PageServer starved(PageServerOptions{SettingsPath(), Dir()});
    const bool listened = starved.Listen();
    const QAbstractSocket::SocketError error = starved.ListenError();
    for (int fd : filler)
        ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_FALSE(listened);
    EXPECT_TRUE(ListenerNotCreated(error)) << error;

    QTcpServer squatter;
    ASSERT_TRUE(squatter.listen(QHostAddress::LocalHost, 0));
    PageServer blocked(PageServerOptions{SettingsPath(), Dir()});
    EXPECT_FALSE(blocked.Reset(squatter.serverPort()));
    EXPECT_FALSE(ListenerNotCreated(blocked.ListenError()));
}

TEST_F(ServerWindowTest, HelpMenuOpensTheContentsAndTheServerPageInTheBrowser)
{
    TForm1& form = OpenWindow(false);
    QStringList opened;
    form.Help()->launch = [&](const QString& url)
    {
        opened << url;
        return BrowserLoad::Started;
    };
    FindByText<QMenu>(form, "&Help")->actions().at(0)->trigger();
    FindByText<QMenu>(form, "&Help")->actions().at(1)->trigger();
    const QString help = QUrl::fromLocalFile(QString::fromStdString(PathOf("help").string())).toString();
    EXPECT_EQ(opened, QStringList({help + "/index.html", help + "/39.html"}));
}

TEST_F(ServerWindowTest, OpenDialogStartsInBriefsWhenThatFolderExists)
{
    TForm1& form = OpenWindow(false);
    EXPECT_EQ(form.OpenDialogFolder().toStdString(), Dir().string());
    std::filesystem::create_directories(PathOf("briefs"));
    EXPECT_EQ(form.OpenDialogFolder().toStdString(), PathOf("briefs").string());
}

} // namespace
} // namespace rv::test
