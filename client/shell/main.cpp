// RVClient: the user's workbench.
//
//   RVClient --generate FILE.brf ...   run the briefs without windows
//   RVClient --schedule FILE.brf ...   run each brief at its scheduled times
//                                      without windows, until SIGTERM
//   RVClient --package OUT.rvd SOURCE ...  package kept retrievals into one
//                                      archive (package-command.h)
//
// One RVClient runs per user: a second headless one says which process runs
// and exits 1 without touching anything; a second windowed one hands its
// briefs to the windows that run.
//
//   RVClient [FILE.brf ...]            the windows, with these briefs open
#include "client/engine/run-engine.h"
#include "client/shell/app/windowed-client.h"
#include "client/shell/client-settings.h"
#include "client/shell/headless-runner.h"
#include "client/shell/headless-scheduler.h"
#include "client/shell/package-command.h"
#include "platform/program-folders.h"
#include "platform/server-control.h"
#include "platform/settings-store.h"
#include "platform/single-instance.h"
#include "store/temp-files.h"

#include <QCoreApplication>
#include <cstdio>
#include <string>

namespace
{

std::filesystem::path ProgramFolder()
{
    return std::filesystem::path(rv::DataFolderFor(QCoreApplication::applicationDirPath()).toStdString());
}

int Usage()
{
    std::fprintf(stderr, "usage: RVClient [FILE.brf ...]\n"
                         "       RVClient --generate FILE.brf ...\n"
                         "       RVClient --schedule FILE.brf ...\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    // Without an option the windows start; only they need a display.
    if (argc < 2 || argv[1][0] != '-')
        return rv::RunWindowedClient(argc, argv);
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Marrowby Works"));
    QCoreApplication::setApplicationName(QStringLiteral("Ravelin"));
    if (argc >= 2 && std::string(argv[1]) == "--package")
        return rv::RunPackageCommand(std::vector<std::string>(argv + 2, argv + argc));
    const std::string mode = argc >= 3 ? argv[1] : "";
    if (mode != "--generate" && mode != "--schedule")
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
    for (int i = 2; i < argc; ++i)
        options.BriefFiles.emplace_back(argv[i]);
    rv::SettingsStore store;
    rv::ClientSettings settings;
    rv::ReadStartupSettings(store, settings);
    rv::FillRetrievalSettings(settings, options.Settings);
    options.Settings.ProgramFolder = ProgramFolder();
    rv::DeleteLeftoverTempFiles(options.Settings.ProgramFolder);
    rv::PrintingObserver observer;
    if (mode == "--schedule")
        return rv::ScheduleBriefsHeadless(options, rv::ScheduleOptions{}, observer);
    return rv::RunBriefsHeadless(options, observer);
}
