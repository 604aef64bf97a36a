// The main window offscreen: which briefs open at start-up and in what
// order, the duplicate refusal, the first start, the recent briefs, and a
// close or a stop signal while a run is under way.
#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "client/engine/run-engine.h"
#include "client/shell/app/mdi-frame.h"
#include "client/shell/briefs/brief-window.h"
#include "client/shell/setting-texts.h"
#include "client/shell/window-layout.h"
#include "platform/settings-store.h"
#include "tests/support/offscreen-widgets.h"
#include "tests/support/origin-server.h"
#include "tests/support/sandbox.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <gtest/gtest.h>

namespace rv
{
namespace
{

class MdiFrameTest : public test::SandboxedTest
{
protected:
    void SetUp() override
    {
        SandboxedTest::SetUp();
        test::EnsureWidgetsApplication();
        std::filesystem::create_directories(PathOf("data/Briefs"));
        // The frame's own server and browser are recorders here.
        services.DataFolder = QString::fromStdString(PathOf("data").string());
        services.ProgramFolder = services.DataFolder;
        services.SettingsPath = QString::fromStdString(PathOf("Ravelin.conf").string());
        services.Beep = [this] { ++beeps; };
        services.ShowHelp = [this](int context) { helpShown.push_back(context); };
    }

    std::string MakeBrief(const std::string& path, const std::string& url = "http://127.0.0.1:9/")
    {
        TBrief brief;
        SetBriefPath(brief, PathOf(path).string());
        brief.BriefName = BriefNameFromPath(path);
        TWebPage entry = MakeEntry(EntryKind::Web);
        entry.EntryName = "Start";
        entry.URL = url;
        brief.Entries.Insert(entry, 0);
        EXPECT_EQ(SaveBrief(brief, false), SaveStatus::Saved);
        return brief.FilePath;
    }

    void StoreSetting(std::string_view key, std::string_view value)
    {
        SettingsStore store(services.SettingsPath);
        store.SetValue(key, value);
        ASSERT_TRUE(store.Sync());
    }

    std::unique_ptr<TMDIFrame> Start(QStringList commandLine = {})
    {
        auto frame = std::make_unique<TMDIFrame>(services, std::move(commandLine));
        frame->FormActivateFirst();
        return frame;
    }

    static std::vector<std::string> OpenPaths(const TMDIFrame& frame)
    {
        std::vector<std::string> paths;
        for (const TKestrelForm* window : frame.OpenBriefs())
            paths.push_back(window->FilePath().toStdString());
        return paths;
    }

    static QStringList RecentCaptions(const TMDIFrame& frame)
    {
        QStringList captions;
        for (const QAction* action : frame.RecentActions())
            captions << action->text();
        return captions;
    }

    FrameServices services;
    int beeps = 0;
    std::vector<int> helpShown;
};

TEST_F(MdiFrameTest, StoredBriefOpensFirstThenTheCommandLineBriefsInOrder)
{
    const std::string stored = MakeBrief("stored.brf");
    const std::string first = MakeBrief("first.brf");
    const std::string second = MakeBrief("second.brf");
    WindowLayout layout;
    layout.Main = {10, 20, 900, 640, WindowState::Normal};
    layout.Briefs.push_back({stored, {0, 0, 400, 260, WindowState::Normal}});
    StoreSetting("Startup/Open Briefs", LayoutText(layout));

    auto frame = Start({QString::fromStdString(first), QString::fromStdString(second)});
    EXPECT_EQ(OpenPaths(*frame), (std::vector<std::string>{stored, first, second}));
    EXPECT_EQ(frame->WindowNumber(*frame->OpenBriefs()[2]), 3);
    frame->show();
    QApplication::processEvents();
    test::SaveScreenshot(*frame, "three-briefs");
}

TEST_F(MdiFrameTest, DuplicateOpenShowsBriefAlreadyOpenAndChangesNothing)
{
    const std::string news = MakeBrief("news.brf");
    const std::string sport = MakeBrief("sport.brf");
    auto frame = Start({QString::fromStdString(news), QString::fromStdString(sport)});
    const QStringList recentBefore = RecentCaptions(*frame);

    QString caption, text;
    test::AnswerNextMessageBox(MessageAnswer::Ok,
                               [&](MessageBox& box)
                               {
                                   caption = box.windowTitle();
                                   text = box.Text();
                               });
    EXPECT_EQ(frame->OpenBrief(QString::fromStdString(news)), nullptr);
    EXPECT_EQ(caption, "Brief already open");
    EXPECT_EQ(text, "This brief is already open. Ravelin Pro cannot open two copies of the same brief.");
    EXPECT_EQ(OpenPaths(*frame), (std::vector<std::string>{news, sport}));
    EXPECT_EQ(RecentCaptions(*frame), recentBefore);
}

struct FirstStartCase
{
    const char* name;
    std::vector<std::string> samples; // present in data/Briefs
    bool storedBrief;                 // "Open Briefs" lists a brief
    bool opensSamples;
};

void PrintTo(const FirstStartCase& row, std::ostream* out)
{
    *out << row.name;
}

class FirstStartTest : public MdiFrameTest, public testing::WithParamInterface<FirstStartCase>
{
};

TEST_P(FirstStartTest, SamplesOpenOnlyWhenAllFiveAreThereAndNoStoredBriefOpened)
{
    const FirstStartCase& row = GetParam();
    std::vector<std::string> samples;
    for (const std::string& name : row.samples)
        samples.push_back(MakeBrief("data/Briefs/" + name));
    std::vector<std::string> expected;
    if (row.storedBrief)
    {
        WindowLayout layout;
        layout.Briefs.push_back({MakeBrief("own.brf"), {}});
        StoreSetting("Startup/Open Briefs", LayoutText(layout));
        expected.push_back(layout.Briefs[0].Path);
    }
    StoreSetting("Startup/First Start", "Yes");

    auto frame = Start();
    if (row.opensSamples)
        expected.insert(expected.end(), samples.begin(), samples.end());
    EXPECT_EQ(OpenPaths(*frame), expected);
    EXPECT_EQ(helpShown, row.opensSamples ? std::vector<int>{108} : std::vector<int>{});
    EXPECT_EQ(SettingsStore(services.SettingsPath).Value("Startup/First Start"), "No");
}

INSTANTIATE_TEST_SUITE_P(
    Samples, FirstStartTest,
    testing::Values(FirstStartCase{"AllFive", {"Leisure.brf", "Sports.brf", "News.brf", "Gov.brf", "Demo.brf"}, false, true},
                    FirstStartCase{"OneMissing", {"Leisure.brf", "Sports.brf", "News.brf", "Demo.brf"}, false, false},
                    FirstStartCase{
                        "StoredBriefOpened", {"Leisure.brf", "Sports.brf", "News.brf", "Gov.brf", "Demo.brf"}, true, false}),
    [](const testing::TestParamInfo<FirstStartCase>& info) { return std::string(info.param.name); });

TEST_F(MdiFrameTest, FifthBriefPushesTheOldestOutOfTheRecentBriefsAndAReopenedOneMovesToTheTop)
{
    std::vector<std::string> paths;
    for (const char* name : {"a.brf", "b.brf", "c.brf", "d.brf", "e.brf"})
        paths.push_back(MakeBrief(name));
    auto frame = Start();
    for (const std::string& path : paths)
        ASSERT_NE(frame->OpenBrief(QString::fromStdString(path)), nullptr);
    EXPECT_EQ(RecentCaptions(*frame), (QStringList{"&1 e.brf", "&2 d.brf", "&3 c.brf", "&4 b.brf"}));

    ASSERT_TRUE(frame->CloseBrief(*frame->OpenBriefs()[2]));
    EXPECT_EQ(OpenPaths(*frame), (std::vector<std::string>{paths[0], paths[1], paths[3], paths[4]}));
    EXPECT_EQ(frame->WindowNumber(*frame->OpenBriefs()[2]), 3);
    frame->RecentActions()[2]->trigger();
    EXPECT_EQ(OpenPaths(*frame).back(), paths[2]);
    EXPECT_EQ(RecentCaptions(*frame), (QStringList{"&1 c.brf", "&2 e.brf", "&3 d.brf", "&4 b.brf"}));

    frame->close();
    EXPECT_EQ(UnpackPreviousBriefs(SettingsStore(services.SettingsPath).Value("Startup/Previous Briefs").value_or("")),
              (std::vector<std::string>{paths[2], paths[4], paths[3], paths[1]}));
}

TEST_F(MdiFrameTest, ViewingSendsTheBrowserToTheArchiveThroughTheLocalServer)
{
    std::vector<QString> addresses;
    services.OpenAddress = [&](const QString& address) { addresses.push_back(address); };
    const std::string path = MakeBrief("kept.brf");
    TBrief kept;
    ASSERT_EQ(LoadBrief(path, kept).Status, LoadStatus::Loaded);
    for (const char* archive : {"kept.old.rvd", "kept.new.rvd"})
    {
        test::WriteFile(PathOf(archive), "");
        kept.ArchiveFiles.push_back(archive);
        kept.ArchiveCaptions.push_back(archive);
    }
    ASSERT_EQ(SaveBrief(kept, false), SaveStatus::Saved);
    auto frame = Start({QString::fromStdString(path)});
    ASSERT_EQ(frame->OpenBriefs().size(), 1u);
    TBrief& brief = frame->OpenBriefs()[0]->Brief();
    const std::string folder = PathOf("").string().substr(1);
    const std::string server = "http://127.0.0.1:1888/" + folder;

    frame->ViewLastBriefClick();
    frame->ViewCumulativeBriefClick(); // no summary fragments: the last brief
    brief.Entries[0].SummaryFragments.push_back({"<p>", "kept.new.rvd"});
    frame->ViewCumulativeBriefClick();
    brief.Retrieving = true; // the newest archive is still being written
    frame->ViewLastBriefClick();
    brief.Retrieving = false;
    EXPECT_EQ(addresses, (std::vector<QString>{QString::fromStdString(server + "kept.new.rvd/"),
                                               QString::fromStdString(server + "kept.new.rvd/"),
                                               QString::fromStdString(server + "kept.new.rvd/cumulative"),
                                               QString::fromStdString(server + "kept.old.rvd/")}));
}

// Closing during a run only beeps; a stop signal is not lost but closes the
// window once the run has ended.
TEST_F(MdiFrameTest, ClosingDuringARunOnlyBeepsAndAStopSignalClosesWhenTheRunEnds)
{
    test::OriginServer origin({test::OriginReply{"", true}});
    const std::string path = MakeBrief("slow.brf", "http://127.0.0.1:" + std::to_string(origin.Port()) + "/");
    auto frame = Start({QString::fromStdString(path)});
    ASSERT_EQ(frame->OpenBriefs().size(), 1u);
    TKestrelForm& window = *frame->OpenBriefs()[0];
    frame->GenerateBriefClick();
    ASSERT_TRUE(frame->Engine().RunActive());
    EXPECT_TRUE(window.Brief().Retrieving);

    EXPECT_FALSE(frame->close());
    EXPECT_FALSE(frame->CloseBrief(window));
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(frame->Engine().RunActive());
    EXPECT_FALSE(frame->ShuttingDown());
    EXPECT_EQ(frame->OpenBriefs().size(), 1u);
    EXPECT_FALSE(SettingsStore(services.SettingsPath).Value("Startup/Open Briefs").has_value());

    frame->CloseWhenIdle();
    EXPECT_FALSE(frame->ShuttingDown());
    frame->Engine().StopBrief(window.Brief());
    QDeadlineTimer limit(10000);
    while (!frame->ShuttingDown() && !limit.hasExpired())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_TRUE(frame->ShuttingDown());
    EXPECT_FALSE(frame->isVisible());
    EXPECT_TRUE(SettingsStore(services.SettingsPath).Value("Startup/Open Briefs").has_value());
}

// The menu commands reach the setup dialogs: a new entry's full setup dialog
// (cancelled: the entry goes again) and the brief setup on its schedule page.
TEST_F(MdiFrameTest, EntryAndBriefCommandsOpenTheirSetupDialogs)
{
    auto frame = Start({QString::fromStdString(MakeBrief("one.brf"))});
    ASSERT_EQ(frame->OpenBriefs().size(), 1u);
    TKestrelForm& window = *frame->OpenBriefs()[0];
    std::vector<QString> captions;
    const auto cancel = [&](QDialog& dialog)
    {
        captions.push_back(dialog.windowTitle());
        dialog.reject();
    };
    test::WhenModal(cancel);
    frame->Action(QStringLiteral("AddSearchEntry"))->trigger();
    EXPECT_EQ(window.Brief().Entries.Count(), 1);
    test::WhenModal(cancel);
    frame->Action(QStringLiteral("SetTimers"))->trigger();
    ASSERT_EQ(captions.size(), 2u);
    EXPECT_EQ(captions[1], QStringLiteral("Brief Organizer Setup"));
    EXPECT_EQ(captions[0], QStringLiteral("Search Engine Entry Setup"));
}

} // namespace
} // namespace rv
