// The main window's network connection: the connect step before a run (and
// after a lost line) when the user dials, the connections the preferences
// offer, and hanging up after the run what the client itself brought up.
#include "client/briefs/brief.h"
#include "client/engine/run-engine.h"
#include "client/shell/app/mdi-frame.h"
#include "client/shell/briefs/brief-window.h"
#include "client/shell/desktop/dialer-window.h"
#include "client/shell/desktop/network-connector.h"
#include "client/shell/dialogs/settings/dialup-connections.h"
#include "client/shell/runs/run-windows.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <future>

namespace rv
{

namespace
{

// The preferences' list of connections, from the desktop's service.
class ServiceConnections : public DialUpConnections
{
public:
    explicit ServiceConnections(ConnectionService& service) : service_(service) {}

    std::vector<std::string> Names() const override
    {
        std::vector<std::string> names;
        for (const QString& name : service_.ConnectionNames())
            names.push_back(name.toLatin1().toStdString());
        return names;
    }

private:
    ConnectionService& service_;
};

} // namespace

void TMDIFrame::CreateConnector()
{
    if (!services_.Connections)
        return;
    dialClock_ = std::make_unique<QtDialClock>();
    connector_ = std::make_unique<NetworkConnector>(*services_.Connections, *dialClock_, NetworkIsUp);
    connect(connector_.get(), &NetworkConnector::logLine, this,
            [this](const QString& brief, const QString& line)
            { statusLog_->UpdateLine(brief.toLatin1().toStdString(), line.toLatin1().toStdString(), {}, {}); });
    connect(connector_.get(), &NetworkConnector::statusChanged, this,
            [this](const QString& status)
            {
                auto* dialer = qobject_cast<TDialerWindow*>(dialer_.data());
                if (!dialer)
                {
                    dialer = new TDialerWindow(this);
                    dialer->setAttribute(Qt::WA_DeleteOnClose);
                    connect(dialer, &TDialerWindow::cancelled, connector_.get(), &NetworkConnector::Cancel);
                    dialer_ = dialer;
                }
                dialer->SetStatus(status);
                dialer->show();
            });
    connect(connector_.get(), &NetworkConnector::finished, this,
            [this]
            {
                if (dialer_)
                    dialer_->close();
            });
    engine_->SetConnect([this] { return ConnectForRun(); });
}

std::unique_ptr<DialUpConnections> TMDIFrame::DialUpList() const
{
    if (!services_.Connections)
        return nullptr;
    return std::make_unique<ServiceConnections>(*services_.Connections);
}

bool TMDIFrame::ConnectForRun()
{
    std::promise<bool> outcome;
    std::future<bool> connected = outcome.get_future();
    const auto start = [this, &outcome]
    {
        const DialerSettings& dialer = settings_.Dialer;
        // Without the dialer a run goes ahead as it always has.
        if (!dialer.UsingDialer || shuttingDown_)
        {
            outcome.set_value(true);
            return;
        }
        QString brief;
        for (const TKestrelForm* window : briefs_)
            if (window->Brief().Retrieving)
            {
                brief = QString::fromLatin1(window->Brief().BriefName);
                break;
            }
        auto once = std::make_shared<QMetaObject::Connection>();
        *once = connect(connector_.get(), &NetworkConnector::finished, this,
                        [this, &outcome, once](bool up)
                        {
                            disconnect(*once);
                            // A connection that was up already is never hung up.
                            runWindows_->SetHangupWhenDone(connector_->HangupWhenDone());
                            outcome.set_value(up);
                        });
        connectorUsed_ = true;
        const DialSettings settings{true, QString::fromLatin1(dialer.Selection), dialer.NumRetries,
                                    std::max(1, dialer.RetriesWait)};
        connector_->Connect(settings, brief);
    };
    if (QThread::currentThread() == thread())
    {
        start();
        QEventLoop loop;
        while (connected.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            loop.processEvents(QEventLoop::WaitForMoreEvents);
        return connected.get();
    }
    QMetaObject::invokeMethod(this, start, Qt::QueuedConnection);
    return connected.get();
}

void TMDIFrame::StopConnecting()
{
    if (!connector_)
        return;
    // A connect step the run has asked for but the event loop has not
    // started yet starts now, so that Cancel ends it.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    connector_->Cancel();
}

void TMDIFrame::HangUpAfterRun()
{
    if (!connector_ || !connectorUsed_)
        return;
    connectorUsed_ = false;
    connector_->SetHangupWhenDone(connector_->HangupWhenDone() && runWindows_->HangupWhenDone());
    connector_->Done();
}

} // namespace rv
