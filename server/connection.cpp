#include "server/connection.h"

#include "server/http-request.h"

#include <QTcpSocket>

namespace rv
{

TServer::TServer(QTcpSocket* socket, Answerer answer, ServedHook served, FinishedHook finished, int requestDeadlineMs)
    : socket_(socket), answer_(std::move(answer)), served_(std::move(served)), finishedHook_(std::move(finished)),
      requestDeadlineMs_(requestDeadlineMs)
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
    request_.reserve(1024);
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
    const qint64 room = static_cast<qint64>(MaxRequestBytes - request_.size());
    if (room > 0 && socket_->bytesAvailable() > 0)
    {
        const std::size_t before = request_.size();
        request_.resize(before + static_cast<std::size_t>(room));
        const qint64 got = socket_->read(request_.data() + before, room);
        request_.resize(before + static_cast<std::size_t>(std::max<qint64>(got, 0)));
    }
    if (request_.size() >= MaxRequestBytes || CharFindEndOfHTTPHeader(request_))
        Process();
}

void TServer::Process()
{
    processing_ = true;
    const std::optional<std::string> answer = answer_(request_);
    request_.clear();
    request_.shrink_to_fit();
    std::size_t sent = 0;
    if (answer && socket_->state() == QAbstractSocket::ConnectedState)
    {
        socket_->write(answer->data(), static_cast<qint64>(answer->size()));
        sent = answer->size();
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
