#include "server/connection.h"

#include "server/http-request.h"
#include "server/synthetic-pages.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstdio>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

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

TServer::TServer(int socket, Answerer answer, ServedHook served, FinishedHook finished, int requestDeadlineMs)
    : socket_(socket), served_(std::move(served)), finishedHook_(std::move(finished)), requestDeadlineMs_(requestDeadlineMs),
      reader_(std::move(answer))
{
    deadline_.setSingleShot(true);
}

TServer::~TServer()
{
    // Notifiers go before their descriptor.
    readable_.reset();
    writable_.reset();
    if (socket_ >= 0)
        ::close(socket_);
}

void TServer::Init()
{
    // A request that came with the connection is answered before anything
    // is set up to wait for one: a connection that is answered and closed
    // here costs the event loop nothing. A deadline started meanwhile gets
    // its handler below, before the event loop can run it.
    OnReadable();
    if (finished_)
        return;
    QObject::connect(&deadline_, &QTimer::timeout, &deadline_, [this] { Finish(); });
    readable_ = std::make_unique<QSocketNotifier>(static_cast<qintptr>(socket_), QSocketNotifier::Read);
    QObject::connect(readable_.get(), &QSocketNotifier::activated, readable_.get(), [this] { OnReadable(); });
    readable_->setEnabled(!processing_);
    if (!deadline_.isActive())
        deadline_.start(requestDeadlineMs_);
}

void TServer::OnReadable()
{
    char buffer[4096];
    while (!processing_ && !finished_)
    {
        while (reader_.State() == TRequestReader::Status::Incomplete)
        {
            const ssize_t got = ::recv(socket_, buffer, std::min(sizeof buffer, reader_.Room()), MSG_DONTWAIT);
            if (got > 0)
                reader_.Feed(std::string_view(buffer, static_cast<std::size_t>(got)));
            else if (got < 0 && errno == EINTR)
                continue;
            else if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            else
            {
                // The peer has gone before its request was whole.
                Finish();
                return;
            }
        }
        if (!Process())
            return;
    }
}

bool TServer::Process()
{
    processing_ = true;
    const bool answered = reader_.State() == TRequestReader::Status::Answer;
    keepAfterSent_ = answered && reader_.KeepAlive();
    const SharedAnswer answer = reader_.TakeAnswer();
    std::size_t sent = 0;
    if (answered && answer)
        sent = Send(*answer, reader_.Sized(), keepAfterSent_);
    if (served_)
        served_(sent);
    if (failed_)
    {
        Finish();
        return false;
    }
    if (pendingSent_ < pending_.size())
    {
        // The rest goes as the peer reads; no request is read meanwhile.
        deadline_.start(SendDeadlineMs);
        if (readable_)
            readable_->setEnabled(false);
        if (!writable_)
        {
            writable_ = std::make_unique<QSocketNotifier>(static_cast<qintptr>(socket_), QSocketNotifier::Write);
            QObject::connect(writable_.get(), &QSocketNotifier::activated, writable_.get(), [this] { OnWritable(); });
        }
        writable_->setEnabled(true);
        return false;
    }
    Sent();
    return !finished_;
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
    // One system call for the whole answer; what the kernel does not take
    // now is kept and sent as the peer reads.
    iovec vectors[3];
    for (std::size_t i = 0; i < 3; ++i)
        vectors[i] = iovec{const_cast<char*>(parts[i].data()), parts[i].size()};
    msghdr message{};
    message.msg_iov = vectors;
    message.msg_iovlen = 3;
    ssize_t got = 0;
    do
        got = ::sendmsg(socket_, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
    while (got < 0 && errno == EINTR);
    if (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
        failed_ = true;
    std::size_t written = got > 0 ? static_cast<std::size_t>(got) : 0;
    // Nothing is pending here: a connection reads no request while an answer
    // is still going out.
    std::size_t total = 0;
    for (const std::string_view part : parts)
    {
        total += part.size();
        const std::size_t skip = std::min(written, part.size());
        written -= skip;
        pending_.append(part.substr(skip));
    }
    return total;
}

bool TServer::Flush()
{
    while (pendingSent_ < pending_.size())
    {
        const ssize_t got =
            ::send(socket_, pending_.data() + pendingSent_, pending_.size() - pendingSent_, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (got > 0)
            pendingSent_ += static_cast<std::size_t>(got);
        else if (got < 0 && errno == EINTR)
            continue;
        else
            return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    return true;
}

void TServer::OnWritable()
{
    if (finished_)
        return;
    if (!Flush())
    {
        Finish();
        return;
    }
    if (pendingSent_ < pending_.size())
        return;
    writable_->setEnabled(false);
    Sent();
    if (!finished_)
        OnReadable();
}

void TServer::Sent()
{
    // A large answer's copy is not kept for the life of the connection.
    std::string().swap(pending_);
    pendingSent_ = 0;
    if (!keepAfterSent_)
    {
        CloseAfterAnswer();
        return;
    }
    processing_ = false;
    reader_.Next();
    if (readable_)
        readable_->setEnabled(true);
    deadline_.start(requestDeadlineMs_);
}

void TServer::CloseAfterAnswer()
{
    char buffer[4096];
    for (int reads = 0; reads < 16 && ::recv(socket_, buffer, sizeof buffer, MSG_DONTWAIT) > 0; ++reads)
    {
    }
    Finish();
}

void TServer::Finish()
{
    if (finished_)
        return;
    finished_ = true;
    deadline_.stop();
    // The notifiers stay (one of them may be calling this) but no longer
    // watch the descriptor, which is closed now so that the peer sees the end
    // at once.
    if (readable_)
        readable_->setEnabled(false);
    if (writable_)
        writable_->setEnabled(false);
    ::close(socket_);
    socket_ = -1;
    if (finishedHook_)
        finishedHook_();
}

} // namespace rv
