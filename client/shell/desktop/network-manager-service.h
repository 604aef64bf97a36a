// The connection service on NetworkManager, over D-Bus: its active
// connections, activating a saved connection by its name (the "id" of its
// settings) and deactivating one. An activation's outcome is the state the
// active connection reaches, with NetworkManager's reason when it fails.
//
// Main thread; the D-Bus connection (the system bus, or a private one in
// tests) must outlive the service.
#pragma once

#include "client/shell/desktop/network-connector.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <map>
#include <utility>
#include <vector>

namespace rv
{

class NetworkManagerService : public QObject, public ConnectionService
{
    Q_OBJECT

public:
    explicit NetworkManagerService(QDBusConnection bus, QObject* parent = nullptr);

    bool Available() override;
    std::optional<QString> ActiveConnection() override;
    void Activate(const QString& name, std::function<void(DialResult)> done) override;
    void HangUp(const QString& handle) override;
    QStringList ConnectionNames() override;

private Q_SLOTS:
    void ActiveStateChanged(const QDBusMessage& message);

private:
    struct Pending
    {
        std::function<void(DialResult)> done;
        bool answered = false; // the activation call returned this path
    };
    void Settle(const QString& path, unsigned state, unsigned reason);
    // Every saved connection: its name and its object path.
    std::vector<std::pair<QString, QString>> Connections();
    std::optional<QString> ConnectionNamed(const QString& name);

    QDBusConnection bus_;
    std::map<QString, Pending> pending_;                    // by active connection path
    std::map<QString, std::pair<unsigned, unsigned>> seen_; // states that came before the call returned
};

} // namespace rv
