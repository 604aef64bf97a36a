#include "tests/support/origin-server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace rv::test
{

OriginServer::OriginServer(std::vector<OriginReply> script, const char* host) : script_(std::move(script))
{
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    socklen_t length = sizeof address;
    if (::inet_pton(AF_INET, host, &address.sin_addr) != 1 ||
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 64) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("origin server cannot listen");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

OriginServer::~OriginServer()
{
    stop_ = true;
    thread_.join();
    ::close(listener_);
    for (int fd : stalled_)
        ::close(fd);
}

std::vector<std::string> OriginServer::Requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

void OriginServer::Serve()
{
    while (!stop_)
    {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0)
            continue;
        int fd = ::accept(listener_, nullptr, nullptr);
        if (fd < 0)
            continue;
        const OriginReply& reply = script_[std::min<std::size_t>(std::size_t(connections_), script_.size() - 1)];
        ++connections_;
        if (reply.closeAtOnce)
        {
            ::close(fd);
            continue;
        }
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos && !stop_)
        {
            pollfd readable{fd, POLLIN, 0};
            if (::poll(&readable, 1, 50) <= 0)
                continue;
            ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            request.append(buffer, std::size_t(got));
        }
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        if (reply.stall)
        {
            stalled_.push_back(fd);
            continue;
        }
        std::size_t sent = 0;
        while (sent < reply.bytes.size())
        {
            ssize_t put = ::send(fd, reply.bytes.data() + sent, reply.bytes.size() - sent, MSG_NOSIGNAL);
            if (put <= 0)
                break;
            sent += std::size_t(put);
        }
        ::shutdown(fd, SHUT_WR);
        ::close(fd);
    }
}

} // namespace rv::test
