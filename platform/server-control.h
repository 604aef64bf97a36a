// The control channel between RVClient and RVServer: a local socket in the
// user's runtime folder, reachable by the user only. One request per
// connection: the command, a blank, its item and a line feed. The server
// answers "OK" or "ERROR" and a line feed once it has acted.
//
// Commands:
//   "CloseFile <archive path>"  release the archive ("/" or "\", any case)
//   "Shutdown "                 close the server without asking
//   "Reset <port>"              move the listener to the port (decimal)
#pragma once

#include <QString>

namespace rv
{

// The user's runtime folder: $XDG_RUNTIME_DIR when set and absolute, else a
// private folder under the temporary folder, else one in the home folder.
// Those two are made with mode 0700 and used only when they are folders of
// the user, not links, and closed to everyone else. Empty when neither is;
// problem (when given) then says why. Read from the environment on every
// call.
QString UserRuntimeDir(QString* problem = nullptr);

// Where the server's control socket and its single-instance lock live;
// empty when there is no runtime folder.
QString ServerControlSocketPath();
QString ServerLockPath();
// The lock that keeps RVClient to one process per user, whatever its mode:
// runs of two processes would share and clear each other's working files.
QString ClientLockPath();

// How long the client waits for the server to act on a command.
constexpr int ServerCommandTimeoutMs = 5000;

// Sends one command and waits for the answer. Returns true when the server
// acted on it; a server that is not running makes the call a no-op that
// returns false. Blocks the calling thread for at most timeoutMs.
bool SendServerCommand(const QString& topic, const QString& item, int timeoutMs = ServerCommandTimeoutMs);

inline bool ServerCloseFile(const QString& archivePath)
{
    return SendServerCommand(QStringLiteral("CloseFile"), archivePath);
}
inline bool ServerShutdown()
{
    return SendServerCommand(QStringLiteral("Shutdown"), QString());
}
inline bool ServerResetPort(int port)
{
    return SendServerCommand(QStringLiteral("Reset"), QString::number(port));
}

} // namespace rv
