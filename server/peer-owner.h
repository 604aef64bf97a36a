// Who is at the other end of an accepted loopback connection. Other users of
// the machine can reach 127.0.0.1 too; the kernel's socket tables say which
// user owns the peer's end, and the page server answers only its own user.
//
// Linux only: the tables are /proc/net/tcp and /proc/net/tcp6. Pure parsing
// apart from PeerUid, which reads them; any thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <sys/socket.h>

namespace rv
{

// One end of a TCP connection; IPv4 addresses are held in their IPv4-mapped
// IPv6 form (::ffff:a.b.c.d).
struct TcpEnd
{
    std::array<std::uint8_t, 16> address{};
    std::uint16_t port = 0;
};

// The uid of the socket that the table (the text of /proc/net/tcp or tcp6)
// lists with this local and remote end. Sockets in TIME_WAIT belong to no one
// and do not count. Nothing when no line matches.
std::optional<std::uint32_t> SocketOwnerIn(std::string_view table, const TcpEnd& local, const TcpEnd& remote);

// The end a socket address names (IPv4 or IPv6); nothing for other families.
std::optional<TcpEnd> TcpEndOf(const sockaddr* address, socklen_t length);

// The uid that owns the peer's end of the connection between ours and
// theirs: the socket whose local end is theirs and whose remote end is ours.
// Nothing when it cannot be told (the peer has gone, or the tables cannot be
// read).
std::optional<std::uint32_t> PeerUid(const TcpEnd& ours, const TcpEnd& theirs);

// True when the peer's end belongs to the user this program runs as.
bool PeerIsOwner(const TcpEnd& ours, const TcpEnd& theirs);

} // namespace rv
