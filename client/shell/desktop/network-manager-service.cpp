#include "client/shell/desktop/network-manager-service.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDBusVariant>

namespace rv
{

namespace
{

const QString Service = QStringLiteral("org.freedesktop.NetworkManager");
const QString ManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString ManagerInterface = QStringLiteral("org.freedesktop.NetworkManager");
const QString SettingsPath = QStringLiteral("/org/freedesktop/NetworkManager/Settings");
const QString SettingsInterface = QStringLiteral("org.freedesktop.NetworkManager.Settings");
const QString ConnectionInterface = QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
const QString ActiveInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString PropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

// NMActiveConnectionState.
constexpr unsigned Activated = 2;
constexpr unsigned Deactivated = 4;

// A D-Bus call answers quickly or not at all.
constexpr int CallTimeoutMs = 5000;

QVariant Property(QDBusConnection& bus, const QString& path, const QString& interface, const QString& name)
{
    QDBusMessage call = QDBusMessage::createMethodCall(Service, path, PropertiesInterface, QStringLiteral("Get"));
    call << interface << name;
    const QDBusMessage reply = bus.call(call, QDBus::Block, CallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().first().value<QDBusVariant>().variant();
}

QList<QDBusObjectPath> Paths(const QVariant& value)
{
    if (value.canConvert<QDBusArgument>())
        return qdbus_cast<QList<QDBusObjectPath>>(value.value<QDBusArgument>());
    return value.value<QList<QDBusObjectPath>>();
}

} // namespace

NetworkManagerService::NetworkManagerService(QDBusConnection bus, QObject* parent) : QObject(parent), bus_(std::move(bus))
{
    bus_.connect(Service, QString(), ActiveInterface, QStringLiteral("StateChanged"), this,
                 SLOT(ActiveStateChanged(QDBusMessage)));
}

bool NetworkManagerService::Available()
{
    return bus_.isConnected() && bus_.interface() && bus_.interface()->isServiceRegistered(Service).value();
}

std::optional<QString> NetworkManagerService::ActiveConnection()
{
    for (const QDBusObjectPath& path :
         Paths(Property(bus_, ManagerPath, ManagerInterface, QStringLiteral("ActiveConnections"))))
    {
        if (Property(bus_, path.path(), ActiveInterface, QStringLiteral("State")).toUInt() == Activated)
            return path.path();
    }
    return std::nullopt;
}

std::vector<std::pair<QString, QString>> NetworkManagerService::Connections()
{
    std::vector<std::pair<QString, QString>> found;
    if (!Available())
        return found;
    const QDBusMessage list =
        bus_.call(QDBusMessage::createMethodCall(Service, SettingsPath, SettingsInterface, QStringLiteral("ListConnections")),
                  QDBus::Block, CallTimeoutMs);
    if (list.type() != QDBusMessage::ReplyMessage || list.arguments().isEmpty())
        return found;
    for (const QDBusObjectPath& path : Paths(list.arguments().first()))
    {
        const QDBusMessage settings =
            bus_.call(QDBusMessage::createMethodCall(Service, path.path(), ConnectionInterface, QStringLiteral("GetSettings")),
                      QDBus::Block, CallTimeoutMs);
        if (settings.type() != QDBusMessage::ReplyMessage || settings.arguments().isEmpty())
            continue;
        QMap<QString, QVariantMap> groups;
        settings.arguments().first().value<QDBusArgument>() >> groups;
        found.emplace_back(groups.value(QStringLiteral("connection")).value(QStringLiteral("id")).toString(), path.path());
    }
    return found;
}

std::optional<QString> NetworkManagerService::ConnectionNamed(const QString& name)
{
    for (const auto& [id, path] : Connections())
        if (id == name)
            return path;
    return std::nullopt;
}

QStringList NetworkManagerService::ConnectionNames()
{
    QStringList names;
    for (const auto& [id, path] : Connections())
        if (!id.isEmpty())
            names << id;
    return names;
}

void NetworkManagerService::Activate(const QString& name, std::function<void(DialResult)> done)
{
    const std::optional<QString> connection = ConnectionNamed(name);
    if (!connection)
    {
        done(DialResult::Unknown);
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(Service, ManagerPath, ManagerInterface, QStringLiteral("ActivateConnection"));
    call << QVariant::fromValue(QDBusObjectPath(*connection)) << QVariant::fromValue(QDBusObjectPath(QStringLiteral("/")))
         << QVariant::fromValue(QDBusObjectPath(QStringLiteral("/")));
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, CallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, done = std::move(done)](QDBusPendingCallWatcher* call)
            {
                call->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> reply = *call;
                if (reply.isError())
                {
                    done(DialResult::Unknown);
                    return;
                }
                const QString path = reply.value().path();
                pending_[path] = {done, true};
                if (const auto early = seen_.find(path); early != seen_.end())
                {
                    const auto [state, reason] = early->second;
                    seen_.erase(early);
                    Settle(path, state, reason);
                    return;
                }
                Settle(path, Property(bus_, path, ActiveInterface, QStringLiteral("State")).toUInt(), 0);
            });
}

void NetworkManagerService::ActiveStateChanged(const QDBusMessage& message)
{
    if (message.arguments().size() < 2)
        return;
    const unsigned state = message.arguments().at(0).toUInt();
    const unsigned reason = message.arguments().at(1).toUInt();
    if (pending_.contains(message.path()))
        Settle(message.path(), state, reason);
    else if (state == Activated || state == Deactivated)
        seen_[message.path()] = {state, reason};
}

void NetworkManagerService::Settle(const QString& path, unsigned state, unsigned reason)
{
    if (state != Activated && state != Deactivated)
        return; // still on its way
    const auto found = pending_.find(path);
    if (found == pending_.end())
        return;
    const std::function<void(DialResult)> done = std::move(found->second.done);
    pending_.erase(found);
    done(state == Activated ? DialResult::Connected : static_cast<DialResult>(reason));
}

void NetworkManagerService::HangUp(const QString& handle)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(Service, ManagerPath, ManagerInterface, QStringLiteral("DeactivateConnection"));
    call << QVariant::fromValue(QDBusObjectPath(handle));
    bus_.call(call, QDBus::Block, CallTimeoutMs);
}

} // namespace rv
