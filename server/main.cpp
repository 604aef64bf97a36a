// RVServer: serves the user's stored briefs to the browser on 127.0.0.1.
//
//   RVServer [--no-window] [ARCHIVE-PATH ...]
//   RVServer --help | --version
//
// With paths, the browser is pointed at them (by this instance, or by the
// one already running). The program shows its window TForm1 with a tray
// icon: for that it becomes rvserver-window, beside it, with the same
// arguments. --no-window, or a session without a display, runs the server
// here without window or tray, on Qt Core and Network only, and writes
// messages to stderr.
#include "platform/program-folders.h"
#include "platform/sibling-program.h"
#include "server/server-app.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifndef RV_VERSION
#define RV_VERSION "unknown"
#endif

namespace
{

class HeadlessUi : public rv::ServerUi
{
public:
    void ShowError(const QString& title, const QString& text) override
    {
        QTextStream(stderr) << "RVServer: " << title << ": " << text << Qt::endl;
    }
    void ShutdownRequested() override { QCoreApplication::quit(); }
};

constexpr const char* Help = "Usage: RVServer [--no-window] [ARCHIVE-PATH ...]\n"
                             "       RVServer --help | --version\n"
                             "\n"
                             "Ravelin's page server: shows the retrieval archives in the browser from\n"
                             "http://127.0.0.1:PORT/. A second RVServer passes its paths to the one that runs.\n"
                             "\n"
                             "  --no-window   run without window or tray icon; messages go to stderr (also\n"
                             "                without a display)\n"
                             "  ARCHIVE-PATH  point the browser at these archives\n"
                             "  --help        print this text and exit\n"
                             "  --version     print the version and exit\n"
                             "\n"
                             "Exit status: 0 after a clean shutdown, or when another RVServer took the paths;\n"
                             "1 when the server could not start.\n"
                             "\n"
                             "RVClient, the workbench that runs briefs, has its own: RVClient --help.\n";

bool HasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--help") == 0)
            return std::fputs(Help, stdout) < 0;
        if (std::strcmp(argv[i], "--version") == 0)
            return std::fputs("RVServer (Ravelin) " RV_VERSION "\n", stdout) < 0;
    }
    bool headless = !HasDisplay();
    for (int i = 1; i < argc; ++i)
        headless = headless || QByteArray(argv[i]) == "--no-window";

    if (!headless)
    {
        rv::ExecSiblingProgram("rvserver-window", argv);
        std::fprintf(stderr, "RVServer: cannot start its window (rvserver-window): %s; running without it.\n",
                     std::strerror(errno));
    }

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("RVServer"));
    QStringList arguments = QCoreApplication::arguments().mid(1);
    arguments.removeAll(QStringLiteral("--no-window"));
    HeadlessUi ui;
    rv::ServerApp server(rv::DefaultServerAppPaths(rv::DataFolderFor(QCoreApplication::applicationDirPath())), ui);
    return rv::RunUntilShutdown(server, arguments);
}
