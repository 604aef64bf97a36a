// TServer: one accepted connection. It reads one request, has the page
// server's dispatcher answer it, sends the answer and closes. TRequestReader
// is its reading half without the socket: bytes in, the answer out.
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

// Answers a complete request header; nothing means: close without an answer.
using RequestAnswerer = std::function<std::optional<std::string>(std::string_view request)>;

// Gathers one request from the bytes as they arrive. The header must end
// (blank line) within MaxRequestBytes; a longer one is refused with 431
// without being answered, so that no check can be starved of the lines it
// needs. Bytes after the header are ignored. Not thread-safe; no socket.
class TRequestReader
{
public:
    enum class Status
    {
        Incomplete, // feed more bytes
        Answer,     // send TakeAnswer() and close
        Close       // close without an answer
    };

    explicit TRequestReader(RequestAnswerer answer) : answer_(std::move(answer)) {}

    // Takes the next bytes of the stream (any split); after the first call
    // that returns other than Incomplete, further bytes are ignored.
    Status Feed(std::string_view bytes);
    // How many more bytes Feed would keep.
    std::size_t Room() const;
    Status State() const { return status_; }
    // The answer once Feed returned Answer; empties it.
    std::string TakeAnswer() { return std::move(reply_); }

private:
    RequestAnswerer answer_;
    std::string request_;
    std::string reply_;
    Status status_ = Status::Incomplete;
};

class TServer
{
public:
    using Answerer = RequestAnswerer;
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
    ServedHook served_;
    FinishedHook finishedHook_;
    QTimer deadline_;
    int requestDeadlineMs_;
    TRequestReader reader_;
    bool processing_ = false;
    bool finished_ = false;
};

} // namespace rv
