// The connect step against NetworkManager as python3-dbusmock plays it, on
// a private bus: a connection made outside is used and kept, a chosen one
// is activated and hung up, failures are retried after the pause on a test
// clock, a wrong password is not retried; without NetworkManager the step
// succeeds when the network is up.
#include "client/shell/desktop/network-connector.h"
#include "client/shell/desktop/network-manager-service.h"
#include "tests/support/offscreen-widgets.h"
#include "tests/support/sandbox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace rv::test
{
namespace
{

// Records the pauses asked for; Tick() ends the oldest.
class TestClock : public DialClock
{
public:
    void After(int seconds, std::function<void()> tick) override
    {
        steps.push_back(seconds);
        ticks.push_back(std::move(tick));
    }
    bool Tick()
    {
        if (ticks.empty())
            return false;
        std::function<void()> tick = std::move(ticks.front());
        ticks.erase(ticks.begin());
        tick();
        return true;
    }
    std::vector<int> steps;
    std::vector<std::function<void()>> ticks;
};

class NetworkConnectorTest : public SandboxedTest
{
protected:
    void SetUp() override
    {
        SandboxedTest::SetUp();
        EnsureWidgetsApplication();
        if (!QFile::exists("/usr/bin/dbus-daemon") || !QFile::exists("/usr/bin/python3"))
            GTEST_SKIP() << "dbus-daemon or python3 is missing";
        bus_.start("/usr/bin/dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        ASSERT_TRUE(bus_.waitForReadyRead(10000));
        address_ = QString::fromUtf8(bus_.readLine()).trimmed();
        ASSERT_FALSE(address_.isEmpty());
    }

    void TearDown() override
    {
        for (QProcess* process : {&mock_, &bus_})
        {
            if (process->state() == QProcess::NotRunning)
                continue;
            process->closeWriteChannel(); // the mock ends when its input closes
            if (process == &bus_)
                process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
            process->waitForFinished(5000);
        }
        SandboxedTest::TearDown();
    }

    void StartMock(const QString& scenario)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DBUS_SYSTEM_BUS_ADDRESS", address_);
        environment.insert("DBUS_SESSION_BUS_ADDRESS", address_);
        mock_.setProcessEnvironment(environment);
        mock_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        mock_.start("/usr/bin/python3",
                    {QString::fromStdString((SourceDir() / "tests/desktop/network-manager-mock.py").string()), scenario});
        ASSERT_TRUE(mock_.waitForReadyRead(20000));
        ASSERT_EQ(mock_.readLine().trimmed(), "ready");
    }

    QDBusConnection Bus()
    {
        static int count = 0;
        return QDBusConnection::connectToBus(address_, QString("rvtest-%1").arg(++count));
    }

    // Runs the connect step until it finishes or the clock has a pause.
    struct Outcome
    {
        std::optional<bool> connected;
        QStringList log;
        QStringList status;
    };
    Outcome Connect(NetworkConnector& connector, const DialSettings& settings, TestClock* clock = nullptr)
    {
        Outcome outcome;
        QObject::connect(&connector, &NetworkConnector::finished, [&](bool ok) { outcome.connected = ok; });
        QObject::connect(&connector, &NetworkConnector::logLine,
                         [&](const QString&, const QString& line) { outcome.log << line; });
        QObject::connect(&connector, &NetworkConnector::statusChanged, [&](const QString& text) { outcome.status << text; });
        connector.Connect(settings, "News");
        QElapsedTimer waited;
        waited.start();
        while (!outcome.connected && waited.elapsed() < 20000)
        {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            if (clock && !clock->ticks.empty() && !clock->Tick())
                break;
        }
        QObject::disconnect(&connector, nullptr, nullptr, nullptr);
        return outcome;
    }

    QProcess bus_;
    QProcess mock_;
    QString address_;
};

TEST_F(NetworkConnectorTest, ConnectionMadeOutsideIsUsedAndNotHungUp)
{
    StartMock("outside");
    if (HasFatalFailure())
        return;
    NetworkManagerService service(Bus());
    TestClock clock;
    NetworkConnector connector(service, clock, [] { return false; });
    const Outcome outcome = Connect(connector, {true, "Home", 2, 30});
    EXPECT_EQ(outcome.connected, true);
    EXPECT_EQ(connector.Attempts(), 0);
    EXPECT_FALSE(connector.HangupWhenDone());
    connector.Done();
    EXPECT_EQ(service.ActiveConnection(), "/org/freedesktop/NetworkManager/ActiveConnection/Outside");
}

TEST_F(NetworkConnectorTest, ChosenConnectionIsActivatedAndHungUpWhenDone)
{
    StartMock("plain");
    if (HasFatalFailure())
        return;
    NetworkManagerService service(Bus());
    ASSERT_FALSE(service.ActiveConnection());
    // The preferences offer the saved connections by name.
    EXPECT_EQ(service.ConnectionNames(), QStringList{QStringLiteral("Home")});
    TestClock clock;
    NetworkConnector connector(service, clock, [] { return false; });
    const Outcome outcome = Connect(connector, {true, "Home", 2, 30});
    EXPECT_EQ(outcome.connected, true);
    EXPECT_EQ(connector.Attempts(), 1);
    EXPECT_TRUE(service.ActiveConnection());
    EXPECT_TRUE(connector.HangupWhenDone());
    connector.Done();
    EXPECT_FALSE(service.ActiveConnection());
}

TEST_F(NetworkConnectorTest, FailedAttemptIsRetriedAfterThePauseInSteps)
{
    StartMock("fail:6");
    if (HasFatalFailure())
        return;
    NetworkManagerService service(Bus());
    TestClock clock;
    NetworkConnector connector(service, clock, [] { return true; });
    const Outcome outcome = Connect(connector, {true, "Home", 2, 150}, &clock);
    EXPECT_EQ(outcome.connected, false);
    EXPECT_EQ(connector.Attempts(), 3);
    EXPECT_EQ(clock.steps, (std::vector<int>{60, 60, 30, 60, 60, 30}));
    EXPECT_TRUE(outcome.status.contains("The server is not responding. Will retry in 150 seconds"));
    EXPECT_EQ(outcome.log.count("Connection Failure"), 3);
}

TEST_F(NetworkConnectorTest, WrongPasswordEndsDialingWithoutRetries)
{
    StartMock("fail:10");
    if (HasFatalFailure())
        return;
    NetworkManagerService service(Bus());
    TestClock clock;
    NetworkConnector connector(service, clock, [] { return true; });
    const Outcome outcome = Connect(connector, {true, "Home", 3, 30}, &clock);
    EXPECT_EQ(outcome.connected, false);
    EXPECT_EQ(connector.Attempts(), 1);
    EXPECT_TRUE(clock.steps.empty());
    EXPECT_EQ(outcome.log, (QStringList{"Password Failed", "Connection Failure"}));
    EXPECT_EQ(outcome.status.last(), "The username and password combination is not correct.");
}

TEST_F(NetworkConnectorTest, WithoutNetworkManagerTheStepFollowsTheNetwork)
{
    NetworkManagerService service(Bus());
    EXPECT_FALSE(service.Available());
    TestClock clock;
    for (const bool up : {true, false})
    {
        NetworkConnector connector(service, clock, [up] { return up; });
        EXPECT_EQ(Connect(connector, {true, "Home", 2, 30}).connected, up);
    }
}

} // namespace
} // namespace rv::test
