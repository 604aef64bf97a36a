// The server end of the control channel (platform/server-control.h): a
// local socket that takes one command line per connection and answers it.
#pragma once

#include <QString>
#include <functional>
#include <memory>

class QLocalServer;

namespace rv
{

// Items longer than this are cut.
constexpr int MaxCommandItemChars = 999;

class ControlChannel
{
public:
    // Acts on one command; true when it was understood. Called on the thread
    // that owns the channel, after the command line arrived.
    using Handler = std::function<bool(const QString& topic, const QString& item)>;

    explicit ControlChannel(Handler handler);
    ~ControlChannel();

    // Listens at the path, replacing a socket file a dead server left.
    bool Start(const QString& socketPath);

private:
    void OnConnection();

    Handler handler_;
    std::unique_ptr<QLocalServer> server_;
};

} // namespace rv
