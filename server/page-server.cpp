#include "server/page-server.h"

#include "server/peer-owner.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>

namespace rv
{

PageServer::PageServer(PageServerOptions options)
    : options_(std::move(options)), settings_(options_.settingsPath), dispatcher_(options_.serverDir, briefs_)
{
}

PageServer::~PageServer()
{
    *alive_ = false;
    connections_.clear();
    briefs_.Clear();
}

ServerSettings PageServer::CurrentSettings()
{
    return settings_.Read();
}

bool PageServer::IsListening() const
{
    return listener_ && listener_->isListening();
}

bool PageServer::Listen()
{
    return Reset(CurrentSettings().port);
}

void PageServer::StopListening()
{
    if (listener_)
    {
        listener_->close();
        listener_.reset();
    }
}

bool PageServer::Reset(int port)
{
    StopListening();
    port_ = port;
    listener_ = std::make_unique<QTcpServer>();
    // Loopback only: the archives are the user's own and must not be
    // reachable from the network.
    if (!listener_->listen(QHostAddress::LocalHost, static_cast<quint16>(port)))
    {
        listenError_ = listener_->serverError();
        listener_.reset();
        return false;
    }
    QObject::connect(listener_.get(), &QTcpServer::newConnection, listener_.get(), [this] { OnNewConnection(); });
    return true;
}

void PageServer::OnNewConnection()
{
    Sweep();
    while (listener_ && listener_->hasPendingConnections())
    {
        if (active_ >= MaxConnections)
        {
            listener_->pauseAccepting();
            return;
        }
        QTcpSocket* socket = listener_->nextPendingConnection();
        if (!socket)
            return;
        socket->setParent(nullptr);
        // Another user of this machine is closed on before a byte is read:
        // an answer would tell them nothing they need, and their request is
        // never parsed.
        if (!PeerIsOwner(*socket))
        {
            socket->abort();
            delete socket;
            continue;
        }
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        ++active_;
        auto answer = [this](std::string_view request) { return dispatcher_.Answer(request, CurrentSettings()); };
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
            ScheduleSweep();
        };
        connections_.push_back(std::make_unique<TServer>(socket, answer, served, finished, options_.requestDeadlineMs));
        connections_.back()->Init();
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
                           if (listener_ && active_ < MaxConnections)
                           {
                               listener_->resumeAccepting();
                               if (listener_->hasPendingConnections())
                                   OnNewConnection();
                           }
                       });
}

void PageServer::Sweep()
{
    std::erase_if(connections_, [](const std::unique_ptr<TServer>& connection) { return connection->Finished(); });
}

} // namespace rv
