#include "client/shell/app/brief-hand-off.h"

#include "platform/server-control.h"

#include <QByteArray>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QUrl>

namespace rv
{

QString BriefHandOffSocketPath()
{
    const QString folder = UserRuntimeDir();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/RVClient.briefs");
}

BriefHandOff::BriefHandOff(QObject* parent) : QObject(parent), server_(new QLocalServer(this))
{
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this,
            [this]
            {
                while (QLocalSocket* socket = server_->nextPendingConnection())
                {
                    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
                    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
                }
            });
}

bool BriefHandOff::Listen(const QString& socketPath)
{
    if (socketPath.isEmpty())
        return false;
    QLocalServer::removeServer(socketPath);
    return server_->listen(socketPath);
}

void BriefHandOff::Read(QLocalSocket* socket)
{
    if (socket->bytesAvailable() > MaxHandOffBytes)
    {
        socket->abort();
        return;
    }
    const QByteArray received = socket->peek(MaxHandOffBytes);
    const qint64 end = received.startsWith('\n') ? 0 : received.indexOf("\n\n");
    if (end < 0)
        return;
    socket->readAll();
    QStringList paths;
    if (end > 0)
        for (const QByteArray& line : received.left(end).split('\n'))
            paths << QFile::decodeName(QByteArray::fromPercentEncoding(line));
    socket->write("OK\n");
    socket->flush();
    socket->disconnectFromServer();
    emit BriefsHandedOver(paths);
}

bool HandBriefsOver(const QString& socketPath, const QStringList& paths, int timeoutMs)
{
    if (socketPath.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QByteArray request;
    for (const QString& path : paths)
        request += QFile::encodeName(path).toPercentEncoding() + '\n';
    request += '\n';
    socket.write(request);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    QByteArray answer;
    while (!answer.contains('\n') && socket.waitForReadyRead(timeoutMs))
        answer += socket.readAll();
    return answer.startsWith("OK\n");
}

} // namespace rv
