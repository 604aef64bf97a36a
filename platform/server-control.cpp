#include "platform/server-control.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <unistd.h>

namespace rv
{

QString UserRuntimeDir()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime))
        return runtime;
    const QString fallback = QDir::tempPath() + QStringLiteral("/ravelin-") + QString::number(getuid());
    QDir().mkpath(fallback);
    QFile::setPermissions(fallback, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return fallback;
}

QString ServerControlSocketPath()
{
    return UserRuntimeDir() + QStringLiteral("/RVServer");
}

QString ServerLockPath()
{
    return UserRuntimeDir() + QStringLiteral("/RVServer.lock");
}

QString ClientLockPath()
{
    return UserRuntimeDir() + QStringLiteral("/RVClient.lock");
}

bool SendServerCommand(const QString& topic, const QString& item, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(ServerControlSocketPath());
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime())))
        return false;
    QByteArray line = topic.toUtf8() + ' ' + item.toUtf8();
    line.replace('\n', ' ');
    socket.write(line + '\n');
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
        return false;
    QByteArray answer;
    while (!answer.contains('\n'))
    {
        if (deadline.hasExpired() || !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
        answer += socket.readAll();
    }
    return answer.startsWith("OK");
}

} // namespace rv
