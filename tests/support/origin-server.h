// A scriptable origin server on a free loopback port, for answers a real
// server will not give: stalls, garbage, cut connections, lying lengths.
//
// Each accepted connection takes the next reply of the script (the last one
// repeats). The server reads the request up to its empty line, records its
// bytes, then sends the reply and closes, or keeps the connection open
// without a word when the reply stalls. It runs on its own thread; Requests()
// may be read from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace rv::test
{

struct OriginReply
{
    std::string bytes;
    bool stall = false;       // send nothing and keep the connection open
    bool closeAtOnce = false; // close before reading the request
};

class OriginServer
{
public:
    // address: the loopback address to listen on ("127.0.0.2" makes a
    // second host beside 127.0.0.1).
    explicit OriginServer(std::vector<OriginReply> script, const char* address = "127.0.0.1");
    ~OriginServer();
    OriginServer(const OriginServer&) = delete;
    OriginServer& operator=(const OriginServer&) = delete;

    std::uint16_t Port() const { return port_; }
    std::vector<std::string> Requests() const;
    int Connections() const { return connections_; }

private:
    void Serve();

    std::vector<OriginReply> script_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::vector<int> stalled_;
    std::thread thread_;
};

} // namespace rv::test
