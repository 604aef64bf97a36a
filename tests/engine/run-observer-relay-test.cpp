#include "client/briefs/brief.h"
#include "client/engine/internal/run-observer-relay.h"
#include "tests/support/core-application.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace rv
{
namespace
{

// Records what reaches it and on which thread.
class RecordingObserver : public RunObserver
{
public:
    void CountsChanged(const RunCounts& counts) override { Add("counts " + std::to_string(counts.Pages)); }
    void RequestStarted(const TBrief&, std::string_view address, int) override { Add("started " + std::string(address)); }
    void PageRecorded(const TBrief&, std::string_view address, PageFate) override { Add("recorded " + std::string(address)); }
    void EnableControls(bool enabled) override { Add(enabled ? "enable" : "disable"); }

    void Add(std::string line)
    {
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            line += " (wrong thread)";
        lines.push_back(std::move(line));
        seen = int(lines.size());
    }
    std::vector<std::string> lines;
    std::atomic<int> seen{0};
};

TEST(RunObserverRelayTest, ReportsArriveInOrderOnTheMainThreadAndAWaitedCallFollowsWhatWasQueued)
{
    test::EnsureCoreApplication();
    RecordingObserver target;
    QObject context;
    RunObserverRelay relay(target, &context);
    TBrief brief;
    int seenAfterWaitedCall = -1;
    std::atomic<bool> waitedCallReturned{false};
    std::atomic<bool> mainThreadBusy{false};

    std::thread retrieval(
        [&]
        {
            relay.CountsChanged({1, 0, 0});
            relay.RequestStarted(brief, "a.example/1", 1);
            relay.PageRecorded(brief, "a.example/1", PageFate::Stored);
            relay.EnableControls(false); // waits
            seenAfterWaitedCall = target.seen;
            waitedCallReturned = true;
            // Queued while the main thread runs no event loop.
            while (!mainThreadBusy)
                std::this_thread::yield();
            relay.CountsChanged({2, 0, 0});
            relay.PageRecorded(brief, "a.example/2", PageFate::Stored);
        });
    while (!waitedCallReturned)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    mainThreadBusy = true;
    retrieval.join();
    // Called on the main thread: what is still queued comes first.
    relay.EnableControls(true);

    EXPECT_EQ(seenAfterWaitedCall, 4);
    const std::vector<std::string> expected = {
        "counts 1", "started a.example/1", "recorded a.example/1", "disable", "counts 2", "recorded a.example/2", "enable"};
    EXPECT_EQ(target.lines, expected);
}

// While reports keep coming they are taken on a timer; once it has stopped
// after a quiet interval, the next report must wake the main thread again.
TEST(RunObserverRelayTest, AReportAfterAQuietSpellStillArrives)
{
    test::EnsureCoreApplication();
    RecordingObserver target;
    QObject context;
    RunObserverRelay relay(target, &context);
    auto runUntilSeen = [&](int count)
    {
        QElapsedTimer clock;
        clock.start();
        while (target.seen < count && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    };
    for (int burst = 1; burst <= 3; ++burst)
    {
        std::thread(
            [&]
            {
                for (int i = 0; i < 50; ++i)
                    relay.CountsChanged({burst * 100 + i, 0, 0});
            })
            .join();
        runUntilSeen(burst * 50);
        ASSERT_EQ(target.seen, burst * 50);
        EXPECT_EQ(target.lines.back(), "counts " + std::to_string(burst * 100 + 49));
        // Quiet for longer than an interval: the timer stops.
        QElapsedTimer quiet;
        quiet.start();
        while (quiet.elapsed() < 3 * RunObserverRelay::ReportInterval)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

} // namespace
} // namespace rv
