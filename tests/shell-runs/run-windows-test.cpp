// The run windows offscreen: the available-briefs count, the status log's
// commands, the progress labels' shortening, Skip Entry and Stop Brief, the
// stopping steps, and deleting and packaging kept archives while the real
// RVServer serves them. Screenshots go to <build>/test-output/.
#include "client/briefs/brief.h"
#include "client/shell/app/status-log-model.h"
#include "client/shell/runs/archive-form.h"
#include "client/shell/runs/available-briefs.h"
#include "client/shell/runs/brief-processing.h"
#include "client/shell/runs/package-dlg.h"
#include "client/shell/runs/run-windows.h"
#include "client/shell/runs/status-win.h"
#include "client/shell/runs/stop-dlg.h"
#include "client/shell/server-commands.h"
#include "tests/support/nginx-server.h"
#include "tests/support/offscreen-widgets.h"
#include "tests/support/sandbox.h"
#include "tests/support/served-page.h"

#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace rv
{
namespace
{

class RunWindowsTest : public test::SandboxedTest
{
protected:
    void SetUp() override
    {
        SandboxedTest::SetUp();
        test::EnsureWidgetsApplication();
        services.OpenAddress = [this](const QString& address) { opened << address; };
        services.ServerPort = [] { return 1888; };
        services.DeleteArchive = [](const std::filesystem::path& archive) { return std::filesystem::remove(archive); };
        services.StopBrief = [this](const TBrief& brief) { stops.push_back(&brief); };
        services.SkipEntry = [this](const TBrief& brief, int entry) { skips.emplace_back(&brief, entry); };
    }

    static TBrief MakeBrief(const std::string& name, const std::vector<std::string>& entries)
    {
        TBrief brief;
        brief.BriefName = name;
        for (const std::string& entryName : entries)
        {
            TWebPage entry = MakeEntry(EntryKind::Web);
            entry.EntryName = entryName;
            entry.URL = "http://127.0.0.1:9/" + entryName;
            brief.Entries.Insert(entry, brief.Entries.Count());
        }
        return brief;
    }

    RunWindowServices services;
    QStringList opened;
    std::vector<const TBrief*> stops;
    std::vector<std::pair<const TBrief*, int>> skips;
};

TEST_F(RunWindowsTest, NoticeCountsFinishedBriefsUntilTheUserClosesIt)
{
    RunWindows windows(nullptr, services, nullptr);
    windows.Model().AvailableBriefsNotice({"News"});
    windows.Model().AvailableBriefsNotice({"Sports"});
    TAvailableBriefs& notice = windows.Notice();
    EXPECT_EQ(notice.Text(), QStringLiteral("2 new briefs are available."));
    EXPECT_TRUE(notice.isVisible());
    test::SaveScreenshot(notice, "two-available");

    QTest::mouseClick(test::FindByText<QPushButton>(notice, QStringLiteral("&Close")), Qt::LeftButton);
    EXPECT_FALSE(notice.isVisible());
    windows.Model().AvailableBriefsNotice({"Gov"});
    EXPECT_EQ(notice.Text(), QStringLiteral("1 new brief is available."));
}

TEST_F(RunWindowsTest, StatusLineCommandsNeedAnArchive)
{
    StatusLogModel log;
    log.AddLine("Stored nothing", "3/7/5, 12:05:09AM", "Connection Failure", "", "/b/a.brf");
    log.AddLine("A brief with a rather long name that does not fit", "3/7/5, 1:00:00PM", "Available",
                "/home/ann/Briefs/News.3-7-5.13h00m00s.rvd", "/b/n.brf");
    TStatusWin window(
        log, StatusLogModel::DetailRole, [&log](const std::string& archive) { log.RemoveLinesWithDetail(archive); }, services);
    window.show();
    struct Case
    {
        int Row;
        bool Enabled;
    };
    for (const Case& c : {Case{1, false}, Case{0, true}})
    {
        SCOPED_TRACE(c.Row);
        window.SelectRow(c.Row);
        for (const char* name : {"ViewBrief", "DeleteBrief", "SaveAs"})
            EXPECT_EQ(window.findChild<QPushButton*>(QString::fromLatin1(name))->isEnabled(), c.Enabled) << name;
    }
    test::SaveScreenshot(window, "status-log");
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("ViewBrief")), Qt::LeftButton);
    EXPECT_EQ(opened, QStringList{QStringLiteral("http://127.0.0.1:1888/home/ann/Briefs/News.3-7-5.13h00m00s.rvd/")});
}

TEST_F(RunWindowsTest, ProgressLabelsKeepTheStartAndEndOfALongText)
{
    TBrief brief = MakeBrief("News", {"Front page", "Weather"});
    RunModel model(nullptr);
    model.AddBriefToProgress(brief);
    model.SetProgressLabel(ProgressLabel::BriefName, "News");
    model.CountsChanged({12, 30, 4096 * 1024});
    model.TransferStatus(" Transferring Data...");
    TBriefProcessing window(model, services);
    window.show();
    const QString longName = QStringLiteral("http://www.example.com/") + QString(200, u'x') + QStringLiteral("/end-of-it.html");
    struct Case
    {
        QString Given;
        QString Shown; // empty: shortened
    };
    const Case cases[] = {
        {QStringLiteral(" \t\r\nshort.html\tmore"), QStringLiteral("short.html")},
        {QStringLiteral("say &quothi&quot"), QStringLiteral("say \"hi\"")},
        {longName, QString()},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.Given.toStdString());
        window.UpdateItem(ProgressItem::CurrentFile, c.Given);
        const QString shown = window.ItemText(ProgressItem::CurrentFile);
        if (!c.Shown.isEmpty())
        {
            EXPECT_EQ(shown, c.Shown);
            continue;
        }
        EXPECT_TRUE(shown.startsWith(longName.left(20) + QStringLiteral("..."))) << shown.toStdString();
        EXPECT_TRUE(shown.endsWith(QStringLiteral("/end-of-it.html"))) << shown.toStdString();
        EXPECT_LT(shown.size(), longName.size());
        EXPECT_LE(window.fontMetrics().horizontalAdvance(shown),
                  window.findChild<QLabel*>(QStringLiteral("CurrentFile"))->width());
    }
    test::SaveScreenshot(window, "generating-brief");
}

TEST_F(RunWindowsTest, SkipEntryAndStopBriefAskBeforeTheEngineActs)
{
    struct Case
    {
        const char* Button;
        MessageAnswer Answer;
        QString Question;
        std::size_t Skips, Stops;
    };
    const Case cases[] = {
        {"SkipButton", MessageAnswer::No, QString::fromLatin1(SkipEntryQuestion), 0, 0},
        {"SkipButton", MessageAnswer::Yes, QString::fromLatin1(SkipEntryQuestion), 1, 0},
        {"StopButton", MessageAnswer::No, QString::fromLatin1(StopBriefQuestion), 0, 0},
        {"StopButton", MessageAnswer::Yes, QString::fromLatin1(StopBriefQuestion), 0, 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.Button) + (c.Answer == MessageAnswer::Yes ? " yes" : " no"));
        skips.clear();
        stops.clear();
        TBrief brief = MakeBrief("News", {"Front page", "Weather", "Sport"});
        RunModel model(nullptr);
        model.AddBriefToProgress(brief);
        TBriefProcessing window(model, services);
        window.show();
        window.findChild<QListWidget*>(QStringLiteral("EntryList"))->setCurrentRow(1);
        QString asked;
        test::AnswerNextMessageBox(c.Answer, [&asked](MessageBox& box) { asked = box.Text(); });
        QTest::mouseClick(window.findChild<QPushButton*>(QString::fromLatin1(c.Button)), Qt::LeftButton);
        EXPECT_EQ(asked, c.Question);
        ASSERT_EQ(skips.size(), c.Skips);
        ASSERT_EQ(stops.size(), c.Stops);
        if (c.Skips)
        {
            EXPECT_EQ(skips[0], std::make_pair(static_cast<const TBrief*>(&brief), 1));
            EXPECT_EQ(window.findChild<QListWidget*>(QStringLiteral("EntryList"))->count(), 2);
        }
        if (c.Stops)
        {
            EXPECT_EQ(stops[0], &brief);
            EXPECT_FALSE(window.findChild<QPushButton*>(QStringLiteral("StopButton"))->isEnabled());
        }
    }
}

TEST_F(RunWindowsTest, ProgressOpenedAfterTheRunIsBlankUntilTheNextRun)
{
    TBrief brief = MakeBrief("News", {"Front page", "Weather"});
    RunModel model(nullptr);
    model.AddBriefToProgress(brief);
    model.SetProgressLabel(ProgressLabel::BriefName, "News");
    model.EntryStarted(brief, brief.Entries[0]);
    model.CountsChanged({12, 30, 4096 * 1024});
    model.TransferStatus("Transferring Data...");
    model.RemoveBriefFromProgress(brief);
    model.ShowProgressWindow(false);
    TBriefProcessing window(model, services);
    window.show();
    const auto text = [&window](const char* name) { return window.findChild<QLabel*>(QString::fromLatin1(name))->text(); };
    for (const char* name : {"ProcessingBrief", "CurrentEntry", "TransferStatus"})
        EXPECT_EQ(text(name), QString()) << name;
    EXPECT_EQ(text("Pages"), QStringLiteral("0"));
    EXPECT_EQ(window.findChild<QProgressBar*>(QStringLiteral("EntriesDone"))->text(), QString());
    auto* stop = window.findChild<QPushButton*>(QStringLiteral("StopButton"));
    EXPECT_FALSE(stop->isEnabled());
    test::SaveScreenshot(window, "generating-brief-after-run");

    model.AddBriefToProgress(brief);
    EXPECT_TRUE(stop->isEnabled());
}

TEST_F(RunWindowsTest, AFastRunUpdatesTheWindowsAFewTimesASecond)
{
    RunModel model(nullptr);
    QSignalSpy changed(&model, &RunModel::Changed);
    for (int i = 0; i < 1000; ++i)
        model.CountsChanged({i, i, std::uint32_t(i) * 1024});
    EXPECT_EQ(changed.count(), 0);
    EXPECT_TRUE(changed.wait(2 * RunModel::UpdateIntervalMs));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(model.Label(ProgressLabel::Pages), QStringLiteral("999"));
}

TEST_F(RunWindowsTest, StoppingStepsAreCheckedOffInOrder)
{
    RunWindows windows(nullptr, services, nullptr);
    windows.Model().StopDialogStep(StopStep::BuildingSiteMaps, 40);
    TStopDlg* dialog = windows.StopDialog();
    ASSERT_NE(dialog, nullptr);
    for (int step = 0; step < TStopDlg::StepCount; ++step)
    {
        EXPECT_EQ(dialog->Done(step), step < 2) << step;
        EXPECT_EQ(dialog->Current(step), step == 2) << step;
    }
    EXPECT_EQ(dialog->Percent(), 40);
    test::SaveScreenshot(*dialog, "stopping-brief");
}

// The real RVServer on a free port, with its settings and control socket in
// the sandbox.
class ServedArchiveTest : public RunWindowsTest
{
protected:
    void SetUp() override
    {
        RunWindowsTest::SetUp();
        setenv("XDG_CONFIG_HOME", PathOf("config").c_str(), 1);
        std::filesystem::create_directories(PathOf("run"));
        std::filesystem::permissions(PathOf("run"), std::filesystem::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", PathOf("run").c_str(), 1);
        port = test::FreeLoopbackPort();
        std::filesystem::create_directories(PathOf("config") / "Marrowby Works");
        test::WriteFile(PathOf("config") / "Marrowby Works" / "Ravelin.conf",
                        "[Servers]\nRavelin%20Server%20Port=" + std::to_string(port) + "\n");
        server.start(QString::fromStdString((test::BinDir() / "RVServer").string()), {"--no-window"});
        ASSERT_TRUE(server.waitForStarted(5000));
        ASSERT_TRUE(test::WaitForPort(port, 5000));
        services.DeleteArchive = [](const std::filesystem::path& archive) { return DeleteArchiveFile(archive); };
    }

    void TearDown() override
    {
        server.kill();
        server.waitForFinished(5000);
        RunWindowsTest::TearDown();
    }

    std::string Get(const std::string& archive, const std::string& page) const { return test::ServedPage(port, archive, page); }

    std::string CopySample(const std::string& name)
    {
        const std::filesystem::path to = PathOf(name);
        std::filesystem::copy_file(test::SourceDir() / "tests/data/harbour-run.rvd", to);
        return to.string();
    }

    QProcess server;
    std::uint16_t port = 0;
};

TEST_F(ServedArchiveTest, DeletingAnArchiveTheServerHasOpenRemovesItEverywhere)
{
    const std::string older = CopySample("Harbour.3-7-5.0h05m09s.rvd");
    const std::string newer = CopySample("Harbour.3-8-5.13h00m00s.rvd");
    ASSERT_NE(Get(older, "index").find("Harbour"), std::string::npos);

    TBrief brief = MakeBrief("Harbour", {"Harbour guide"});
    SetBriefPath(brief, PathOf("Harbour.brf").string());
    brief.ArchiveFiles = {"Harbour.3-7-5.0h05m09s.rvd", "Harbour.3-8-5.13h00m00s.rvd"};
    brief.ArchiveCaptions = {"3/7/5, 12:05:09AM", "3/8/5, 1:00:00PM"};
    brief.Entries[0].SummaryFragments = {{"old", brief.ArchiveFiles[0]}, {"new", brief.ArchiveFiles[1]}};
    StatusLogModel log;
    log.AddLine("Harbour", "3/7/5, 12:05:09AM", "Available", older, brief.FilePath);
    int saves = 0;
    ArchiveFormHooks hooks;
    hooks.RemoveStatusLines = [&log](const std::string& archive) { log.RemoveLinesWithDetail(archive); };
    hooks.BriefChanged = [&saves] { ++saves; };
    TArchiveForm form(brief, hooks, services);
    form.show();
    test::SaveScreenshot(form, "brief-archive");
    EXPECT_EQ(ArchiveCaptionColumns(QStringLiteral("3/7/5, 12:05:09AM")),
              (QStringList{"Mar", "07", "05", "12", "05", "09", "AM"}));

    form.SelectRow(0);
    test::AnswerNextMessageBox(MessageAnswer::Yes);
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("DeleteBrief")), Qt::LeftButton);
    EXPECT_FALSE(std::filesystem::exists(older));
    EXPECT_NE(Get(older, "index").find("File Not Found"), std::string::npos) << "still served after deletion";
    EXPECT_EQ(brief.ArchiveFiles, std::vector<std::string>{"Harbour.3-8-5.13h00m00s.rvd"});
    EXPECT_EQ(brief.Entries[0].SummaryFragments.size(), 1u);
    EXPECT_EQ(log.rowCount(), 0);
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(form.findChild<QListWidget*>(QStringLiteral("ArchiveList"))->count(), 1);
}

TEST_F(ServedArchiveTest, PackagingChosenEntriesWritesAnArchiveTheServerServes)
{
    const std::string source = CopySample("Harbour.3-7-5.0h05m09s.rvd");
    const std::string target = PathOf("Packed.rvd").string();
    services.AskSavePath = [&target](const QString&, const QString&, const QString&) { return QString::fromStdString(target); };
    TPackageDlg dialog(QString(), QString::fromStdString(Dir().string()), services);
    dialog.show();
    dialog.SetOrganizerMode(false);
    ASSERT_TRUE(dialog.SetArchive(QString::fromStdString(source)));
    dialog.SelectEntries({0});
    dialog.AddClick();
    test::SaveScreenshot(dialog, "package-brief");
    EXPECT_TRUE(dialog.PackageClick());
    EXPECT_EQ(dialog.Percent(), 100);
    EXPECT_NE(Get(target, "index").find("Packaged Brief"), std::string::npos);
}

} // namespace
} // namespace rv
