#include "client/pages/url-parts.h"

#include <algorithm>
#include <cctype>

namespace rv
{

std::string_view StripScheme(std::string_view url)
{
    std::size_t marker = url.find("://");
    if (marker == std::string_view::npos)
        return url;
    std::size_t slash = url.find('/');
    if (slash < marker)
        return url;
    return url.substr(marker + 3);
}

bool HasScheme(std::string_view url)
{
    return StripScheme(url).size() != url.size();
}

std::string_view HostOf(std::string_view url)
{
    std::string_view rest = StripScheme(url);
    return rest.substr(0, rest.find('/'));
}

std::string_view HostWithoutPort(std::string_view host)
{
    // A bracketed IPv6 literal keeps its colons.
    if (!host.empty() && host.front() == '[')
    {
        std::size_t close = host.find(']');
        return close == std::string_view::npos ? host : host.substr(0, close + 1);
    }
    return host.substr(0, host.find(':'));
}

std::uint16_t PortOf(std::string_view host)
{
    std::string_view bare = HostWithoutPort(host);
    if (bare.size() >= host.size() || host[bare.size()] != ':')
        return 80;
    std::string_view digits = host.substr(bare.size() + 1);
    if (digits.empty() || digits.size() > 5)
        return 80;
    std::uint32_t port = 0;
    for (char c : digits)
    {
        if (c < '0' || c > '9')
            return 80;
        port = port * 10 + std::uint32_t(c - '0');
    }
    return port >= 1 && port <= 65535 ? std::uint16_t(port) : std::uint16_t(80);
}

std::string PathOf(std::string_view url)
{
    std::string_view rest = StripScheme(url);
    std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos)
        return "/";
    std::string_view path = rest.substr(slash);
    return std::string(path.substr(0, path.find('#')));
}

std::string RemoveLineBreaks(std::string_view url)
{
    std::string out;
    out.reserve(url.size());
    for (char c : url)
        if (c != '\n' && c != '\r' && c != '\t')
            out += c;
    return out;
}

static bool IsControl(char c)
{
    auto byte = static_cast<unsigned char>(c);
    return byte < 32 || byte == 127;
}

bool HasControlBytes(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), IsControl);
}

std::string WithoutControlBytes(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (!IsControl(c))
            out += c;
    return out;
}

bool IsDottedQuad(std::string_view host)
{
    int groups = 0;
    std::size_t i = 0;
    while (groups < 4)
    {
        std::size_t start = i;
        unsigned value = 0;
        while (i < host.size() && host[i] >= '0' && host[i] <= '9' && i - start < 3)
            value = value * 10 + unsigned(host[i++] - '0');
        if (i == start || value > 255)
            return false;
        ++groups;
        if (groups < 4)
        {
            if (i >= host.size() || host[i] != '.')
                return false;
            ++i;
        }
    }
    return i == host.size();
}

} // namespace rv
