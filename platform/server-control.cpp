#include "platform/server-control.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace rv
{
namespace
{

// Makes the folder (mode 0700) unless it exists; returns why it cannot be
// the user's private folder, or an empty text when it can. A folder that
// someone else made first, a link, or a folder others may write into is
// never used: they could place their own socket or lock file there.
QString PrivateFolderProblem(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return folder + QStringLiteral(" cannot be made: ") + QString::fromLocal8Bit(std::strerror(errno));
    struct stat status
    {
    };
    if (::lstat(path.constData(), &status) != 0)
        return folder + QStringLiteral(" cannot be read: ") + QString::fromLocal8Bit(std::strerror(errno));
    if (S_ISLNK(status.st_mode))
        return folder + QStringLiteral(" is a symbolic link");
    if (!S_ISDIR(status.st_mode))
        return folder + QStringLiteral(" is not a folder");
    if (status.st_uid != ::geteuid())
        return folder + QStringLiteral(" belongs to another user");
    if ((status.st_mode & 077) != 0)
        return folder + QStringLiteral(" is open to other users");
    return {};
}

QString InRuntimeDir(const QString& name)
{
    const QString folder = UserRuntimeDir();
    return folder.isEmpty() ? QString() : folder + name;
}

} // namespace

QString UserRuntimeDir(QString* problem)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime))
        return runtime;
    QStringList problems;
    const QString uid = QString::number(::geteuid());
    for (const QString& folder :
         {QDir::tempPath() + QStringLiteral("/ravelin-") + uid, QDir::homePath() + QStringLiteral("/.ravelin-runtime-") + uid})
    {
        const QString found = PrivateFolderProblem(folder);
        if (found.isEmpty())
            return folder;
        problems << found;
    }
    if (problem)
        *problem = problems.join(QStringLiteral("; "));
    return {};
}

QString ServerControlSocketPath()
{
    return InRuntimeDir(QStringLiteral("/RVServer"));
}

QString ServerLockPath()
{
    return InRuntimeDir(QStringLiteral("/RVServer.lock"));
}

QString ClientLockPath()
{
    return UserRuntimeDir() + QStringLiteral("/RVClient.lock");
}

bool SendServerCommand(const QString& topic, const QString& item, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    const QString path = ServerControlSocketPath();
    if (path.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(path);
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
