// RVClient: the user's workbench.
//
//   RVClient --generate FILE.brf ...   run the briefs without windows
//   RVClient --schedule FILE.brf ...   run each brief at its scheduled times
//                                      without windows, until SIGTERM
//
// The windows are not built yet; without one of these the program says so.
#include "client/retrieval/retrieval-settings.h"
#include "client/retrieval/smart-search.h"
#include "client/shell/client-settings.h"
#include "client/shell/headless-runner.h"
#include "client/shell/headless-scheduler.h"
#include "platform/settings-store.h"
#include "store/temp-files.h"

#include <QCoreApplication>

#include <cstdio>
#include <string>

namespace
{

std::filesystem::path ProgramFolder()
{
    return std::filesystem::path(QCoreApplication::applicationDirPath().toStdString());
}

int Usage()
{
    std::fprintf(stderr, "usage: RVClient --generate FILE.brf ...\n"
                         "       RVClient --schedule FILE.brf ...\n"
                         "The RVClient windows are not built yet: only the headless modes are available.\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Marrowby Works"));
    QCoreApplication::setApplicationName(QStringLiteral("Ravelin"));
    const std::string mode = argc >= 3 ? argv[1] : "";
    if (mode != "--generate" && mode != "--schedule")
        return Usage();

    rv::InstallSmartSearchParser();
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
