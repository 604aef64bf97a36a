#include "server/peer-owner.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
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

TcpEnd EndOf(const QHostAddress& address, quint16 port)
{
    TcpEnd end;
    const Q_IPV6ADDR bytes = address.toIPv6Address();
    std::memcpy(end.address.data(), bytes.c, 16);
    end.port = port;
    return end;
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

std::optional<std::uint32_t> PeerUid(const QTcpSocket& socket)
{
    const TcpEnd ours = EndOf(socket.localAddress(), socket.localPort());
    const TcpEnd theirs = EndOf(socket.peerAddress(), socket.peerPort());
    for (const char* path : {"/proc/net/tcp", "/proc/net/tcp6"})
    {
        if (std::optional<std::uint32_t> uid = SocketOwnerIn(ReadTable(path), theirs, ours))
            return uid;
    }
    return std::nullopt;
}

bool PeerIsOwner(const QTcpSocket& socket)
{
    const std::optional<std::uint32_t> uid = PeerUid(socket);
    return uid && *uid == static_cast<std::uint32_t>(::geteuid());
}

} // namespace rv
