// TForm1: the RVServer window. It shows the counters "Files Served:" and
// "Bytes Served:", carries the File, Options and Help menus, puts an icon in
// the notification area where the desktop has one (else the window stays
// minimised), and asks before the server is closed when the user wants that.
//
// The window is the program's ServerUi: start-up failures become TErrorDlg
// boxes, the client's "Shutdown" closes it without asking. It drives the
// PageServer it is given only to read counters and the port; the server and
// its control channel belong to ServerApp.
//
// Threads: the GUI thread only; every callback below is called there.
#pragma once

#include "server/server-app.h"
#include "server/server-settings.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

class QAction;
class QDialog;
class QLabel;
class QMenu;
class QSystemTrayIcon;

namespace rv
{

class HelpOpener;
class PageServer;

inline constexpr const char* ServerWindowCaption = "Ravelin Server";
inline constexpr const char* CloseQuestionTitle = "Closing Ravelin Server";
inline constexpr const char* CloseQuestionText = "Without the Ravelin Server, you will be unable to view any briefs. Are "
                                                 "you sure you want to close the Ravelin Server?";
inline constexpr const char* OpenArchiveTitle = "Open Archived Brief";
// Help page of the server's topic.
constexpr int ServerHelpContext = 39;

struct ServerWindowOptions
{
    QString settingsPath; // the shared settings file
    QString serverDir;    // the program's folder: "images/", "briefs/", "help/"
    // Whether to use the notification area; by default, when the desktop has one.
    std::optional<bool> useTray;
};

class TForm1 : public QMainWindow, public ServerUi
{
public:
    // Reads the three switches and sets the Options menu from them. The
    // window is not shown until FormShowFirst.
    explicit TForm1(ServerWindowOptions options, QWidget* parent = nullptr);
    ~TForm1() override;

    // The running server whose counters and port the window shows. Must
    // outlive the window or be detached with nullptr.
    void AttachServer(PageServer* server);
    // Shows the program as it starts: the tray icon, with the window hidden,
    // or the window minimised when there is no tray.
    void FormShowFirst();

    // ServerUi
    void ShowError(const QString& title, const QString& text) override;
    void ShutdownRequested() override;
    void CountersChanged() override { UpdateInfo(); }

    void UpdateInfo();
    // Re-reads the switches and sets the Options menu's check marks, so that
    // changes the client made show; called whenever the menu opens.
    void DisplayClick();
    void HeaderClick();
    void WarningClick();
    void ShutdownWarning1Click();
    // Writes the three check marks to the settings file (header, warning,
    // shutdown) and takes them as the window's switches.
    void SaveSettings();
    void Open1Click();
    // Points the browser at the archive, as the Open command does after its dialog.
    void OpenArchive(const QString& path);
    // Where the Open dialog starts: the folder last used, else "briefs" in
    // the program's folder when it exists, else the program's folder.
    QString OpenDialogFolder() const;
    void Exit1Click() { close(); }
    void Close1Click() { close(); }
    void DoMinimize();
    void Restore1Click();
    void About1Click();
    void Contents1Click();
    void Server1Click();
    // The desktop session ends: close at once, without asking.
    void EndSession();

    bool UsesTray() const { return tray_ != nullptr; }
    bool ShutdownWarningOn() const { return shutdownWarning_; }
    QAction* HeaderItem() const { return header_; }
    QAction* WarningItem() const { return warning_; }
    QAction* ShutdownWarningItem() const { return shutdownWarningItem_; }
    QAction* TrayExitItem() const { return trayExit_; }
    QMenu* OptionsMenu() const { return optionsMenu_; }
    HelpOpener* Help() const { return help_; }
    QString FilesServedText() const;
    QString BytesServedText() const;

    // Asks the close question; true for Yes. The default shows TErrorCheckDlg;
    // tests put an answer in its place.
    std::function<bool(const QString& title, const QString& question)> askYesNo;
    // Called once the window has closed and the program is to end.
    std::function<void()> onClosed;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildMenus();
    void BuildCounters();
    void BuildTray();
    void SetSwitches(const ServerSettings& settings);
    bool FormCloseQuery();
    void FormClose();
    bool AskWithDialog(const QString& title, const QString& question);

    ServerWindowOptions options_;
    ServerSettingsReader settings_;
    PageServer* server_ = nullptr;
    bool displayHeader_ = false;
    bool displayWarning_ = false;
    bool shutdownWarning_ = false;
    bool shutdownRequested_ = false;
    bool asking_ = false;
    QString lastOpenFolder_;

    QLabel* filesServed_ = nullptr;
    QLabel* bytesServed_ = nullptr;
    QMenu* optionsMenu_ = nullptr;
    QAction* header_ = nullptr;
    QAction* warning_ = nullptr;
    QAction* shutdownWarningItem_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    QAction* trayExit_ = nullptr;
    QPointer<QDialog> question_;
    HelpOpener* help_ = nullptr;
};

} // namespace rv
