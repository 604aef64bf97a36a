#include "client/shell/desktop/network-connector.h"

#include <QNetworkInterface>
#include <QTimer>

namespace rv
{

namespace
{

// A longer pause runs as steps of this many seconds, the last one shorter.
constexpr int WaitStepSeconds = 60;

} // namespace

DialFailure DescribeDialFailure(DialResult result, int retriesWait)
{
    const QString wait = QString::number(retriesWait);
    switch (result)
    {
    case DialResult::NoSecrets:
    case DialResult::LoginFailed:
        return {QStringLiteral("The username and password combination is not correct."), QStringLiteral("Password Failed"),
                false};
    case DialResult::DeviceDisconnected:
    case DialResult::ServiceStopped:
        return {QStringLiteral("The server disconnected. Will retry in ") + wait + QStringLiteral(" seconds."), {}, true};
    case DialResult::DeviceRealizeFailed:
    case DialResult::DeviceRemoved:
        return {QStringLiteral("There is no dial tone. Will retry in ") + wait + QStringLiteral(" seconds."), {}, true};
    default:
        return {QStringLiteral("The server is not responding. Will retry in ") + wait + QStringLiteral(" seconds"), {}, true};
    }
}

void QtDialClock::After(int seconds, std::function<void()> tick)
{
    QTimer::singleShot(seconds * 1000, std::move(tick));
}

bool NetworkIsUp()
{
    for (const QNetworkInterface& face : QNetworkInterface::allInterfaces())
    {
        const auto flags = face.flags();
        if (flags.testFlag(QNetworkInterface::IsUp) && flags.testFlag(QNetworkInterface::IsRunning) &&
            !flags.testFlag(QNetworkInterface::IsLoopBack) && !face.addressEntries().isEmpty())
            return true;
    }
    return false;
}

NetworkConnector::NetworkConnector(ConnectionService& service, DialClock& clock, std::function<bool()> networkUp,
                                   QObject* parent)
    : QObject(parent), service_(service), clock_(clock), networkUp_(std::move(networkUp))
{
}

void NetworkConnector::Connect(const DialSettings& settings, const QString& briefName)
{
    settings_ = settings;
    brief_ = briefName;
    attemptsLeft_ = settings.retries + 1;
    attempts_ = 0;
    cancelled_ = false;
    if (!settings.usingDialer || !service_.Available())
    {
        const bool up = networkUp_ && networkUp_();
        if (!up)
            emit logLine(brief_, QStringLiteral("Connection Failure"));
        emit finished(up);
        return;
    }
    handle_ = service_.ActiveConnection();
    madeByUs_ = false;
    hangupWhenDone_ = !handle_;
    if (handle_)
    {
        emit finished(true);
        return;
    }
    if (settings.connection.isEmpty())
    {
        emit logLine(brief_, QStringLiteral("Connection Failure"));
        emit finished(false);
        return;
    }
    busy_ = true;
    emit statusChanged(QStringLiteral("Initializing..."));
    Dial();
}

void NetworkConnector::Dial()
{
    if (!busy_)
        return;
    ++attempts_;
    emit statusChanged(QStringLiteral("Dialing..."));
    service_.Activate(settings_.connection,
                      [this](DialResult result)
                      {
                          if (!busy_)
                              return;
                          if (result != DialResult::Connected)
                          {
                              Failed(result);
                              return;
                          }
                          handle_ = service_.ActiveConnection();
                          madeByUs_ = true;
                          emit statusChanged(QStringLiteral("Logging onto network..."));
                          Finish(true);
                      });
}

void NetworkConnector::Failed(DialResult result)
{
    const DialFailure failure = DescribeDialFailure(result, settings_.retriesWait);
    emit statusChanged(failure.status);
    if (!failure.logLine.isEmpty())
        emit logLine(brief_, failure.logLine);
    emit logLine(brief_, QStringLiteral("Connection Failure"));
    if (!failure.retry || cancelled_ || --attemptsLeft_ <= 0)
    {
        Finish(false);
        return;
    }
    Wait(settings_.retriesWait);
}

void NetworkConnector::Wait(int seconds)
{
    const int step = std::min(seconds, WaitStepSeconds);
    clock_.After(step,
                 [this, rest = seconds - step]
                 {
                     if (!busy_ || cancelled_)
                         return;
                     if (rest > 0)
                         Wait(rest);
                     else
                         Dial();
                 });
}

void NetworkConnector::Cancel()
{
    cancelled_ = true;
    if (busy_)
    {
        emit logLine(brief_, QStringLiteral("Connection Failure"));
        Finish(false);
    }
}

void NetworkConnector::Finish(bool connected)
{
    busy_ = false;
    emit finished(connected);
}

void NetworkConnector::Done()
{
    if (handle_ && madeByUs_ && hangupWhenDone_)
        service_.HangUp(*handle_);
    handle_.reset();
    madeByUs_ = false;
}

} // namespace rv
