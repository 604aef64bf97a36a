#include "tests/support/xvfb-client.h"

#include "tests/support/core-application.h"
#include "tests/support/nginx-server.h"

#include <QLockFile>
#include <QStandardPaths>
#include <csignal>

namespace rv::test
{

void XvfbClientTest::SetUpTestSuite()
{
    EnsureCoreApplication();
}

void XvfbClientTest::SetUp()
{
    SandboxedTest::SetUp();
    for (const char* tool : {"Xvfb", "xdotool", "import"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            GTEST_SKIP() << tool << " is not installed (tools/setup.sh installs it)";
    std::filesystem::create_directories(PathOf("run"));
    std::filesystem::permissions(PathOf("run"), std::filesystem::perms::owner_all);
    port = FreeLoopbackPort();
    std::filesystem::create_directories(SettingsPath().parent_path());
    WriteFile(SettingsPath(), "[Servers]\nRavelin%20Server%20Port=" + std::to_string(port) + "\n");

    // A display of our own; -displayfd names a free one.
    xvfb.start(QStringLiteral("Xvfb"),
               {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    ASSERT_TRUE(xvfb.waitForStarted(5000));
    QByteArray number;
    while (!number.contains('\n') && xvfb.waitForReadyRead(10000))
        number += xvfb.readAllStandardOutput();
    ASSERT_TRUE(number.contains('\n')) << "Xvfb gave no display";
    environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":") + QString::fromLatin1(number.trimmed()));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(PathOf("config").string()));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(PathOf("run").string()));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    outputDir =
        BinDir().parent_path() / "test-output" / ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name();
    std::filesystem::create_directories(outputDir);
}

void XvfbClientTest::TearDown()
{
    if (client.state() != QProcess::NotRunning)
    {
        client.kill();
        client.waitForFinished();
    }
    // The server the client started, should it still run: its lock names it.
    qint64 server = 0;
    QLockFile lock(QString::fromStdString(PathOf("run/RVServer.lock").string()));
    if (lock.getLockInfo(&server, nullptr, nullptr) && server > 0 && WaitForPort(port, 50))
        ::kill(pid_t(server), SIGTERM);
    if (xvfb.state() != QProcess::NotRunning)
    {
        xvfb.kill();
        xvfb.waitForFinished();
    }
    SandboxedTest::TearDown();
}

std::filesystem::path XvfbClientTest::SettingsPath() const
{
    return PathOf("config") / "Marrowby Works" / "Ravelin.conf";
}

void XvfbClientTest::AddSettings(const std::string& text)
{
    WriteFile(SettingsPath(), ReadFile(SettingsPath()) + text);
}

::testing::AssertionResult XvfbClientTest::StartClient(const QStringList& arguments)
{
    client.setProcessEnvironment(environment);
    client.start(QString::fromStdString(Client()), arguments);
    if (!client.waitForStarted(5000))
        return ::testing::AssertionFailure() << "RVClient did not start";
    if (!WaitForPort(port, 15000))
        return ::testing::AssertionFailure() << "RVClient did not start RVServer";
    if (WaitForWindow(QStringLiteral("^Ravelin Pro$")).isEmpty())
        return ::testing::AssertionFailure() << "no main window: " << client.readAllStandardError().toStdString();
    return ::testing::AssertionSuccess();
}

QString XvfbClientTest::OnDisplay(const QString& program, const QStringList& arguments, int exitCode)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(15000)) << program.toStdString();
    EXPECT_EQ(process.exitCode(), exitCode)
        << program.toStdString() << " " << arguments.join(' ').toStdString() << process.readAllStandardError().toStdString();
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QStringList XvfbClientTest::Windows(const QString& pattern)
{
    QProcess search;
    search.setProcessEnvironment(environment);
    search.start(QStringLiteral("xdotool"),
                 {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), pattern});
    search.waitForFinished(5000);
    return QString::fromLatin1(search.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

QString XvfbClientTest::WaitForWindow(const QString& pattern, std::chrono::milliseconds limit)
{
    QStringList found;
    WaitFor([&] { return !(found = Windows(pattern)).isEmpty(); }, limit);
    return found.isEmpty() ? QString() : found.first();
}

void XvfbClientTest::Keys(const QString& window, const QStringList& keys)
{
    OnDisplay(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    OnDisplay(QStringLiteral("xdotool"),
              QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("150")} + keys);
}

void XvfbClientTest::Screenshot(const std::string& name)
{
    // The server's own window is not what these pictures are about.
    for (const QString& window : Windows(QStringLiteral("^Ravelin Server$")))
        OnDisplay(QStringLiteral("xdotool"), {QStringLiteral("windowunmap"), window});
    OnDisplay(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                         QString::fromStdString((outputDir / (name + ".png")).string())});
}

} // namespace rv::test
