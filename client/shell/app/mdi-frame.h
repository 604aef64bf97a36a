// TMDIFrame: RVClient's main window. An MDI frame whose children are the
// brief windows; it keeps the table of open briefs, the file commands and the
// recent briefs, the window layout between sessions, the status log lines,
// the hand-over of briefs to the retrieval engine, the one-second schedule
// check and the orderly shutdown.
//
// The open-briefs table lists the brief windows in order of opening; a
// window's number is its place in it, from 1. A path is open at most once
// (compared exactly).
//
// Outside services (starting and stopping RVServer, the browser, the help
// pages, the beep, the file dialogs) are handed in, so that tests put
// recorders in their place.
//
// Threads: the main thread only. The engine reports through the frame's
// observer, on the main thread as well.
#pragma once

#include "client/briefs/entry-clipboard.h"
#include "client/shell/app/recent-briefs.h"
#include "client/shell/app/status-log-model.h"
#include "client/shell/client-settings.h"
#include "client/shell/schedule-check.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;

namespace rv
{

class ConnectionService;
class DefinitionSet;
class DialClock;
class DialUpConnections;
class FrameRunObserver;
class NetworkConnector;
class RunEngine;
class RunWindows;
class SettingsStore;
class TBkMarks;
class TKestrelForm;

inline constexpr const char* ApplicationTitle = "Ravelin Pro";

inline const UserMessage BriefAlreadyOpen{"Brief already open",
                                          "This brief is already open. Ravelin Pro cannot open two copies of the same brief."};
inline const UserMessage FileAlreadyExists{"File Already Exists",
                                           "A file with that name already exists. Do you wish to overwrite it?"};

// Help pages the frame opens.
inline constexpr int NewBriefHelpContext = 4;
inline constexpr int SaveAsHelpContext = 6;
inline constexpr int FirstStartHelpContext = 108;

struct FrameServices
{
    QString ProgramFolder; // the folder of RVClient (and of RVServer)
    QString DataFolder;    // "Briefs/", "help/", "images/", definition files
    QString SettingsPath;
    std::function<void()> StartServer;
    std::function<void()> ShutdownServer;
    std::function<void()> Beep;
    std::function<void(const QString& address)> OpenAddress;
    std::function<void(int context)> ShowHelp;
    // The file dialogs alone: the chosen path, or empty when cancelled.
    std::function<QString(const QString& title, const QString& folder)> AskSavePath;
    std::function<QString(const QString& folder)> AskOpenPath;
    ScheduleCheck::Clock Clock = LocalCivilTime;
    // Makes the status log window; none: "Show Log" is kept as it was read.
    std::function<QWidget*(class TMDIFrame& frame)> MakeStatusLogWindow;
    // At a first start, after the sample briefs: asks for the dialer and the
    // browser where the settings and the desktop lack them.
    std::function<void(class TMDIFrame& frame)> FirstStartPrompts;
    // The import commands' open dialog: the chosen files (several only when
    // `many`), none when cancelled.
    std::function<QStringList(const QString& title, const QString& folder, const QString& filter, bool many)> AskImportPaths;
    // The desktop's network connections (NetworkManager); none: dialing is
    // off and a run needs only the network to be up.
    std::shared_ptr<ConnectionService> Connections;
    // The save dialog of "Archive Browser Page": the archive's path, or empty
    // when cancelled.
    std::function<QString(const QString& folder)> AskArchivePath;
};

// The services of the real program: RVServer beside RVClient, the browser of
// the settings, the help pages of the data folder, Qt's file dialogs.
FrameServices DesktopServices(const QString& programFolder, const QString& dataFolder, const QString& settingsPath);

class TMDIFrame : public QMainWindow
{
    Q_OBJECT

public:
    // Reads the settings, starts the server and prepares the engine; the
    // briefs open at first activation (the first show, or FormActivateFirst).
    TMDIFrame(FrameServices services, QStringList commandLineBriefs, QWidget* parent = nullptr);
    ~TMDIFrame() override;

    // First activation, once per process: the stored layout, the command-line
    // briefs, the status log, the sample briefs of a first start, the recent
    // briefs.
    void FormActivateFirst();

    // Opens a brief file (with the placement of its window when given); the
    // window, or nullptr when the path was open already or did not load.
    TKestrelForm* OpenBrief(const QString& path, const WindowPlacement* placement = nullptr);
    // Opens briefs handed over by a second RVClient and raises the window.
    void OpenHandedOver(const QStringList& paths);
    void NewBriefClick();
    void OpenBriefClick();
    void SaveAsClick();
    // Closes the brief window unless its brief is under a run.
    bool CloseBrief(TKestrelForm& window);
    void GenerateBriefClick();
    void ViewLastBriefClick();
    void ViewCumulativeBriefClick();
    // The brief setup dialog of the current brief, on its Properties page or
    // (Set Timers) on its Retrieval Time page.
    void BriefSetupClick(bool timers);
    // The preferences, on a page, with the caption of a start-up prompt.
    void PreferencesClick(int page = 0, int prompt = 0);

    // The browser and import commands; defined in frame-desktop-commands.cpp.
    // The bookmarks windows open as children of the window area.
    QWidget* ImportBookmarksClick();
    QWidget* ImportLinksClick();
    void ImportShortcutsClick();
    // Adds the browser's page (DevTools port, else a copied address) at the
    // top of the current brief and saves it.
    void AddPageFromBrowserClick();
    void LaunchEntryClick();
    // The newest stored copy of the focused entry; references to archives
    // that are gone are dropped on the way.
    void ViewEntryClick();
    // Retrieves the browser's page into an archive of the user's choosing,
    // through a temporary one-page brief; frame-page-archive.cpp.
    void ArchiveBrowserPageClick();

    // The run hand-over: starts a run of the brief or joins it to the run
    // under way.
    void StartRun(TKestrelForm& window, bool scheduled, const std::string& targetName = {});

    const std::vector<TKestrelForm*>& OpenBriefs() const { return briefs_; }
    TKestrelForm* CurrentBrief() const;
    // The window number of a brief window (1 for the first opened), 0 when
    // it is not in the table.
    int WindowNumber(const TKestrelForm& window) const;
    const RecentBriefs& Recent() const { return recent_; }
    StatusLogModel& StatusLog() { return *statusLog_; }
    RunWindows& Runs() { return *runWindows_; }
    // The run windows' commands: the progress window, the status log window
    // (an MDI child), the current brief's archive window and packaging.
    void ShowProgressClick();
    QWidget* ShowStatusLog();
    void ShowArchiveClick();
    void ShowPackage();
    RunEngine& Engine() { return *engine_; }
    const ClientSettings& Settings() const { return settings_; }
    QMdiArea& Area() { return *area_; }
    bool ShuttingDown() const { return shuttingDown_; }
    // SIGTERM or SIGINT: the window closes now, or once the run under way
    // has ended; no scheduled brief starts in between.
    void CloseWhenIdle();
    // The recent-brief items at the end of the File menu, "&1" first.
    QList<QAction*> RecentActions() const;
    QAction* Action(const QString& objectName) const;

    // The layout of the main window and its brief windows, as "Open Briefs"
    // stores it.
    WindowLayout CurrentLayout() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class FrameRunObserver;

    void CreateActions();
    // The run windows and their menu; defined in frame-run-windows.cpp.
    void CreateRunWindows();
    void CreateMenus();
    void CreateDesktopCommands();
    void UpdateDesktopCommands();
    QWidget* ShowBookmarks(std::unique_ptr<TBkMarks> window);
    TBkMarks* ActiveBookmarks() const;
    // Where the import dialogs start: the browser's folder, else the program's.
    QString BrowserFolder() const;
    // The connect step of a run; frame-network.cpp. Called on the run's thread.
    bool ConnectForRun();
    void CreateConnector();
    // Hangs up a connection the connect step brought up, when the user wants.
    void HangUpAfterRun();
    // Ends a connect step that a run waits for, as Cancel does.
    void StopConnecting();
    std::unique_ptr<DialUpConnections> DialUpList() const;
    void UpdateRecentMenu();
    void UpdateCommands();
    void ScheduleTick();
    void RunEnded();
    void Shutdown();
    // The save dialog: asks again when the user declines to overwrite.
    QString AskSavePath(const QString& title);
    void SaveAs(TKestrelForm& window);
    QString BriefsFolder() const;
    TKestrelForm* WindowOf(const TBrief& brief) const;
    QMdiSubWindow* SubWindowOf(const TKestrelForm& window) const;
    TKestrelForm* AddBriefWindow(const WindowPlacement* placement);
    void RemoveBriefWindow(TKestrelForm& window);
    void ViewArchive(bool cumulative);

    FrameServices services_;
    QStringList commandLineBriefs_;
    std::unique_ptr<SettingsStore> store_;
    ClientSettings settings_;
    EntryClipboard clipboard_;
    std::unique_ptr<FrameRunObserver> observer_;
    std::unique_ptr<RunWindows> runWindows_;
    std::unique_ptr<RunEngine> engine_;
    std::unique_ptr<ScheduleCheck> scheduleCheck_;
    std::unique_ptr<DialClock> dialClock_;
    std::unique_ptr<NetworkConnector> connector_;
    bool connectorUsed_ = false;
    QPointer<QWidget> dialer_;         // the dialer window while dialing
    QPointer<TKestrelForm> pageBrief_; // the temporary brief of Archive Browser Page
    std::shared_ptr<DefinitionSet> definitions_;
    QMdiArea* area_ = nullptr;
    QTimer* timer_ = nullptr;
    StatusLogModel* statusLog_ = nullptr;
    QPointer<QWidget> statusLogWindow_;
    std::vector<TKestrelForm*> briefs_;
    RecentBriefs recent_;
    QMenu* fileMenu_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    QAction* exitAction_ = nullptr;
    std::vector<QAction*> recentActions_;
    bool activated_ = false;
    bool shuttingDown_ = false;
    bool closeWhenIdle_ = false;
    bool checkRunning_ = false;
    // Brief windows asked to close while the schedule check ran.
    std::vector<QPointer<QMdiSubWindow>> pendingCloses_;
};

} // namespace rv
