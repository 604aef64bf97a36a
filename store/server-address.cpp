#include "store/server-address.h"

#include "store/ascii-text.h"

#include <charconv>

namespace rv
{
namespace
{

bool IsUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
           c == '~';
}

bool IsSpace(char c)
{
    return IsSpaceOrLineBreak(c);
}

void SkipSpaces(std::string_view text, std::size_t& at)
{
    while (at < text.size() && IsSpace(text[at]))
        ++at;
}

} // namespace

std::string PercentEncodePath(std::string_view text)
{
    constexpr std::string_view Hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text)
    {
        const auto byte = static_cast<unsigned char>(c);
        if (IsUnreserved(byte) || c == '/')
            out += c;
        else
        {
            out += '%';
            out += Hex[byte >> 4];
            out += Hex[byte & 0x0F];
        }
    }
    return out;
}

std::optional<std::string> PercentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] != '%')
        {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = HexDigitValue(text[i + 1]);
        const int low = HexDigitValue(text[i + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0))
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

std::string ArchiveAddressPath(std::string_view archivePath)
{
    std::string path(archivePath);
    for (char& c : path)
    {
        if (c == '\\')
            c = '/';
    }
    path.erase(0, path.find_first_not_of('/'));
    const auto letter = static_cast<unsigned char>(path.empty() ? 0 : path[0]);
    if (path.size() >= 2 && path[1] == ':' && ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')))
        path[1] = '_';
    return path;
}

std::string ServerRootAddress(int port)
{
    return std::string(ServerAddressLead) + std::to_string(port) + "/";
}

std::string ServerPageAddress(int port, std::string_view archivePath, std::string_view pageName)
{
    return ServerRootAddress(port) + PercentEncodePath(ArchiveAddressPath(archivePath)) + "/" + PercentEncodePath(pageName);
}

std::size_t ArchivePartLength(std::string_view path)
{
    for (std::string_view ext : {std::string_view(".rvd"), std::string_view(".htm")})
    {
        const std::size_t at = FindNoCase(path, ext);
        if (at != std::string_view::npos)
            return at + ext.size();
    }
    std::size_t n = 0;
    while (n < path.size() && !IsSpace(path[n]))
        ++n;
    return n;
}

std::optional<ArchivePart> DecodeArchivePart(std::string_view raw)
{
    std::optional<std::string> name = PercentDecode(raw);
    if (!name)
        return std::nullopt;
    ArchivePart part{std::move(*name), false};
    std::string& text = part.name;
    if (text.size() >= 3 && text[1] == '_' && (text[2] == '/' || text[2] == '\\'))
    {
        text[1] = ':';
        part.drive = true;
    }
    return part;
}

std::optional<ServerAddress> ParseServerAddress(std::string_view address)
{
    if (!StartsWithNoCase(address, ServerAddressLead))
        return std::nullopt;
    address.remove_prefix(ServerAddressLead.size());
    ServerAddress out;
    const auto [end, error] = std::from_chars(address.data(), address.data() + address.size(), out.port);
    if (error != std::errc() || end == address.data() || out.port < 0 || out.port > 99999)
        return std::nullopt;
    address.remove_prefix(static_cast<std::size_t>(end - address.data()));
    if (!address.starts_with('/'))
        return std::nullopt;
    address.remove_prefix(1);

    const std::size_t archiveLength = ArchivePartLength(address);
    std::optional<ArchivePart> archive = DecodeArchivePart(address.substr(0, archiveLength));
    if (!archive)
        return std::nullopt;
    out.archive = std::move(*archive);
    std::string_view rest = address.substr(archiveLength);
    if (rest.starts_with('/'))
        rest.remove_prefix(1);
    std::optional<std::string> page = PercentDecode(rest);
    if (!page)
        return std::nullopt;
    out.pageName = std::move(*page);
    return out;
}

std::size_t ServerBaseTagLength(std::string_view body)
{
    std::size_t at = 5;
    if (!StartsWithNoCase(body, "<base") || at >= body.size() || !IsSpace(body[at]))
        return 0;
    SkipSpaces(body, at);
    if (!StartsWithNoCase(body.substr(at), "href"))
        return 0;
    at += 4;
    SkipSpaces(body, at);
    if (at >= body.size() || body[at] != '=')
        return 0;
    ++at;
    SkipSpaces(body, at);
    if (at >= body.size())
        return 0;
    std::string_view href;
    if (body[at] == '"' || body[at] == '\'')
    {
        const std::size_t close = body.find(body[at], at + 1);
        if (close == std::string_view::npos)
            return 0;
        href = body.substr(at + 1, close - at - 1);
        at = close + 1;
    }
    else
    {
        const std::size_t start = at;
        while (at < body.size() && !IsSpace(body[at]) && body[at] != '>')
            ++at;
        href = body.substr(start, at - start);
    }
    SkipSpaces(body, at);
    if (at >= body.size() || body[at] != '>' || !ParseServerAddress(href))
        return 0;
    return at + 1;
}

} // namespace rv
