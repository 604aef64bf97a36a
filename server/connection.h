// TServer: one accepted connection. It reads a request, has the page
// server's dispatcher answer it and sends the answer. An HTTP/1.0 request is
// answered as the end of the connection (no length, then close). An HTTP/1.1
// request that was answered 200, 302 or 404 gets a Content-Length, so that
// its client knows the answer is whole without waiting for the close; unless
// it asked to close, also "Connection: keep-alive", and the connection reads
// the next request, which meets the same limits as the first.
// TRequestReader is its reading half without the socket: bytes in, the
// answer out.
//
// Life: reading -> processing (answer queued on the socket) -> reading again
// once a kept answer is all written, or finished (socket closed). A
// connection that has not sent its whole next request within
// RequestDeadlineMs, or whose answer is not taken within SendDeadlineMs, is
// aborted, so that slow or idle peers never hold up others. The page server
// owns its connections and frees finished ones in its sweep; a connection
// never frees itself. Everything runs on the server's one thread.
#pragma once

#include "server/answer-cache.h"

#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QSocketNotifier;

namespace rv
{

// A connection that has not sent its whole request by then is closed.
constexpr int RequestDeadlineMs = 20000;
// An answer the peer does not read within this time is dropped.
constexpr int SendDeadlineMs = 60000;

// Answers a complete request header; null means: close without an answer.
using RequestAnswerer = std::function<SharedAnswer(std::string_view request)>;

// Gathers requests from the bytes as they arrive, one at a time. Each header
// must end (blank line) within MaxRequestBytes of its first byte; a longer
// one is refused with 431 without being answered, so that no check can be
// starved of the lines it needs, and nothing after it is read. Bytes after an
// answered header are kept for the next request when the connection stays
// open, else ignored. Not thread-safe; no socket.
class TRequestReader
{
public:
    enum class Status
    {
        Incomplete, // feed more bytes
        Answer,     // send TakeAnswer(), then close unless KeepAlive()
        Close       // close without an answer
    };

    explicit TRequestReader(RequestAnswerer answer) : answer_(std::move(answer)) {}

    // Takes the next bytes of the stream (any split); after a call that
    // returns other than Incomplete, further bytes are ignored until Next.
    Status Feed(std::string_view bytes);
    // How many more bytes Feed would keep.
    std::size_t Room() const;
    Status State() const { return status_; }
    // The answer once Feed returned Answer; empties it.
    SharedAnswer TakeAnswer() { return std::move(reply_); }
    // After Answer: the connection stays open for another request (the
    // request wants it and the answer is a page, a redirect or a 404, never
    // a refusal).
    bool KeepAlive() const { return keepAlive_; }
    // After Answer: the answer is to carry its length (an HTTP/1.1 request
    // answered with a page, a redirect or a 404).
    bool Sized() const { return sized_; }
    // After an answer with KeepAlive: starts on the next request with the
    // bytes that followed the last header, which may hold it whole.
    Status Next();

private:
    Status Scan(std::size_t from);

    RequestAnswerer answer_;
    std::string request_; // the header so far; after an answer, what followed it
    SharedAnswer reply_;
    Status status_ = Status::Incomplete;
    bool sized_ = false;
    bool keepAlive_ = false;
};

class TServer
{
public:
    using Answerer = RequestAnswerer;
    // Called once for every request answered (or refused), with the bytes
    // handed to the socket.
    using ServedHook = std::function<void(std::size_t bytes)>;
    // Called once when the connection has finished.
    using FinishedHook = std::function<void()>;

    // Takes ownership of the descriptor: a connected, non-blocking TCP socket.
    TServer(int socket, Answerer answer, ServedHook served, FinishedHook finished, int requestDeadlineMs = RequestDeadlineMs);
    ~TServer();
    TServer(const TServer&) = delete;
    TServer& operator=(const TServer&) = delete;

    // Starts reading; data that arrived before the call is picked up at once.
    void Init();
    bool Finished() const { return finished_; }
    bool Reading() const { return !processing_ && !finished_; }

private:
    void OnReadable();
    // Sends the answer; true when the next request may be read at once.
    bool Process();
    std::size_t Send(const std::string& answer, bool sized, bool keepAlive);
    void OnWritable();
    // Hands the kernel what it takes of pending_; false when the connection
    // has failed.
    bool Flush();
    // The answer is all sent: reads the next request or closes.
    void Sent();
    // Closes after the last answer, leaving no unread request bytes behind,
    // which would make the kernel reset the connection and could cost the
    // peer the answer's end.
    void CloseAfterAnswer();
    void Finish();

    int socket_;
    std::unique_ptr<QSocketNotifier> readable_;
    std::unique_ptr<QSocketNotifier> writable_; // made when an answer does not fit the socket at once
    ServedHook served_;
    FinishedHook finishedHook_;
    QTimer deadline_;
    int requestDeadlineMs_;
    TRequestReader reader_;
    std::string pending_;         // the part of the answer the kernel has not taken yet
    std::size_t pendingSent_ = 0; // of pending_
    bool processing_ = false;
    bool keepAfterSent_ = false; // the answer being sent keeps the connection
    bool failed_ = false;
    bool finished_ = false;
};

} // namespace rv
