// TServer: one accepted connection. It reads one request, has the page
// server's dispatcher answer it, sends the answer and closes.
//
// Life: reading -> processing (answer queued on the socket) -> finished
// (socket closed). A connection that has not sent its whole request within
// RequestDeadlineMs, or whose answer is not taken within SendDeadlineMs, is
// aborted, so that slow or idle peers never hold up others. The page server
// owns its connections and frees finished ones in its sweep; a connection
// never frees itself. Everything runs on the server's one thread.
#pragma once

#include <QTimer>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class QTcpSocket;

namespace rv
{

// A connection that has not sent its whole request by then is closed.
constexpr int RequestDeadlineMs = 20000;
// An answer the peer does not read within this time is dropped.
constexpr int SendDeadlineMs = 60000;

class TServer
{
public:
    // Answers a complete request; nothing means: close without an answer.
    using Answerer = std::function<std::optional<std::string>(std::string_view request)>;
    // Called once when the request was answered (or refused), with the bytes
    // handed to the socket.
    using ServedHook = std::function<void(std::size_t bytes)>;
    // Called once when the connection has finished.
    using FinishedHook = std::function<void()>;

    // Takes ownership of the socket.
    TServer(QTcpSocket* socket, Answerer answer, ServedHook served, FinishedHook finished,
            int requestDeadlineMs = RequestDeadlineMs);
    ~TServer();
    TServer(const TServer&) = delete;
    TServer& operator=(const TServer&) = delete;

    // Starts reading; data that arrived before the call is picked up at once.
    void Init();
    bool Finished() const { return finished_; }
    bool Reading() const { return !processing_ && !finished_; }

private:
    void OnReadable();
    void Process();
    void Finish();

    QTcpSocket* socket_;
    Answerer answer_;
    ServedHook served_;
    FinishedHook finishedHook_;
    QTimer deadline_;
    int requestDeadlineMs_;
    std::string request_;
    bool processing_ = false;
    bool finished_ = false;
};

} // namespace rv
