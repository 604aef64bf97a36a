// The hand-off of brief paths from a second windowed RVClient to the one that
// runs: the running client listens on a local socket beside its per-user
// lock; a second one sends its brief paths there and ends. A file manager's
// "open with" thus opens the brief in the client the user already has.
//
// One request per connection: every path percent-encoded on a line of its
// own, then an empty line; the running client answers "OK" and a line feed
// and then opens the paths in order (none: it only raises its window).
// Paths are absolute, made so by the sender.
//
// Threads: the main thread, which runs the event loop.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

namespace rv
{

// Where the running windowed client listens; empty when there is no runtime
// folder.
QString BriefHandOffSocketPath();

// A request longer than this is dropped unanswered: no command line holds
// more, and a stranger's endless line must not fill memory.
inline constexpr qint64 MaxHandOffBytes = 1 << 20;

class BriefHandOff : public QObject
{
    Q_OBJECT

public:
    explicit BriefHandOff(QObject* parent = nullptr);

    // Listens on socketPath, reachable by the user only. Call it only while
    // holding the single-instance lock: a socket file left there by a
    // crashed client is removed first.
    bool Listen(const QString& socketPath);

signals:
    void BriefsHandedOver(const QStringList& paths);

private:
    void Read(QLocalSocket* socket);

    QLocalServer* server_ = nullptr;
};

// Sends the paths to the running client and waits for its answer; false when
// none listens or it did not answer within timeoutMs.
bool HandBriefsOver(const QString& socketPath, const QStringList& paths, int timeoutMs = 5000);

} // namespace rv
