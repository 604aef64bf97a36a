#include "client/shell/headless-scheduler.h"

#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "client/engine/run-engine.h"
#include "client/pages/entry-targets.h"
#include "client/shell/stop-signals.h"
#include "platform/server-control.h"

#include <QEventLoop>
#include <QTimer>
#include <list>

namespace rv
{

int ScheduleBriefsHeadless(const HeadlessOptions& options, const ScheduleOptions& schedule, PrintingObserver& observer)
{
    std::list<TBrief> briefs;
    std::vector<TBrief*> open;
    for (const std::string& file : options.BriefFiles)
    {
        TBrief& brief = briefs.emplace_back();
        if (!LoadBriefForRun(file, brief))
            return 2;
        open.push_back(&brief);
    }
    RunEngine driver(options.Settings, observer);
    const DefinitionSet definitions = LoadDefinitions(options.Settings.ProgramFolder);
    driver.SetTargetsOf([&definitions](const TWebPage& entry) { return EntryTargets(entry, definitions); });
    driver.SetArchiveCloser([](const std::filesystem::path& archive)
                            { ServerCloseFile(QString::fromStdString(archive.string())); });

    QEventLoop loop;
    bool stopping = false;
    auto stop = [&]
    {
        stopping = true;
        if (!driver.RunActive())
            loop.quit();
    };
    driver.SetRunEnded(
        [&]
        {
            if (stopping)
                loop.quit();
        });
    ScheduleCheck check(
        schedule.Clock, [&](TBrief& brief, bool scheduled) { driver.StartBrief(brief, {}, scheduled); },
        [&observer](TBrief& brief)
        {
            if (SaveBrief(brief, false) == SaveStatus::Failed)
                observer.ErrorMessage(BriefSavingError.Caption, BriefSavingError.Text);
        });
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout,
                     [&]
                     {
                         if (stopping)
                             return;
                         check.Check(open);
                         if (schedule.StopAfterCheck && schedule.StopAfterCheck())
                             stop();
                     });
    StopSignals stopSignals(stop);
    timer.start(int(schedule.Tick.count()));
    loop.exec();
    return 0;
}

} // namespace rv
