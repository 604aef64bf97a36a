// The headless scheduler on a simulated clock: briefs run at their
// scheduled minutes, and a stop lets the run under way finish.
#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "client/shell/headless-scheduler.h"
#include "client/shell/schedule-entry.h"
#include "tests/support/sandbox.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace rv
{
namespace
{

class HeadlessSchedulerTest : public test::SandboxedTest
{
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "test";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
    }

    std::string MakeBrief(const std::string& name, const std::vector<std::string>& schedule)
    {
        test::WriteFile(PathOf(name + ".html"), "<html><body>" + name + "</body></html>");
        TBrief brief;
        SetBriefPath(brief, PathOf(name + ".brf").string());
        brief.BriefName = name;
        TWebPage entry = MakeEntry(EntryKind::Web);
        entry.EntryName = name;
        entry.URL = "file://" + PathOf(name + ".html").string();
        brief.Entries.Insert(entry, 0);
        for (const std::string& text : schedule)
            AddScheduleEntry(brief, text);
        EXPECT_EQ(SaveBrief(brief, false), SaveStatus::Saved);
        return brief.FilePath;
    }
};

TEST_F(HeadlessSchedulerTest, BriefsRunAtTheirScheduledMinutesAndTheRunFinishesBeforeTheStop)
{
    HeadlessOptions options;
    options.Settings.ProgramFolder = Dir();
    options.BriefFiles = {MakeBrief("Morning", {"Daily\\8:00AM\\\\"}), MakeBrief("Evening", {"Daily\\6:00PM\\\\"})};
    // One simulated minute per tick, from 7:58 on 8 December 2026 to 18:01.
    CivilTime now{2026, 12, 8, 7, 58, 0};
    int ticks = 0;
    ScheduleOptions schedule;
    schedule.Clock = [&] { return now; };
    schedule.Tick = std::chrono::milliseconds(5);
    schedule.StopAfterCheck = [&]
    {
        ++ticks;
        now.Minute += 1;
        if (now.Minute == 60)
        {
            now.Minute = 0;
            now.Hour += 1;
        }
        return now.Hour == 18 && now.Minute == 1;
    };
    std::FILE* out = std::tmpfile();
    PrintingObserver observer(out, out);
    EXPECT_EQ(ScheduleBriefsHeadless(options, schedule, observer), 0);
    EXPECT_EQ(observer.Statuses().at("Morning"), "Available");
    EXPECT_EQ(observer.Statuses().at("Evening"), "Available");
    std::fclose(out);

    for (const char* name : {"Morning", "Evening"})
    {
        TBrief brief;
        ASSERT_EQ(LoadBrief(PathOf(std::string(name) + ".brf").string(), brief).Status, LoadStatus::Loaded);
        EXPECT_EQ(brief.ArchiveFiles.size(), 1u) << name << " ran once, at its minute";
    }
}

} // namespace
} // namespace rv
