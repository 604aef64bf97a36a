// A virtual X display of a test's own (Xvfb), and the tools that drive
// programs on it: xdotool to find windows and press keys, import for
// screenshots. Blocking calls with time-outs.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QThread>
#include <chrono>
#include <filesystem>
#include <string>

namespace rv::test
{

class XDisplay
{
public:
    XDisplay() = default;
    ~XDisplay();
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;

    // The missing tool of Xvfb, xdotool and import, or "" when all are there.
    static std::string MissingTool();

    // Starts a 1024x768 display; "" on success, else why not.
    std::string Start();

    // The system environment with DISPLAY naming this display and no
    // platform forced.
    const QProcessEnvironment& Environment() const { return environment_; }
    QProcessEnvironment& Environment() { return environment_; }

    // Runs a program on the display to its end; its standard output. A
    // failure to start or another exit code than `exitCode` fails the test.
    QString Run(const QString& program, const QStringList& arguments, int exitCode = 0);
    // The visible windows whose name matches the pattern.
    QStringList Windows(const QString& name);
    // Focuses the window and types the keys (xdotool's names: "F9", "ctrl+c").
    void Keys(const QString& window, const QStringList& keys);
    // A picture of the whole screen.
    void Screenshot(const std::filesystem::path& file);

private:
    QProcess xvfb_;
    QProcessEnvironment environment_;
};

// Polls the condition every 100 ms until it holds or the limit has passed.
template <typename Condition> bool WaitFor(Condition condition, std::chrono::milliseconds limit)
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

} // namespace rv::test
