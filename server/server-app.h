// Start-up and shutdown of the RVServer program, shared by the window and
// the headless mode (--no-window): single instance, settings, listener,
// control channel and the browser for command-line paths.
#pragma once

#include "platform/single-instance.h"
#include "server/control-channel.h"
#include "server/page-server.h"

#include <QAbstractSocket>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace rv
{

inline constexpr const char* SocketsFailureTitle = "Sockets Connection Failure.";
inline constexpr const char* SocketsFailureText =
    "Ravelin Server was unable to connect to the Windows  Sockets. Your system may be unstable and you may need "
    "to reset your system.";
inline constexpr const char* SocketUnavailableTitle = "Socket Unavailable";
inline constexpr const char* SocketUnavailableText =
    "Ravelin Server was unable to reserve its socket. Some other application may be using it. Please change the "
    "Ravelin Server socket setting in the Edit|Preferences menu of Ravelin.";
inline constexpr const char* UnfamiliarVersionTitle = "Unfamiliar file version.";
inline constexpr const char* UnfamiliarVersionText =
    "This version of the Ravelin Server cannot read this file. Get the newest version from "
    "http://www.marrowbyworks.com/";
inline constexpr const char* NoRuntimeFolderTitle = "No private runtime folder";
inline constexpr const char* NoRuntimeFolderText =
    "Ravelin Server runs without its control channel, so Ravelin cannot ask it to release archives, and "
    "without checking for a second server: ";

// What the program shows the user; the window uses dialogs, the headless
// mode writes to stderr.
class ServerUi
{
public:
    virtual ~ServerUi() = default;
    virtual void ShowError(const QString& title, const QString& text) = 0;
    // The client asked the server to end ("Shutdown"): close without asking.
    virtual void ShutdownRequested() = 0;
    virtual void CountersChanged() {}
};

struct ServerAppPaths
{
    QString settingsPath;
    QString lockPath; // both empty: there is no private runtime folder
    QString controlSocketPath;
    QString serverDir; // folder holding "images/"
};

class ServerApp
{
public:
    enum class Start
    {
        Running,        // first instance, listening
        SecondInstance, // another server runs; the browser was pointed at the paths given
        Failed,         // the listener could not be opened; the error was shown
    };

    ServerApp(ServerAppPaths paths, ServerUi& ui);
    ~ServerApp();

    Start Run(const QStringList& arguments);

    PageServer& Server() { return *server_; }

private:
    bool HandleCommand(const QString& topic, const QString& item);
    void OpenBrowser(const QStringList& arguments, int port);
    void ShowListenFailure();

    ServerAppPaths paths_;
    ServerUi& ui_;
    std::unique_ptr<SingleInstance> instance_;
    std::unique_ptr<PageServer> server_;
    std::unique_ptr<ControlChannel> control_;
};

// Runs the server until it is shut down; the program's exit code: 0 after a
// clean shutdown or when another server took the paths, 1 when it could not
// start. running is called once the server listens, before the event loop.
int RunUntilShutdown(ServerApp& server, const QStringList& arguments, const std::function<void()>& running = {});

// True for the listener errors that mean no socket could be made at all
// ("Sockets Connection Failure."), as opposed to a port that cannot be bound
// ("Socket Unavailable").
bool ListenerNotCreated(QAbstractSocket::SocketError error);

// The paths a normal start uses: the shared settings file, the user's runtime
// folder and the program's own folder.
ServerAppPaths DefaultServerAppPaths(const QString& programDir);

// The archive path the command line names: its words joined by blanks (a
// path with blanks may arrive split), made absolute against currentDir when
// it is relative. Empty for no words.
QStringList CommandLineArchive(const QStringList& arguments, const QString& currentDir);

} // namespace rv
