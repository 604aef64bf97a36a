#include "server/peer-owner.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace rv
{
namespace
{

// Tables of busy machines run to a few MB; more than this is not ours to read.
constexpr std::size_t MaxTableBytes = std::size_t{64} << 20;

// The kernel's state number for TIME_WAIT.
constexpr std::string_view TimeWait = "06";

std::optional<std::uint32_t> HexValue(std::string_view text)
{
    if (text.empty() || text.size() > 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text)
    {
        int digit = 0;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

// "0100007F:1F90" or 32 hex digits and a port. The kernel prints the address
// as 32-bit words in this machine's byte order, so each word is stored back
// the same way to get the address bytes.
std::optional<TcpEnd> ParseEnd(std::string_view field)
{
    const std::size_t colon = field.find(':');
    if (colon == std::string_view::npos || (colon != 8 && colon != 32))
        return std::nullopt;
    const std::optional<std::uint32_t> port = HexValue(field.substr(colon + 1));
    if (!port || *port > 0xFFFF)
        return std::nullopt;
    TcpEnd end;
    end.port = static_cast<std::uint16_t>(*port);
    const std::size_t words = colon / 8;
    std::uint8_t* out = end.address.data() + (words == 1 ? 12 : 0);
    if (words == 1)
        end.address[10] = end.address[11] = 0xFF;
    for (std::size_t i = 0; i < words; ++i)
    {
        const std::optional<std::uint32_t> word = HexValue(field.substr(i * 8, 8));
        if (!word)
            return std::nullopt;
        std::memcpy(out + i * 4, &*word, 4);
    }
    return end;
}

bool SameEnd(const TcpEnd& a, const TcpEnd& b)
{
    return a.port == b.port && a.address == b.address;
}

std::string ReadTable(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    std::string text;
    char buffer[65536];
    while (in && text.size() < MaxTableBytes)
    {
        in.read(buffer, sizeof buffer);
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    return text;
}

// Asks the kernel for the one socket with this local and remote end through
// its socket-diagnostics interface: a hash lookup, where reading the tables
// costs a line for every socket of the machine (tens of thousands after a
// burst of short connections). The outer nothing means the interface cannot
// be used and the tables must be read; the inner one that no live socket
// matched.
std::optional<std::optional<std::uint32_t>> DiagnosedOwner(const TcpEnd& local, const TcpEnd& remote, int family)
{
    // One socket per thread, kept: the kernel answers each question in full
    // before the next is sent, so answers never mix.
    static thread_local const int link = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (link < 0)
        return std::nullopt;
    struct
    {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } message{};
    message.header.nlmsg_len = sizeof message;
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST;
    static thread_local std::uint32_t sequence = 0;
    message.header.nlmsg_seq = ++sequence;
    message.request.sdiag_family = static_cast<std::uint8_t>(family);
    message.request.sdiag_protocol = IPPROTO_TCP;
    message.request.idiag_states = ~0u;
    inet_diag_sockid& id = message.request.id;
    id.idiag_sport = htons(local.port);
    id.idiag_dport = htons(remote.port);
    // IPv4 sockets are named by the last four bytes of the mapped form.
    const std::size_t from = family == AF_INET ? 12 : 0;
    std::memcpy(id.idiag_src, local.address.data() + from, 16 - from);
    std::memcpy(id.idiag_dst, remote.address.data() + from, 16 - from);
    id.idiag_cookie[0] = id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;

    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    std::optional<std::optional<std::uint32_t>> result;
    alignas(nlmsghdr) char answer[8192];
    if (::sendto(link, &message, sizeof message, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) ==
        static_cast<ssize_t>(sizeof message))
    {
        // The kernel has answered by the time sendto returns. An answer to an
        // earlier question that was never read is passed over.
        ssize_t got = 0;
        const auto* reply = reinterpret_cast<const nlmsghdr*>(answer);
        do
            got = ::recv(link, answer, sizeof answer, MSG_DONTWAIT);
        while (got >= static_cast<ssize_t>(sizeof(nlmsghdr)) && reply->nlmsg_seq != sequence);
        if (got >= static_cast<ssize_t>(sizeof(nlmsghdr)) && NLMSG_OK(reply, static_cast<unsigned>(got)))
        {
            if (reply->nlmsg_type == SOCK_DIAG_BY_FAMILY && reply->nlmsg_len >= NLMSG_LENGTH(sizeof(inet_diag_msg)))
            {
                const auto* found = static_cast<const inet_diag_msg*>(NLMSG_DATA(reply));
                // A socket in TIME_WAIT belongs to no one.
                result.emplace(found->idiag_state == TCP_TIME_WAIT ? std::nullopt
                                                                   : std::optional<std::uint32_t>(found->idiag_uid));
            }
            else if (reply->nlmsg_type == NLMSG_ERROR && reply->nlmsg_len >= NLMSG_LENGTH(sizeof(nlmsgerr)) &&
                     static_cast<const nlmsgerr*>(NLMSG_DATA(reply))->error == -ENOENT)
                result.emplace(std::nullopt);
        }
    }
    return result;
}

bool IsMappedIPv4(const TcpEnd& end)
{
    static constexpr std::uint8_t Prefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    return std::memcmp(end.address.data(), Prefix, sizeof Prefix) == 0;
}

} // namespace

std::optional<std::uint32_t> SocketOwnerIn(std::string_view table, const TcpEnd& local, const TcpEnd& remote)
{
    std::istringstream lines{std::string(table)};
    std::string line;
    while (std::getline(lines, line))
    {
        // sl local_address rem_address st tx:rx tr:when retrnsmt uid ...
        std::istringstream fields(line);
        std::string slot, localField, remoteField, state, queues, timer, retransmits, uid;
        if (!(fields >> slot >> localField >> remoteField >> state >> queues >> timer >> retransmits >> uid))
            continue;
        if (state == TimeWait)
            continue;
        const std::optional<TcpEnd> lineLocal = ParseEnd(localField);
        const std::optional<TcpEnd> lineRemote = ParseEnd(remoteField);
        if (!lineLocal || !lineRemote || !SameEnd(*lineLocal, local) || !SameEnd(*lineRemote, remote))
            continue;
        std::uint32_t value = 0;
        const auto [end, error] = std::from_chars(uid.data(), uid.data() + uid.size(), value);
        if (error != std::errc() || end != uid.data() + uid.size())
            return std::nullopt;
        return value;
    }
    return std::nullopt;
}

std::optional<TcpEnd> TcpEndOf(const sockaddr* address, socklen_t length)
{
    TcpEnd end;
    if (address->sa_family == AF_INET && length >= static_cast<socklen_t>(sizeof(sockaddr_in)))
    {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
        end.address[10] = end.address[11] = 0xFF;
        std::memcpy(end.address.data() + 12, &v4->sin_addr, 4);
        end.port = ntohs(v4->sin_port);
        return end;
    }
    if (address->sa_family == AF_INET6 && length >= static_cast<socklen_t>(sizeof(sockaddr_in6)))
    {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
        std::memcpy(end.address.data(), &v6->sin6_addr, 16);
        end.port = ntohs(v6->sin6_port);
        return end;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> PeerUid(const TcpEnd& ours, const TcpEnd& theirs)
{
    // The peer's end is an IPv4 socket, or an IPv6 one speaking IPv4 through
    // mapped addresses.
    bool diagnosed = true;
    for (const int family : {AF_INET, AF_INET6})
    {
        if (family == AF_INET && !(IsMappedIPv4(theirs) && IsMappedIPv4(ours)))
            continue;
        const std::optional<std::optional<std::uint32_t>> owner = DiagnosedOwner(theirs, ours, family);
        if (!owner)
        {
            diagnosed = false;
            break;
        }
        if (*owner)
            return *owner;
    }
    if (diagnosed)
        return std::nullopt;
    for (const char* path : {"/proc/net/tcp", "/proc/net/tcp6"})
    {
        if (std::optional<std::uint32_t> uid = SocketOwnerIn(ReadTable(path), theirs, ours))
            return uid;
    }
    return std::nullopt;
}

bool PeerIsOwner(const TcpEnd& ours, const TcpEnd& theirs)
{
    static const std::uint32_t self = static_cast<std::uint32_t>(::geteuid());
    const std::optional<std::uint32_t> uid = PeerUid(ours, theirs);
    return uid && *uid == self;
}

} // namespace rv
