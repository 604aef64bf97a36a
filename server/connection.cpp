#include "server/connection.h"

#include "server/http-request.h"
#include "server/synthetic-pages.h"

#include <QTcpSocket>
#include <cstdio>
#include <sys/socket.h>
#include <sys/uio.h>

namespace rv
{
namespace
{

// Answers after which the connection may serve another request; refusals
// (400, 403, 431) always end it.
bool Reusable(const std::string& answer)
{
    return (answer.starts_with("HTTP/1.0 200") || answer.starts_with("HTTP/1.0 302") || answer.starts_with("HTTP/1.0 404")) &&
           answer.find("\r\n\r\n") != std::string::npos;
}

} // namespace

TRequestReader::Status TRequestReader::Feed(std::string_view bytes)
{
    if (status_ != Status::Incomplete)
        return status_;
    const std::size_t before = request_.size();
    request_.append(bytes.substr(0, Room()));
    // The blank line may straddle the previous read.
    return Scan(before < 3 ? 0 : before - 3);
}

TRequestReader::Status TRequestReader::Scan(std::size_t from)
{
    if (const std::optional<std::size_t> end = CharFindEndOfHTTPHeader(std::string_view(request_).substr(from)))
    {
        const std::string_view header(request_.data(), from + *end);
        reply_ = answer_(header);
        status_ = reply_ ? Status::Answer : Status::Close;
        sized_ = reply_ && IsHttp11Request(header) && Reusable(*reply_);
        keepAlive_ = sized_ && WantsKeepAlive(header);
        request_.erase(0, header.size());
    }
    else if (request_.size() >= MaxRequestBytes)
    {
        reply_ = std::make_shared<const std::string>(HeaderTooLargeMessage());
        status_ = Status::Answer;
        sized_ = false;
        keepAlive_ = false;
    }
    if (status_ != Status::Incomplete && !keepAlive_)
    {
        request_.clear();
        request_.shrink_to_fit();
    }
    return status_;
}

TRequestReader::Status TRequestReader::Next()
{
    if (status_ != Status::Answer || !keepAlive_)
        return status_;
    status_ = Status::Incomplete;
    sized_ = false;
    keepAlive_ = false;
    reply_.reset();
    return Scan(0);
}

std::size_t TRequestReader::Room() const
{
    return status_ == Status::Incomplete ? MaxRequestBytes - request_.size() : 0;
}

TServer::TServer(QTcpSocket* socket, Answerer answer, ServedHook served, FinishedHook finished, int requestDeadlineMs)
    : socket_(socket), served_(std::move(served)), finishedHook_(std::move(finished)), requestDeadlineMs_(requestDeadlineMs),
      reader_(std::move(answer))
{
    deadline_.setSingleShot(true);
}

TServer::~TServer()
{
    if (socket_)
    {
        socket_->disconnect();
        socket_->abort();
        delete socket_;
    }
}

void TServer::Init()
{
    QObject::connect(socket_, &QTcpSocket::readyRead, socket_, [this] { OnReadable(); });
    QObject::connect(socket_, &QTcpSocket::bytesWritten, socket_, [this] { OnWritten(); });
    QObject::connect(socket_, &QTcpSocket::disconnected, socket_, [this] { Finish(); });
    QObject::connect(socket_, &QTcpSocket::errorOccurred, socket_,
                     [this](QAbstractSocket::SocketError error)
                     {
                         if (error != QAbstractSocket::RemoteHostClosedError)
                             Finish();
                     });
    QObject::connect(&deadline_, &QTimer::timeout, socket_,
                     [this]
                     {
                         socket_->abort();
                         Finish();
                     });
    deadline_.start(requestDeadlineMs_);
    OnReadable();
}

void TServer::OnReadable()
{
    char buffer[4096];
    while (!processing_ && !finished_)
    {
        while (reader_.State() == TRequestReader::Status::Incomplete && socket_->bytesAvailable() > 0)
        {
            const qint64 want = static_cast<qint64>(std::min(sizeof buffer, reader_.Room()));
            const qint64 got = socket_->read(buffer, want);
            if (got <= 0)
                break;
            reader_.Feed(std::string_view(buffer, static_cast<std::size_t>(got)));
        }
        if (reader_.State() == TRequestReader::Status::Incomplete || !Process())
            return;
    }
}

bool TServer::Process()
{
    processing_ = true;
    const bool answered = reader_.State() == TRequestReader::Status::Answer;
    const bool connected = socket_->state() == QAbstractSocket::ConnectedState;
    const bool keepAlive = answered && connected && reader_.KeepAlive();
    const SharedAnswer answer = reader_.TakeAnswer();
    std::size_t sent = 0;
    if (answered && connected && answer)
        sent = Send(*answer, reader_.Sized(), keepAlive);
    if (served_)
        served_(sent);
    deadline_.start(SendDeadlineMs);
    if (keepAlive)
    {
        if (socket_->bytesToWrite() > 0)
        {
            awaitingFlush_ = true; // OnWritten reads on
            return false;
        }
        processing_ = false;
        reader_.Next();
        deadline_.start(requestDeadlineMs_);
        return true;
    }
    socket_->disconnectFromHost();
    if (socket_->state() == QAbstractSocket::UnconnectedState)
        Finish();
    return false;
}

std::size_t TServer::Send(const std::string& answer, bool sized, bool keepAlive)
{
    // The answer goes out as it is, or with its length (and the keep-alive
    // line) put before the blank line that ends its header.
    std::string_view head = answer;
    std::string_view body;
    char extra[96];
    std::size_t extraLength = 0;
    if (sized)
    {
        const std::size_t blank = answer.find("\r\n\r\n") + 2;
        head = std::string_view(answer).substr(0, blank);
        body = std::string_view(answer).substr(blank);
        const int length = std::snprintf(extra, sizeof extra, "Content-Length: %zu\r\n%s", body.size() - 2,
                                         keepAlive ? "Connection: keep-alive\r\n" : "");
        extraLength = length > 0 ? static_cast<std::size_t>(length) : 0;
    }
    const std::string_view parts[] = {head, std::string_view(extra, extraLength), body};
    // One system call while nothing waits in the socket's own buffer; what
    // the kernel does not take now is left to that buffer.
    std::size_t written = 0;
    if (socket_->bytesToWrite() == 0)
    {
        iovec vectors[3];
        for (std::size_t i = 0; i < 3; ++i)
            vectors[i] = iovec{const_cast<char*>(parts[i].data()), parts[i].size()};
        msghdr message{};
        message.msg_iov = vectors;
        message.msg_iovlen = 3;
        const ssize_t got = ::sendmsg(static_cast<int>(socket_->socketDescriptor()), &message, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (got > 0)
            written = static_cast<std::size_t>(got);
    }
    std::size_t total = 0;
    for (const std::string_view part : parts)
    {
        total += part.size();
        const std::size_t skip = std::min(written, part.size());
        written -= skip;
        if (part.size() > skip)
            socket_->write(part.data() + skip, static_cast<qint64>(part.size() - skip));
    }
    return total;
}

void TServer::OnWritten()
{
    if (!awaitingFlush_ || finished_ || socket_->bytesToWrite() > 0)
        return;
    awaitingFlush_ = false;
    processing_ = false;
    reader_.Next();
    deadline_.start(requestDeadlineMs_);
    OnReadable();
}

void TServer::Finish()
{
    if (finished_)
        return;
    finished_ = true;
    deadline_.stop();
    if (finishedHook_)
        finishedHook_();
}

} // namespace rv
