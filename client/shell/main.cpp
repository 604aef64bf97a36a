// RVClient: the user's workbench. The modes, options and exit statuses are
// in client/shell/command-line.h (and RVClient --help).
//
// One RVClient runs per user: a second headless one says which process runs
// and exits 1 without touching anything; a second windowed one hands its
// briefs to the windows that run.
//
//   RVClient [FILE.brf ...]            the windows, with these briefs open
#include "client/engine/run-engine.h"
#include "client/shell/client-settings.h"
#include "client/shell/command-line.h"
#include "client/shell/console-report.h"
#include "client/shell/headless-runner.h"
#include "client/shell/headless-scheduler.h"
#include "client/shell/package-command.h"
#include "platform/program-folders.h"
#include "platform/server-control.h"
#include "platform/settings-store.h"
#include "platform/sibling-program.h"
#include "platform/single-instance.h"
#include "store/temp-files.h"

#include <QCoreApplication>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace
{

// The windows are a program of their own beside this one (rvclient-windows),
// run in this process's place with the same arguments.
int RunWindows(char** argv)
{
    rv::ExecSiblingProgram("rvclient-windows", argv);
    std::fprintf(stderr, "RVClient: cannot start its windows (rvclient-windows): %s.\n", std::strerror(errno));
    return rv::ExitBriefFailed;
}

// A run's memory is mostly what the retrieval thread allocates and frees
// page after page. One heap for both threads keeps the run about 0.8 MiB
// smaller than glibc's defaults (a second heap for the thread). Free memory
// at the heap's top is given back only from 1 MiB on, and blocks below 1 MiB
// come from the heap: with less, the heap shrank and grew again with nearly
// every page, or every page over 128 KiB was received into memory mapped for
// it alone (a system call each way, every page of it faulted in afresh, and
// each release interrupting the other core to flush its address cache). That
// cost a sixth of the run's CPU time with pages of 17 KB, a third with pages
// of 300 KB, and did not lower the peak.
void KeepTheHeapSmall()
{
#if defined(__GLIBC__)
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_TOP_PAD, 0);
    mallopt(M_TRIM_THRESHOLD, 1024 * 1024);
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
#endif
}

std::filesystem::path ProgramFolder()
{
    return std::filesystem::path(rv::DataFolderFor(QCoreApplication::applicationDirPath()).toStdString());
}

int Usage()
{
    std::fputs(rv::UsageHint().c_str(), stderr);
    return rv::ExitBadArguments;
}

} // namespace

int main(int argc, char** argv)
{
    // Without an option the windows start; only they need a display.
    if (argc < 2 || argv[1][0] != '-')
        return RunWindows(argv);
    KeepTheHeapSmall();
    // Without windows nothing needs glib's main loop. Qt's own event loop
    // wakes less: glib's is woken for every socket watch added or removed,
    // several times for every page a run fetches. Programs started from here
    // get the environment as it was.
    const bool chooseLoop = !qEnvironmentVariableIsSet("QT_NO_GLIB");
    if (chooseLoop)
        qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    if (chooseLoop)
        qunsetenv("QT_NO_GLIB");
    QCoreApplication::setOrganizationName(QStringLiteral("Marrowby Works"));
    QCoreApplication::setApplicationName(QStringLiteral("Ravelin"));
    const rv::CommandLine command = rv::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (command.Mode == rv::ClientMode::Help || command.Mode == rv::ClientMode::Version)
    {
        std::fputs((command.Mode == rv::ClientMode::Help ? rv::HelpText() : rv::VersionText()).c_str(), stdout);
        return rv::ExitAvailable;
    }
    if (!command.Error.empty())
    {
        std::fprintf(stderr, "RVClient: %s.\n%s", command.Error.c_str(), rv::UsageHint().c_str());
        return rv::ExitBadArguments;
    }
    if (command.Mode == rv::ClientMode::Package)
        return rv::RunPackageCommand(command.Files);
    if (command.Mode != rv::ClientMode::Generate && command.Mode != rv::ClientMode::Schedule)
        return Usage();

    // One RVClient per user: a second process would clear the first one's
    // working files at start-up and write into the same briefs.
    const rv::SingleInstance instance(rv::ClientLockPath());
    if (!instance.IsFirst())
    {
        const qint64 holder = instance.HolderPid();
        std::fprintf(stderr,
                     "RVClient is already running for this user%s; nothing was run. Wait until it ends, or add "
                     "these briefs to the one that runs.\n",
                     holder > 0 ? (" (process " + std::to_string(holder) + ")").c_str() : "");
        return 1;
    }

    rv::HeadlessOptions options;
    options.BriefFiles = command.Files;
    rv::SettingsStore store;
    rv::ClientSettings settings;
    rv::ReadStartupSettings(store, settings);
    rv::FillRetrievalSettings(settings, options.Settings);
    options.Settings.ProgramFolder = ProgramFolder();
    rv::DeleteLeftoverTempFiles(options.Settings.ProgramFolder);
    rv::ConsoleObserver observer(
        {.Output = command.Output, .LiveLines = ::isatty(STDERR_FILENO) == 1, .ServerPort = options.Settings.ServerPort});
    if (command.Mode == rv::ClientMode::Schedule)
        return rv::ScheduleBriefsHeadless(options, rv::ScheduleOptions{}, observer);
    return rv::GenerateExitStatus(rv::RunBriefsHeadless(options, observer), observer, command.Strict);
}
