#include "tests/integration/generate-archive.h"

#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "tests/support/core-application.h"
#include "tests/support/headless-browser.h"
#include "tests/support/nginx-server.h"
#include "tests/support/sandbox.h"

#include <QProcess>
#include <filesystem>

namespace rv::test
{

testing::AssertionResult GenerateArchive(const std::string& briefPath, std::string& archive)
{
    QProcess client;
    client.start(QString::fromStdString((BinDir() / "RVClient").string()), {"--generate", QString::fromStdString(briefPath)});
    if (!client.waitForFinished(60000))
        return testing::AssertionFailure() << "RVClient did not end within a minute";
    if (client.exitCode() != 0)
        return testing::AssertionFailure() << "RVClient exited " << client.exitCode() << ": " << client.readAll().toStdString();
    TBrief ran;
    if (LoadBrief(briefPath, ran).Status != LoadStatus::Loaded)
        return testing::AssertionFailure() << "the brief does not load after its run";
    if (ran.ArchiveFiles.size() != 1)
        return testing::AssertionFailure() << "the brief keeps " << ran.ArchiveFiles.size() << " archives";
    archive = (std::filesystem::path(ran.Folder) / ran.ArchiveFiles[0]).string();
    return testing::AssertionSuccess();
}

void ArchiveInBrowserTest::Prepare(const std::string& serverSettings, const std::string& outputName)
{
    if (HeadlessBrowser::Program().isEmpty())
        GTEST_SKIP() << "chromium is not installed (tools/setup.sh installs it)";
    EnsureCoreApplication();
    setenv("XDG_CONFIG_HOME", PathOf("config").c_str(), 1);
    std::filesystem::create_directories(PathOf("run"));
    std::filesystem::permissions(PathOf("run"), std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", PathOf("run").c_str(), 1);
    port = FreeLoopbackPort();
    std::filesystem::create_directories(PathOf("config") / "Marrowby Works");
    WriteFile(PathOf("config") / "Marrowby Works" / "Ravelin.conf",
              "[Servers]\nRavelin%20Server%20Port=" + std::to_string(port) + "\n" + serverSettings);
    outputDir = BinDir().parent_path() / "test-output" / outputName;
    std::filesystem::create_directories(outputDir);
}

testing::AssertionResult ArchiveInBrowserTest::StartServer()
{
    server.start(QString::fromStdString((BinDir() / "RVServer").string()), {"--no-window"});
    if (!server.waitForStarted(5000))
        return testing::AssertionFailure() << "RVServer did not start";
    if (!WaitForPort(static_cast<std::uint16_t>(port), 5000))
        return testing::AssertionFailure() << "RVServer does not listen on " << port;
    return testing::AssertionSuccess();
}

void ArchiveInBrowserTest::TearDown()
{
    if (server.state() != QProcess::NotRunning)
    {
        server.kill();
        server.waitForFinished(5000);
    }
    SandboxedTest::TearDown();
}

} // namespace rv::test
