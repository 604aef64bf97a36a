// Runs a brief the way a user does, with the real RVClient program, and
// reads its archive back through the real RVServer.
#pragma once

#include "tests/support/sandbox.h"

#include <QProcess>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace rv::test
{

// Runs "RVClient --generate" on the brief file and sets `archive` to the path
// of the one archive the brief keeps afterwards. Fails with the program's
// output when it does not end with exit 0 and one kept archive.
testing::AssertionResult GenerateArchive(const std::string& briefPath, std::string& archive);

// A sandbox for reading a real run's archive in headless Chromium: settings
// and runtime folder in the sandbox, a free port for RVServer (started by the
// test as `server`, killed at the end) and a folder for screenshots.
class ArchiveInBrowserTest : public SandboxedTest
{
protected:
    // `serverSettings` are further lines of the "[Servers]" settings group;
    // screenshots go to <build>/test-output/<outputName>/.
    void Prepare(const std::string& serverSettings, const std::string& outputName);
    void TearDown() override;
    // Starts RVServer without its window and waits until it listens.
    testing::AssertionResult StartServer();

    QProcess server;
    int port = 0;
    std::filesystem::path outputDir;
};

} // namespace rv::test
