#include "client/shell/headless-scheduler.h"

#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "client/engine/run-engine.h"
#include "client/pages/entry-targets.h"
#include "platform/server-control.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <list>
#include <sys/socket.h>
#include <unistd.h>

namespace rv
{

namespace
{

// The write end of the pipe that turns a signal into an event-loop event.
int signalPipe[2] = {-1, -1};

void OnStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t written = write(signalPipe[1], &byte, 1);
}

// Routes SIGTERM and SIGINT to `stop` on the event loop for its lifetime.
class StopSignals
{
public:
    explicit StopSignals(const std::function<void()>& stop)
    {
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
            return;
        notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated,
                         [stop]
                         {
                             char byte = 0;
                             [[maybe_unused]] ssize_t got = read(signalPipe[0], &byte, 1);
                             stop();
                         });
        std::signal(SIGTERM, OnStopSignal);
        std::signal(SIGINT, OnStopSignal);
    }
    ~StopSignals()
    {
        std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGINT, SIG_DFL);
        notifier_.reset();
        for (int& end : signalPipe)
            if (end >= 0)
                close(std::exchange(end, -1));
    }

private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace

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
