#include "server/page-server.h"

#include "server/peer-owner.h"

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace rv
{
namespace
{

// After a failed accept (out of descriptors), the pause before the next try.
constexpr int AcceptRetryMs = 100;
// Connections taken from the listener before the others get their turn.
constexpr int MaxAcceptsPerWake = 16;

} // namespace

PageServer::PageServer(PageServerOptions options)
    : options_(std::move(options)), settings_(options_.settingsPath), dispatcher_(options_.serverDir, briefs_)
{
    settings_.SetWatch(&watch_);
    briefs_.SetWatch(&watch_);
}

PageServer::~PageServer()
{
    *alive_ = false;
    StopListening();
    connections_.clear();
    briefs_.Clear();
}

ServerSettings PageServer::CurrentSettings()
{
    return settings_.Read();
}

bool PageServer::IsListening() const
{
    return listener_ >= 0;
}

bool PageServer::Listen()
{
    return Reset(CurrentSettings().port);
}

void PageServer::StopListening()
{
    accepting_.reset();
    if (listener_ >= 0)
        ::close(listener_);
    listener_ = -1;
}

namespace
{

QAbstractSocket::SocketError ListenErrorOf(int error)
{
    switch (error)
    {
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
        return QAbstractSocket::SocketResourceError;
    case EAFNOSUPPORT:
    case EPROTONOSUPPORT:
        return QAbstractSocket::UnsupportedSocketOperationError;
    case EADDRINUSE:
        return QAbstractSocket::AddressInUseError;
    case EACCES:
    case EPERM:
        return QAbstractSocket::SocketAccessError;
    case EADDRNOTAVAIL:
        return QAbstractSocket::SocketAddressNotAvailableError;
    default:
        return QAbstractSocket::UnknownSocketError;
    }
}

} // namespace

bool PageServer::Reset(int port)
{
    StopListening();
    port_ = port;
    // Loopback only: the archives are the user's own and must not be
    // reachable from the network.
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listener < 0)
    {
        listenError_ = ListenErrorOf(errno);
        return false;
    }
    // A port left in TIME_WAIT by the last run can be bound again at once.
    const int on = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, SOMAXCONN) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    {
        listenError_ = ListenErrorOf(errno);
        ::close(listener);
        return false;
    }
    // The kernel hands over a connection once its request has come, so that
    // it is read and answered at once. A peer that says nothing for a second
    // is handed over all the same.
    const int deferSeconds = 1;
    ::setsockopt(listener, IPPROTO_TCP, TCP_DEFER_ACCEPT, &deferSeconds, sizeof deferSeconds);
    // Answers go out whole, without waiting on the peer's acknowledgements;
    // accepted connections inherit this from the listener.
    ::setsockopt(listener, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    listener_ = listener;
    listenerEnd_ = TcpEndOf(reinterpret_cast<const sockaddr*>(&address), length).value_or(TcpEnd{});
    accepting_ = std::make_unique<QSocketNotifier>(static_cast<qintptr>(listener_), QSocketNotifier::Read);
    QObject::connect(accepting_.get(), &QSocketNotifier::activated, accepting_.get(), [this] { OnNewConnection(); });
    return true;
}

void PageServer::OnNewConnection()
{
    Sweep();
    // A few at a time: peers that reconnect as soon as they are answered
    // would otherwise keep this loop going while connections already open
    // wait for their turn.
    for (int accepted = 0; listener_ >= 0 && accepted < MaxAcceptsPerWake; ++accepted)
    {
        if (active_ >= MaxConnections)
        {
            accepting_->setEnabled(false);
            return;
        }
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        const int socket = ::accept4(listener_, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (socket < 0)
        {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
            {
                // Out of descriptors or memory: the peers wait in the kernel's
                // queue while the listener rests, instead of waking it again
                // and again.
                accepting_->setEnabled(false);
                std::weak_ptr<bool> alive = alive_;
                QTimer::singleShot(AcceptRetryMs,
                                   [this, alive]
                                   {
                                       if (!alive.expired() && *alive.lock())
                                           ResumeAccepting();
                                   });
            }
            return;
        }
        // Another user of this machine is closed on before a byte is read:
        // an answer would tell them nothing they need, and their request is
        // never parsed.
        const std::optional<TcpEnd> theirs = TcpEndOf(reinterpret_cast<const sockaddr*>(&peer), length);
        if (!theirs || !PeerIsOwner(listenerEnd_, *theirs))
        {
            ::close(socket);
            continue;
        }
        ++active_;
        auto answer = [this](std::string_view request)
        {
            const FileWatch::Batch batch(watch_);
            return dispatcher_.Answer(request, CurrentSettings());
        };
        auto served = [this](std::size_t bytes)
        {
            ++filesServed_;
            bytesServed_ += static_cast<std::uint32_t>(bytes);
            if (onCountersChanged)
                onCountersChanged();
        };
        auto finished = [this]
        {
            --active_;
            if (!initializing_)
                ScheduleSweep();
        };
        connections_.push_back(std::make_unique<TServer>(socket, answer, served, finished, options_.requestDeadlineMs));
        // Most connections bring their request (see Reset) and are answered
        // and closed within Init; they go at once.
        initializing_ = true;
        connections_.back()->Init();
        initializing_ = false;
        if (connections_.back()->Finished())
            connections_.pop_back();
    }
}

void PageServer::ResumeAccepting()
{
    if (accepting_ && active_ < MaxConnections)
    {
        accepting_->setEnabled(true);
        OnNewConnection();
    }
}

void PageServer::ScheduleSweep()
{
    if (sweepPending_)
        return;
    sweepPending_ = true;
    std::weak_ptr<bool> alive = alive_;
    QTimer::singleShot(0,
                       [this, alive]
                       {
                           if (alive.expired() || !*alive.lock())
                               return;
                           sweepPending_ = false;
                           Sweep();
                           if (accepting_ && !accepting_->isEnabled())
                               ResumeAccepting();
                       });
}

void PageServer::Sweep()
{
    std::erase_if(connections_, [](const std::unique_ptr<TServer>& connection) { return connection->Finished(); });
}

} // namespace rv
