#include "server/connection.h"

#include "server/http-request.h"
#include "server/synthetic-pages.h"

#include <QTcpSocket>

namespace rv
{

TRequestReader::Status TRequestReader::Feed(std::string_view bytes)
{
    if (status_ != Status::Incomplete)
        return status_;
    const std::size_t before = request_.size();
    request_.append(bytes.substr(0, Room()));
    // The blank line may straddle the previous read.
    const std::size_t from = before < 3 ? 0 : before - 3;
    if (const std::optional<std::size_t> end = CharFindEndOfHTTPHeader(std::string_view(request_).substr(from)))
    {
        request_.resize(from + *end);
        std::optional<std::string> answer = answer_(request_);
        status_ = answer ? Status::Answer : Status::Close;
        if (answer)
            reply_ = std::move(*answer);
    }
    else if (request_.size() >= MaxRequestBytes)
    {
        reply_ = HeaderTooLargeMessage();
        status_ = Status::Answer;
    }
    if (status_ != Status::Incomplete)
    {
        request_.clear();
        request_.shrink_to_fit();
    }
    return status_;
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
    if (processing_ || finished_)
        return;
    char buffer[4096];
    while (reader_.State() == TRequestReader::Status::Incomplete && socket_->bytesAvailable() > 0)
    {
        const qint64 want = static_cast<qint64>(std::min(sizeof buffer, reader_.Room()));
        const qint64 got = socket_->read(buffer, want);
        if (got <= 0)
            break;
        reader_.Feed(std::string_view(buffer, static_cast<std::size_t>(got)));
    }
    if (reader_.State() != TRequestReader::Status::Incomplete)
        Process();
}

void TServer::Process()
{
    processing_ = true;
    const std::string answer = reader_.TakeAnswer();
    std::size_t sent = 0;
    if (reader_.State() == TRequestReader::Status::Answer && socket_->state() == QAbstractSocket::ConnectedState)
    {
        socket_->write(answer.data(), static_cast<qint64>(answer.size()));
        sent = answer.size();
    }
    if (served_)
        served_(sent);
    deadline_.start(SendDeadlineMs);
    socket_->disconnectFromHost();
    if (socket_->state() == QAbstractSocket::UnconnectedState)
        Finish();
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
