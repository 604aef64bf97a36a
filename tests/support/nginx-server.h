// Runs nginx on a free loopback port with a configuration written into a
// sandbox folder (pid, logs and temp files inside it too). The server block
// is given by the test; "root" is the folder's "www" subfolder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace rv::test
{

// A free loopback TCP port at the time of the call.
std::uint16_t FreeLoopbackPort();

class NginxServer
{
public:
    // locations: the inside of the server block after listen and root.
    NginxServer(const std::filesystem::path& folder, const std::string& locations);
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    std::uint16_t Port() const { return port_; }
    std::filesystem::path Root() const { return folder_ / "www"; }
    bool Running() const { return pid_ > 0; }

private:
    std::filesystem::path folder_;
    std::uint16_t port_ = 0;
    int pid_ = -1;
};

// Runs tinyproxy the same way, optionally with Basic credentials.
class TinyProxy
{
public:
    explicit TinyProxy(const std::filesystem::path& folder);
    ~TinyProxy();
    TinyProxy(const TinyProxy&) = delete;
    TinyProxy& operator=(const TinyProxy&) = delete;
    std::uint16_t Port() const { return port_; }
    bool Running() const { return pid_ > 0; }

private:
    std::uint16_t port_ = 0;
    int pid_ = -1;
};

// Waits until something accepts connections on the loopback port.
bool WaitForPort(std::uint16_t port, int milliseconds);

} // namespace rv::test
