// Making sure the network is there before a brief runs: the connect step.
//
// With dialing on, the connector uses a connection that is already active
// (and leaves it up afterwards), or activates the chosen connection through
// the connection service (NetworkManager), retrying failed attempts after
// "RetriesWait" seconds. With dialing off, or without a connection service,
// the step succeeds when the network is up.
//
// Everything runs on the main thread's event loop; the outcome arrives as
// the finished() signal. The service and the clock are handed in and must
// outlive the connector.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace rv
{

// Why an activation ended. Values are NetworkManager's reasons for an
// active connection's end (NMActiveConnectionStateReason); Connected is ours.
enum class DialResult : unsigned
{
    Connected = 0xFFFF,
    Unknown = 0,
    DeviceDisconnected = 3,
    ServiceStopped = 4,
    ConnectTimeout = 6,
    ServiceStartTimeout = 7,
    NoSecrets = 9,
    LoginFailed = 10,
    DeviceRealizeFailed = 13,
    DeviceRemoved = 14,
};

// What the dialer window shows for a failed attempt, the status log line
// that goes with it (empty for none beyond "Connection Failure") and
// whether another attempt may follow.
struct DialFailure
{
    QString status;
    QString logLine;
    bool retry = true;
};
DialFailure DescribeDialFailure(DialResult result, int retriesWait);

// The connection service the desktop offers.
class ConnectionService
{
public:
    virtual ~ConnectionService() = default;
    // False when no service runs on this machine.
    virtual bool Available() = 0;
    // A connection that is up now, whoever made it; nothing when none is.
    virtual std::optional<QString> ActiveConnection() = 0;
    // Starts activating the connection of that name; `done` is called once,
    // on the main thread, with the outcome.
    virtual void Activate(const QString& name, std::function<void(DialResult)> done) = 0;
    virtual void HangUp(const QString& handle) = 0;
    // The saved connections the user may choose to dial, by name.
    virtual QStringList ConnectionNames() { return {}; }
};

// The timer of the pauses between attempts; tests hand in one they advance.
class DialClock
{
public:
    virtual ~DialClock() = default;
    virtual void After(int seconds, std::function<void()> tick) = 0;
};

class QtDialClock : public DialClock
{
public:
    void After(int seconds, std::function<void()> tick) override;
};

// True when an interface other than loopback is up, running and has an
// address: what "the network is up" means without a connection service.
bool NetworkIsUp();

struct DialSettings
{
    bool usingDialer = false;
    QString connection;  // the name the user chose ("Selection")
    int retries = 0;     // 0 to 100
    int retriesWait = 1; // seconds, 1 to 999
};

class NetworkConnector : public QObject
{
    Q_OBJECT

public:
    NetworkConnector(ConnectionService& service, DialClock& clock, std::function<bool()> networkUp, QObject* parent = nullptr);

    // The connect step for a brief; finished() follows.
    void Connect(const DialSettings& settings, const QString& briefName);
    // The dialer window's Cancel: no further attempt.
    void Cancel();
    // After the runs: hangs up a connection this connector made when
    // "&Hangup When Done" is checked. A connection found active is kept.
    void Done();

    bool HangupWhenDone() const { return hangupWhenDone_; }
    void SetHangupWhenDone(bool on) { hangupWhenDone_ = on; }
    int Attempts() const { return attempts_; }

signals:
    void statusChanged(const QString& status); // the dialer window's text
    void logLine(const QString& briefName, const QString& line);
    void finished(bool connected);

private:
    void Dial();
    void Failed(DialResult result);
    void Wait(int seconds);
    void Finish(bool connected);

    ConnectionService& service_;
    DialClock& clock_;
    std::function<bool()> networkUp_;
    DialSettings settings_;
    QString brief_;
    std::optional<QString> handle_; // the connection in use
    bool madeByUs_ = false;
    bool hangupWhenDone_ = false;
    bool busy_ = false;
    bool cancelled_ = false;
    int attemptsLeft_ = 0;
    int attempts_ = 0;
};

} // namespace rv
