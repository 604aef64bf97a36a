#include "client/pages/same-site.h"

#include "client/pages/url-parts.h"

#include <libpsl.h>

namespace rv
{

namespace
{

const psl_ctx_t* SuffixList()
{
    // The system's list when it can be read, else the one built into libpsl.
    static const psl_ctx_t* list = []
    {
        const psl_ctx_t* latest = psl_latest(nullptr);
        return latest ? latest : psl_builtin();
    }();
    return list;
}

bool IsAddressLiteral(std::string_view host)
{
    return IsDottedQuad(host) || host.find(':') != std::string_view::npos || (!host.empty() && host.front() == '[');
}

} // namespace

std::string RegisteredDomain(std::string_view host)
{
    std::string lower = AsciiLower(host);
    if (lower.empty() || IsAddressLiteral(lower) || lower.find('.') == std::string::npos)
        return lower;
    while (!lower.empty() && lower.back() == '.')
        lower.pop_back();
    const psl_ctx_t* list = SuffixList();
    const char* domain = list ? psl_registrable_domain(list, lower.c_str()) : nullptr;
    return domain ? std::string(domain) : lower;
}

bool SameSite(std::string_view url, std::string_view startUrl)
{
    std::string host = AsciiLower(HostWithoutPort(HostOf(url)));
    std::string startHost = AsciiLower(HostWithoutPort(HostOf(startUrl)));
    if (IsAddressLiteral(startHost) || IsAddressLiteral(host))
        return host == startHost;
    std::string domain = RegisteredDomain(startHost);
    if (host == domain)
        return true;
    return host.size() > domain.size() && host.ends_with(domain) && host[host.size() - domain.size() - 1] == '.';
}

} // namespace rv
