// The page server: the listener on 127.0.0.1, the connections, the open
// archives, the counters and the settings they read. It answers only
// connections whose far end belongs to the user it runs as. The program's window
// and the headless mode both drive one PageServer.
//
// Threads: everything runs on the thread that created the server, which
// must run a Qt event loop. Callbacks are called on that thread.
#pragma once

#include "server/connection.h"
#include "server/file-watch.h"
#include "server/open-briefs.h"
#include "server/peer-owner.h"
#include "server/request-dispatcher.h"
#include "server/server-settings.h"

#include <QAbstractSocket>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;

namespace rv
{

// Connections held at once; while this many are open the listener stops
// accepting and new peers wait in the kernel's queue.
constexpr std::size_t MaxConnections = 400;

struct PageServerOptions
{
    QString settingsPath;            // the shared settings file
    std::filesystem::path serverDir; // folder of the program, holding "images/"
    int requestDeadlineMs = RequestDeadlineMs;
};

class PageServer
{
public:
    explicit PageServer(PageServerOptions options);
    ~PageServer();
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    // Listens on 127.0.0.1 at the port of the settings. False when the port
    // cannot be bound ("Socket Unavailable") or no socket can be made
    // (ListenError tells which).
    bool Listen();
    // Moves the listener to another port (or reopens it on the same one).
    bool Reset(int port);
    void StopListening();
    // Why the last Listen or Reset failed.
    QAbstractSocket::SocketError ListenError() const { return listenError_; }
    int Port() const { return port_; }
    bool IsListening() const;

    // Releases an open archive before the client deletes or replaces it.
    bool CloseFile(std::string_view path) { return briefs_.CloseFile(path); }

    // The settings as the next request sees them (re-read when the file changed).
    ServerSettings CurrentSettings();
    ServerSettingsReader& Settings() { return settings_; }

    std::uint32_t FilesServed() const { return filesServed_; }
    std::uint32_t BytesServed() const { return bytesServed_; }
    std::size_t ConnectionCount() const { return connections_.size(); }
    std::size_t ActiveConnections() const { return active_; }

    RequestDispatcher& Dispatcher() { return dispatcher_; }
    OpenBriefList& OpenBriefs() { return briefs_; }

    // Called after every finished request, for the window's counters.
    std::function<void()> onCountersChanged;

private:
    void OnNewConnection();
    // Lets the listener accept again after a pause.
    void ResumeAccepting();
    void Sweep();
    void ScheduleSweep();

    PageServerOptions options_;
    FileWatch watch_; // of the settings file and the open archives
    ServerSettingsReader settings_;
    OpenBriefList briefs_;
    RequestDispatcher dispatcher_;
    int listener_ = -1; // the listening socket
    std::unique_ptr<QSocketNotifier> accepting_;
    TcpEnd listenerEnd_;
    std::vector<std::unique_ptr<TServer>> connections_;
    std::size_t active_ = 0;
    bool sweepPending_ = false;
    bool initializing_ = false; // a new connection's Init is running
    int port_ = DefaultServerPort;
    QAbstractSocket::SocketError listenError_ = QAbstractSocket::UnknownSocketError;
    std::uint32_t filesServed_ = 0;
    std::uint32_t bytesServed_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace rv
