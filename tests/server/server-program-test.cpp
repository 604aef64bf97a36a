// The RVServer program as the client and the user meet it: settings, single
// instance, the control channel and the headless mode.
#include "platform/server-control.h"
#include "platform/settings-store.h"
#include "server-fixture.h"
#include "server/server-settings.h"

#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

namespace rv::test
{
namespace
{

TEST(ServerSettings, PortTextThatIsNoPortGives1888)
{
    for (const char* text : {"abc", "", "12ab", "0", "70000", "-5", " 80"})
        EXPECT_EQ(PortFromText(text), 1888) << text;
    EXPECT_EQ(PortFromText("8080"), 8080);
}

class ServerSettingsFile : public SandboxedTest
{
};

TEST_F(ServerSettingsFile, MissingSwitchesStayOffAndChangesAreSeen)
{
    const QString path = QString::fromStdString(PathOf("s.conf").string());
    ServerSettingsReader reader(path);
    EXPECT_EQ(reader.Read(), ServerSettings{});
    {
        SettingsStore store(path);
        store.SetValue(PortKey, "abc");
        store.SetValue(DisplayWarningKey, "Yes");
        store.SetValue(ShutdownWarningKey, "yes");
        store.Sync();
    }
    ServerSettings expected;
    expected.displayWarning = true;
    EXPECT_EQ(reader.Read(), expected);
    expected.displayHeader = true;
    EXPECT_TRUE(reader.SaveSwitches(expected));
    EXPECT_EQ(SettingsStore(path).Value(DisplayHeaderKey), "Yes");
    EXPECT_EQ(SettingsStore(path).Value(ShutdownWarningKey), "No");
    EXPECT_EQ(reader.Read(), expected);
}

// Runs the real program with the sandbox as its settings and runtime folders.
class ServerProgramTest : public SandboxedTest
{
protected:
    void SetUp() override
    {
        SandboxedTest::SetUp();
        EnsureQtApp();
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(PathOf("config").string()));
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(PathOf("run").string()));
        std::filesystem::create_directories(PathOf("run"));
        port = FreePort();
        SettingsStore store(DefaultSettingsPath());
        store.SetValue(PortKey, std::to_string(port));
        // The browser: a script that notes the address it was given.
        WriteFile(PathOf("browser.sh"), "#!/bin/sh\necho \"$@\" >> " + PathOf("opened.txt").string() + "\n");
        std::filesystem::permissions(PathOf("browser.sh"), std::filesystem::perms::owner_all);
        store.SetValue("Browser/Browser Path", PathOf("browser.sh").string());
        store.Sync();
    }

    void TearDown() override
    {
        for (auto& process : processes)
        {
            process->kill();
            process->waitForFinished(3000);
        }
        SandboxedTest::TearDown();
    }

    static QString ProgramPath() { return QString::fromStdString((BinDir() / "RVServer").string()); }

    QProcess& Start(QStringList arguments, const std::string& folder = "")
    {
        processes.push_back(std::make_unique<QProcess>());
        QProcess& process = *processes.back();
        if (!folder.empty())
            process.setWorkingDirectory(QString::fromStdString(folder));
        process.start(ProgramPath(), QStringList{"--no-window"} + arguments);
        EXPECT_TRUE(process.waitForStarted(5000)) << process.errorString().toStdString();
        return process;
    }

    bool WaitForListener()
    {
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

    std::string Opened()
    {
        for (int i = 0; i < 50 && ReadFile(PathOf("opened.txt")).empty(); ++i)
            QThread::msleep(50);
        return ReadFile(PathOf("opened.txt"));
    }

    int port = 0;
    std::vector<std::unique_ptr<QProcess>> processes;
};

TEST_F(ServerProgramTest, SecondStartHandsItsPathToTheBrowserAndEnds)
{
    QProcess& first = Start({});
    ASSERT_TRUE(WaitForListener());
    QProcess& quiet = Start({});
    EXPECT_TRUE(quiet.waitForFinished(5000));
    EXPECT_EQ(quiet.exitCode(), 0);
    EXPECT_EQ(ReadFile(PathOf("opened.txt")), "");

    QProcess& second = Start({"/home/ann/News.rvd"});
    EXPECT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(Opened(), "http://127.0.0.1:" + std::to_string(port) + "/home/ann/News.rvd/\n");
    EXPECT_EQ(first.state(), QProcess::Running);
}

TEST_F(ServerProgramTest, RelativePathIsTakenFromTheCurrentFolder)
{
    std::filesystem::create_directories(PathOf("briefs/sub"));
    QProcess& first = Start({});
    ASSERT_TRUE(WaitForListener());
    QProcess& second = Start({"sub/../My", "News.rvd"}, PathOf("briefs").string());
    EXPECT_TRUE(second.waitForFinished(5000));
    // The blank reaches the browser percent-encoded, as every address of the server's.
    EXPECT_EQ(Opened(), "http://127.0.0.1:" + std::to_string(port) + PathOf("briefs").string() + "/My%20News.rvd/\n");
    EXPECT_EQ(first.state(), QProcess::Running);
}

TEST_F(ServerProgramTest, ControlCommandsCloseFilesMoveThePortAndShutDown)
{
    QProcess& server = Start({});
    ASSERT_TRUE(WaitForListener());
    EXPECT_TRUE(ServerCloseFile("/home/ann/NotOpen.rvd"));
    EXPECT_TRUE(ServerResetPort(port));
    EXPECT_TRUE(WaitForListener());
    EXPECT_TRUE(SendServerCommand("Reset", "not a number"));
    EXPECT_FALSE(SendServerCommand("Unknown", "x"));
    const int other = FreePort();
    EXPECT_TRUE(ServerResetPort(other));
    port = other;
    EXPECT_TRUE(WaitForListener());
    EXPECT_TRUE(ServerShutdown());
    EXPECT_TRUE(server.waitForFinished(5000));
    EXPECT_EQ(server.exitCode(), 0);
    // Without a server every command is a quiet no-op.
    EXPECT_FALSE(ServerShutdown());
}

TEST_F(ServerProgramTest, WindowedServerEndsOnShutdownWithoutAsking)
{
    {
        SettingsStore store(DefaultSettingsPath());
        store.SetValue(ShutdownWarningKey, "Yes");
        store.Sync();
    }
    processes.push_back(std::make_unique<QProcess>());
    QProcess& server = *processes.back();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    server.setProcessEnvironment(environment);
    server.start(ProgramPath(), {});
    ASSERT_TRUE(WaitForListener());
    EXPECT_TRUE(ServerShutdown());
    EXPECT_TRUE(server.waitForFinished(5000));
    EXPECT_EQ(server.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(server.exitCode(), 0);
}

TEST_F(ServerProgramTest, PortInUseEndsTheProgramWithSocketUnavailable)
{
    QTcpServer squatter;
    ASSERT_TRUE(squatter.listen(QHostAddress::LocalHost, static_cast<quint16>(port)));
    QProcess& server = Start({});
    EXPECT_TRUE(server.waitForFinished(5000));
    EXPECT_EQ(server.exitCode(), 1);
    EXPECT_TRUE(server.readAllStandardError().contains("Socket Unavailable"));
}

} // namespace
} // namespace rv::test
