// The real RVClient on a virtual X display of its own, for whole-program
// window tests: a sandboxed configuration ("Ravelin.conf" with a free server
// port) and runtime folder, Xvfb on a free display, and the tools that drive
// and photograph it (xdotool, import). Pictures go to
// build/test-output/<test suite>/.
//
// Threads: the test's thread only.
#pragma once

#include "tests/support/sandbox.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QThread>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

namespace rv::test
{

class XvfbClientTest : public SandboxedTest
{
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path SettingsPath() const;
    // Appends INI text ("[Group]\nKey%20Name=value\n") to the client's settings.
    void AddSettings(const std::string& text);
    // Starts RVClient with these arguments and waits for its main window.
    ::testing::AssertionResult StartClient(const QStringList& arguments);

    // Runs a program on the display to its end; its standard output.
    QString OnDisplay(const QString& program, const QStringList& arguments, int exitCode = 0);
    // The visible windows whose title matches the pattern.
    QStringList Windows(const QString& pattern);
    // Waits for a visible window of that title; its id, or empty.
    QString WaitForWindow(const QString& pattern, std::chrono::milliseconds limit = std::chrono::seconds(15));
    // Sends keys ("alt+e", "Return", "Home") to the window.
    void Keys(const QString& window, const QStringList& keys);
    // A picture of the whole screen, the server's own window hidden.
    void Screenshot(const std::string& name);

    template <typename Condition> static bool WaitFor(Condition condition, std::chrono::milliseconds limit)
    {
        using namespace std::chrono_literals;
        for (auto waited = 0ms; waited < limit; waited += 100ms)
        {
            if (condition())
                return true;
            QThread::msleep(100);
        }
        return condition();
    }

    std::string Client() const { return (BinDir() / "RVClient").string(); }

    std::uint16_t port = 0;
    QProcess xvfb;
    QProcess client;
    QProcessEnvironment environment;
    std::filesystem::path outputDir;
};

} // namespace rv::test
