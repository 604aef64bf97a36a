// The main window's commands that reach the desktop, offscreen: imports,
// the browser's page as an entry, a stored copy of an entry, the dial-up
// connections offered and hanging up only what the client brought up.
#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "client/engine/run-engine.h"
#include "client/shell/app/mdi-frame.h"
#include "client/shell/briefs/brief-window.h"
#include "client/shell/desktop/bookmark-tree-model.h"
#include "client/shell/desktop/bookmarks-window.h"
#include "client/shell/desktop/browser-link.h"
#include "client/shell/desktop/dialer-window.h"
#include "client/shell/desktop/network-connector.h"
#include "client/shell/dialogs/settings/preferences-dialog.h"
#include "client/shell/runs/run-windows.h"
#include "platform/settings-store.h"
#include "tests/support/offscreen-widgets.h"
#include "tests/support/origin-server.h"
#include "tests/support/sandbox.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QTreeView>
#include <fstream>
#include <gtest/gtest.h>

namespace rv
{
namespace
{

class FakeConnections : public ConnectionService
{
public:
    bool Available() override { return true; }
    std::optional<QString> ActiveConnection() override { return active; }
    void Activate(const QString& name, std::function<void(DialResult)> done) override
    {
        activated << name;
        if (hold)
            return;
        active = QStringLiteral("/active/") + name;
        done(DialResult::Connected);
    }
    void HangUp(const QString& handle) override
    {
        hungUp << handle;
        active.reset();
    }
    QStringList ConnectionNames() override { return names; }

    std::optional<QString> active;
    bool hold = false; // activations never end
    QStringList names;
    QStringList activated;
    QStringList hungUp;
};

class FrameDesktopCommandsTest : public test::SandboxedTest
{
protected:
    void SetUp() override
    {
        SandboxedTest::SetUp();
        test::EnsureWidgetsApplication();
        std::filesystem::create_directories(PathOf("data"));
        services.DataFolder = QString::fromStdString(PathOf("data").string());
        services.ProgramFolder = services.DataFolder;
        services.SettingsPath = QString::fromStdString(PathOf("Ravelin.conf").string());
        services.OpenAddress = [this](const QString& address) { opened << address; };
        services.AskImportPaths = [this](const QString&, const QString&, const QString&, bool) { return chosen; };
        services.Connections = connections;
    }

    // A run of the brief whose connection goes through the dialer entry
    // "Home", which holds it; null when the settings could not be stored.
    std::unique_ptr<TMDIFrame> StartRunThroughHeldDialer()
    {
        connections->hold = true;
        {
            SettingsStore store(services.SettingsPath);
            store.SetValue("Dialer/UsingDialer", "Yes");
            store.SetValue("Dialer/Selection", "Home");
            if (!store.Sync())
                return nullptr;
        }
        auto frame = StartWithBrief();
        frame->GenerateBriefClick();
        return frame;
    }

    std::unique_ptr<TMDIFrame> StartWithBrief(const std::string& url = "http://127.0.0.1:9/")
    {
        TBrief brief;
        SetBriefPath(brief, PathOf("one.brf").string());
        brief.BriefName = "one";
        TWebPage entry = MakeEntry(EntryKind::Web);
        entry.EntryName = "Start";
        entry.URL = url;
        brief.Entries.Insert(entry, 0);
        EXPECT_EQ(SaveBrief(brief, false), SaveStatus::Saved);
        auto frame = std::make_unique<TMDIFrame>(services, QStringList{QString::fromStdString(brief.FilePath)});
        frame->FormActivateFirst();
        return frame;
    }

    // The brief as its file holds it now.
    TBrief Saved()
    {
        TBrief brief;
        EXPECT_EQ(LoadBrief(PathOf("one.brf").string(), brief).Status, LoadStatus::Loaded);
        return brief;
    }

    std::string Write(const std::string& name, const std::string& text)
    {
        std::ofstream(PathOf(name), std::ios::binary) << text;
        return PathOf(name).string();
    }

    FrameServices services;
    std::shared_ptr<FakeConnections> connections = std::make_shared<FakeConnections>();
    QStringList opened;
    QStringList chosen;
};

TEST_F(FrameDesktopCommandsTest, CommandsAreInTheMenusWithTheirTexts)
{
    auto frame = StartWithBrief();
    const std::pair<const char*, const char*> commands[] = {
        {"ImportBookmarks", "&Import Bookmarks..."}, {"ImportLinks", "Import &Links from File..."},
        {"ImportShortcuts", "Import &Shortcuts..."}, {"AddBrowserPage", "Add &Page from Browser"},
        {"LaunchEntry", "&Launch Entry in Browser"}, {"ViewEntry", "&View Entry"},
    };
    for (const auto& [name, text] : commands)
    {
        const QAction* action = frame->Action(QString::fromLatin1(name));
        ASSERT_NE(action, nullptr) << name;
        EXPECT_EQ(action->text(), QString::fromLatin1(text));
        bool inMenu = false;
        for (const QAction* menu : frame->menuBar()->actions())
            inMenu = inMenu || menu->menu()->actions().contains(action);
        EXPECT_TRUE(inMenu) << name;
    }
}

TEST_F(FrameDesktopCommandsTest, ImportShortcutsAddsTheFilesInTheirOrderAtTheTopAndSaves)
{
    auto frame = StartWithBrief();
    for (const char* name : {"First", "Second", "Third"})
        chosen << QString::fromStdString(
            Write(std::string(name) + ".url", std::string("[InternetShortcut]\r\nURL=http://") + name + ".example/\r\n"));
    frame->Action(QStringLiteral("ImportShortcuts"))->trigger();
    const TBrief brief = Saved();
    ASSERT_EQ(brief.Entries.Count(), 4);
    EXPECT_EQ(brief.Entries[0].EntryName, "First");
    EXPECT_EQ(brief.Entries[1].EntryName, "Second");
    EXPECT_EQ(brief.Entries[2].URL, "http://Third.example/");
    EXPECT_EQ(brief.Entries[3].URL, "http://127.0.0.1:9/");
}

TEST_F(FrameDesktopCommandsTest, AddPageFromBrowserTakesACopiedAddressOrSaysTheBrowserIsUnreachable)
{
    auto frame = StartWithBrief();
    QApplication::clipboard()->setText(QStringLiteral("not an address"));
    test::AnswerNextMessageBox(MessageAnswer::Ok, [](MessageBox& box)
                               { EXPECT_EQ(box.windowTitle(), QStringLiteral("Unable to get page from browser")); });
    frame->Action(QStringLiteral("AddBrowserPage"))->trigger();
    EXPECT_EQ(Saved().Entries.Count(), 1);

    QApplication::clipboard()->setText(QStringLiteral("https://news.example/today"));
    QString setup;
    test::WhenModal(
        [&](QDialog& dialog)
        {
            setup = dialog.windowTitle();
            dialog.reject();
        });
    frame->Action(QStringLiteral("AddBrowserPage"))->trigger();
    const TBrief brief = Saved();
    ASSERT_EQ(brief.Entries.Count(), 2);
    EXPECT_EQ(brief.Entries[0].URL, "https://news.example/today");
    EXPECT_EQ(brief.Entries[0].EntryName, "https://news.example/today");
    EXPECT_FALSE(setup.isEmpty()) << "the new entry's setup dialog opens";
}

TEST_F(FrameDesktopCommandsTest, ImportedBookmarksCopyAndDropIntoABrief)
{
    auto frame = StartWithBrief();
    chosen << QString::fromStdString(Write("bookmarks.htm", "<TITLE>Mine</TITLE><DL><DT><H3>Folder</H3><DL>"
                                                            "<DT><A HREF=\"http://a.example/\">A</A>"
                                                            "<DT><A HREF=\"http://b.example/\">B</A></DL></DL>"));
    QWidget* window = frame->ImportBookmarksClick();
    ASSERT_NE(window, nullptr);
    auto* bookmarks = qobject_cast<TBkMarks*>(window);
    ASSERT_NE(bookmarks, nullptr);
    EXPECT_EQ(bookmarks->windowTitle(), QStringLiteral("Mine"));
    // With the bookmarks window active no brief is current; Copy copies a bookmark.
    EXPECT_FALSE(frame->Action(QStringLiteral("AddWebEntry"))->isEnabled());
    EXPECT_TRUE(frame->Action(QStringLiteral("Copy"))->isEnabled());
    test::SaveScreenshot(*frame, "bookmarks");

    // The folder dropped on the brief brings its two bookmarks.
    TKestrelForm& brief = *frame->OpenBriefs()[0];
    std::unique_ptr<QMimeData> folder(bookmarks->Model()->mimeData({bookmarks->Model()->index(0, 0)}));
    ASSERT_TRUE(brief.DropData(*folder, 0, false));
    ASSERT_EQ(Saved().Entries.Count(), 3);
    EXPECT_EQ(Saved().Entries[1].URL, "http://b.example/");

    // Copy while the bookmarks window is active, then Paste in the brief.
    const QModelIndex first = bookmarks->Model()->index(0, 0, bookmarks->Model()->index(0, 0));
    bookmarks->KSOutline()->setCurrentIndex(first);
    frame->Action(QStringLiteral("Copy"))->trigger();
    ASSERT_TRUE(brief.CanPaste());
}

TEST_F(FrameDesktopCommandsTest, ViewEntryShowsTheNewestKeptCopyAndDropsReferencesToLostArchives)
{
    auto frame = StartWithBrief();
    Write("kept.rvd", "x");
    TKestrelForm& window = *frame->OpenBriefs()[0];
    TWebPage& entry = window.Brief().Entries[0];
    entry.PageRefs = {"kept.rvd/3/http://news.example/a", "lost.rvd/1/http://news.example/b",
                      "gone.rvd/2/http://news.example/c"};
    window.Brief().Entries.SetFocus(0);
    frame->ViewEntryClick();
    ASSERT_EQ(opened.size(), 1);
    std::string kept = PathOf("kept.rvd").string();
    EXPECT_EQ(opened[0].toStdString(), "http://127.0.0.1:" + std::to_string(frame->Settings().Servers.port) + "/" +
                                           kept.substr(1) + "/http://news.example/a");
    EXPECT_EQ(Saved().Entries[0].PageRefs, std::vector<std::string>{"kept.rvd/3/http://news.example/a"});

    frame->LaunchEntryClick();
    EXPECT_EQ(opened.back(), QStringLiteral("http://127.0.0.1:9/"));
}

TEST_F(FrameDesktopCommandsTest, DialUpPageListsTheDesktopConnections)
{
    connections->names = {QStringLiteral("Home DSL"), QStringLiteral("Office VPN")};
    auto frame = StartWithBrief();
    QStringList listed;
    test::WhenModal(
        [&](QDialog& dialog)
        {
            if (auto* list = dialog.findChild<QListWidget*>(QStringLiteral("ConnectionList")))
                for (int i = 0; i < list->count(); ++i)
                    listed << list->item(i)->text();
            test::SaveScreenshot(dialog, "dial-up");
            dialog.reject();
        });
    frame->PreferencesClick(static_cast<int>(PreferencesPage::DialUp));
    EXPECT_EQ(listed, connections->names);
}

// The run dials when the user dials; afterwards only a connection the client
// brought up is hung up, never one that was up already.
TEST_F(FrameDesktopCommandsTest, RunDialsAndHangsUpOnlyWhatItBroughtUp)
{
    for (const bool upBefore : {false, true})
    {
        SCOPED_TRACE(upBefore);
        connections->hungUp.clear();
        connections->activated.clear();
        connections->active.reset();
        if (upBefore)
            connections->active = QStringLiteral("/active/theirs");
        {
            SettingsStore store(services.SettingsPath);
            store.SetValue("Dialer/UsingDialer", "Yes");
            store.SetValue("Dialer/Selection", "Home");
            ASSERT_TRUE(store.Sync());
        }
        test::OriginServer origin({test::OriginReply{"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<p>hi</p>"}});
        auto frame = StartWithBrief("http://127.0.0.1:" + std::to_string(origin.Port()) + "/");
        frame->GenerateBriefClick();
        QElapsedTimer clock;
        clock.start();
        while (frame->Engine().RunActive() && clock.elapsed() < 30000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        ASSERT_FALSE(frame->Engine().RunActive());
        QApplication::processEvents();
        EXPECT_EQ(connections->activated, upBefore ? QStringList{} : QStringList{QStringLiteral("Home")});
        EXPECT_EQ(connections->hungUp, upBefore ? QStringList{} : QStringList{QStringLiteral("/active/Home")});
    }
}

// Without a browser command and without the desktop's opener, the client
// says so in its own words.
TEST_F(FrameDesktopCommandsTest, OpeningAnAddressWithoutABrowserShowsTheClientsMessage)
{
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(PathOf("data").string()));
    const FrameServices desktop = DesktopServices(services.ProgramFolder, services.DataFolder, services.SettingsPath);
    QString text;
    test::AnswerNextMessageBox(MessageAnswer::Ok, [&](MessageBox& box) { text = box.Text(); });
    desktop.OpenAddress(QStringLiteral("http://news.example/"));
    qputenv("PATH", path);
    EXPECT_EQ(text.toStdString(), ClientBrowserNotSet.Text);
}

// Archive Browser Page retrieves the page into the chosen archive through a
// temporary brief that leaves no catalogue and is not stored as open.
TEST_F(FrameDesktopCommandsTest, ArchiveBrowserPageWritesTheChosenArchiveOnly)
{
    test::OriginServer origin({test::OriginReply{"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<p>kept</p>"}});
    std::filesystem::create_directories(PathOf("out"));
    services.AskArchivePath = [this](const QString&) { return QString::fromStdString(PathOf("out/page.rvd").string()); };
    auto frame = StartWithBrief();
    const std::string page = "http://127.0.0.1:" + std::to_string(origin.Port()) + "/";
    QApplication::clipboard()->setText(QString::fromStdString(page));
    QString caption;
    bool activeLocked = false;
    test::WhenModal(
        [&](QDialog& dialog)
        {
            caption = dialog.windowTitle();
            const auto* active = dialog.findChild<QCheckBox*>(QStringLiteral("Active"));
            activeLocked = active && active->isChecked() && !active->isEnabled();
            dialog.accept();
        });
    frame->Action(QStringLiteral("ArchiveBrowserPage"))->trigger();
    EXPECT_EQ(caption, QStringLiteral("Please set the properties for this retrieval"));
    EXPECT_TRUE(activeLocked);
    EXPECT_FALSE(frame->Action(QStringLiteral("ArchiveBrowserPage"))->isEnabled());
    QElapsedTimer clock;
    clock.start();
    while (frame->Engine().RunActive() && clock.elapsed() < 30000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    ASSERT_FALSE(frame->Engine().RunActive());
    QApplication::processEvents();

    EXPECT_TRUE(std::filesystem::exists(PathOf("out/page.rvd")));
    EXPECT_TRUE(frame->Action(QStringLiteral("ArchiveBrowserPage"))->isEnabled());
    for (const auto& file : std::filesystem::directory_iterator(PathOf("data")))
        EXPECT_EQ(file.path().string().find(".ca"), std::string::npos) << file.path();
    ASSERT_EQ(frame->OpenBriefs().size(), 2u);
    const WindowLayout layout = frame->CurrentLayout();
    ASSERT_EQ(layout.Briefs.size(), 1u);
    EXPECT_EQ(layout.Briefs[0].Path, PathOf("one.brf").string());
}

// Closing down while a run waits for its connection ends the wait.
TEST_F(FrameDesktopCommandsTest, WindowGoesWhileARunWaitsForItsConnection)
{
    auto frame = StartRunThroughHeldDialer();
    ASSERT_TRUE(frame);
    QElapsedTimer clock;
    clock.start();
    while (connections->activated.isEmpty() && clock.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(connections->activated, QStringList{QStringLiteral("Home")});
    frame.reset();
    EXPECT_TRUE(connections->hungUp.isEmpty());
}

// The dialer window shows the attempt; its Cancel ends the attempts and the
// run with them.
TEST_F(FrameDesktopCommandsTest, DialerWindowShowsTheAttemptAndCancelEndsTheRun)
{
    auto frame = StartRunThroughHeldDialer();
    ASSERT_TRUE(frame);
    TDialerWindow* dialer = nullptr;
    QElapsedTimer clock;
    clock.start();
    while (!dialer && clock.elapsed() < 10000)
    {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        dialer = frame->findChild<TDialerWindow*>();
    }
    ASSERT_NE(dialer, nullptr);
    EXPECT_TRUE(dialer->isVisible());
    EXPECT_EQ(dialer->windowTitle(), QStringLiteral("Ravelin Pro Dialer"));
    EXPECT_EQ(dialer->Status(), QStringLiteral("Dialing..."));
    test::SaveScreenshot(*dialer, "dialer");
    dialer->CancelButton()->click();
    while (frame->Engine().RunActive() && clock.elapsed() < 20000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_FALSE(frame->Engine().RunActive());
    EXPECT_FALSE(frame->OpenBriefs()[0]->Brief().Retrieving);
}

} // namespace
} // namespace rv
