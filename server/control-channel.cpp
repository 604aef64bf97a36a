#include "server/control-channel.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace rv
{
namespace
{

// A peer that has not sent its command line by then is dropped.
constexpr int CommandDeadlineMs = 5000;
// Longer than any command line with its item.
constexpr qint64 MaxCommandLineBytes = 4096;

} // namespace

ControlChannel::ControlChannel(Handler handler) : handler_(std::move(handler)) {}

ControlChannel::~ControlChannel() = default;

bool ControlChannel::Start(const QString& socketPath)
{
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(socketPath);
    if (!server_->listen(socketPath))
        return false;
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this] { OnConnection(); });
    return true;
}

void ControlChannel::OnConnection()
{
    while (QLocalSocket* socket = server_->nextPendingConnection())
    {
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(CommandDeadlineMs, socket, [socket] { socket->abort(); });
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QLocalSocket::readyRead, socket,
                         [this, socket, buffer]
                         {
                             buffer->append(socket->read(MaxCommandLineBytes - buffer->size()));
                             const qsizetype end = buffer->indexOf('\n');
                             if (end < 0 && buffer->size() < MaxCommandLineBytes)
                                 return;
                             const QString line = QString::fromUtf8(buffer->left(end < 0 ? buffer->size() : end));
                             const qsizetype blank = line.indexOf(' ');
                             const QString topic = blank < 0 ? line : line.left(blank);
                             const QString item = blank < 0 ? QString() : line.mid(blank + 1).left(MaxCommandItemChars);
                             socket->write(handler_(topic, item) ? "OK\n" : "ERROR\n");
                             socket->flush();
                             socket->disconnectFromServer();
                         });
    }
}

} // namespace rv
