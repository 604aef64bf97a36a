#include "client/engine/internal/request-text.h"

#include "client/briefs/scrambled-text.h"
#include "client/pages/same-site.h"
#include "client/pages/store-address.h"
#include "client/pages/url-parts.h"

namespace rv
{

std::string CleanUrlForRequest(std::string_view url)
{
    std::string out;
    out.reserve(url.size());
    for (std::size_t i = 0; i < url.size(); ++i)
    {
        if (url[i] == '\\' && i + 1 < url.size() && url[i + 1] == '"')
            continue;
        if (url.substr(i, 5) == "&quot")
        {
            out += "%22";
            i += url.substr(i, 6) == "&quot;" ? 5 : 4;
            continue;
        }
        // A blank would end the request line's target early.
        if (url[i] == ' ')
            out += "%20";
        else
            out += url[i];
    }
    return WithoutControlBytes(out);
}

bool UsesProxy(std::string_view hostWithPort, const RetrievalSettings& settings)
{
    if (settings.ProxyHost.empty() || hostWithPort.starts_with("127.0.0.1"))
        return false;
    std::string host = AsciiLower(hostWithPort);
    std::string bare = AsciiLower(HostWithoutPort(hostWithPort));
    for (const std::string& item : settings.NoProxyFor)
    {
        std::string entry = AsciiLower(item);
        if (!entry.empty() && (entry == host || entry == bare))
            return false;
    }
    return true;
}

std::string ChooseAgent(std::string_view url, std::string_view entryAgent, const RetrievalSettings& settings)
{
    if (!settings.DirectoryHost.empty() && SameSite(settings.DirectoryHost, url))
        return "Ravelin/2.5";
    return std::string(entryAgent.empty() ? std::string_view(settings.DefaultUserAgent) : entryAgent);
}

namespace
{

std::string ProxyAuthorizationLine(const RetrievalSettings& settings)
{
    if (settings.ProxyUserName.empty())
        return {};
    return "Proxy-Authorization: Basic " + Base64Encode(settings.ProxyUserName + ":" + settings.ProxyPassword) + "\r\n";
}

std::string AgentLine(const RequestTextInput& input)
{
    std::string line = "User-Agent: " + WithoutControlBytes(input.Agent);
    if (input.AgentComment)
        line += " (" + WithoutControlBytes(*input.AgentComment) + ")";
    return line + "\r\n";
}

// The Referer line for a link found on the referring page: its address with
// "http://" in front when it was queued without a scheme, without any
// "user:password@" and fragment. Like a browser, an "https" page names
// itself only to "https" targets; a page of any other scheme ("file:",
// "ftp:") is never named.
std::string RefererLine(const std::optional<std::string>& referrer, bool tlsTarget)
{
    if (!referrer)
        return {};
    std::string address = WithoutControlBytes(*referrer);
    address = address.substr(0, address.find('#'));
    const bool https = HasSchemeNamed(address, "https");
    if (https && !tlsTarget)
        return {};
    if (!HasScheme(address))
    {
        if (SchemeLength(address) > 0)
            return {};
        address = "http://" + address;
    }
    else if (!https && !HasSchemeNamed(address, "http"))
        return {};
    const std::size_t hostStart = address.find("://") + 3;
    const std::size_t hostEnd = std::min(address.size(), address.find_first_of("/?", hostStart));
    const std::size_t at = std::string_view(address).substr(hostStart, hostEnd - hostStart).rfind('@');
    if (at != std::string_view::npos)
        address.erase(hostStart, at + 1);
    return "Referer: " + address + "\r\n";
}

} // namespace

HttpRequestPlan BuildHttpRequest(const RequestTextInput& input, const RetrievalSettings& settings)
{
    const std::string url = CleanUrlForRequest(input.Url);
    const std::string host(HostOf(url));
    HttpRequestPlan plan;
    // An "https" address is fetched over TLS straight from its site: the
    // proxy is not asked to tunnel it.
    plan.Tls = HasSchemeNamed(url, "https");
    plan.ViaProxy = !plan.Tls && UsesProxy(host, settings);

    std::string target = plan.ViaProxy ? (HasScheme(url) ? url : "http://" + url) : PathOf(url);
    std::string requestLine = "GET " + target + " HTTP/1.0\r\n";
    std::string cacheLine = input.BypassProxyCache ? "Cache-Control: no-cache\r\n" : "";
    std::string refererLine = RefererLine(input.Referrer, plan.Tls);
    std::string hostLine = "Host: " + host + "\r\n";
    std::string acceptLine = "Accept: */*; q=1\r\n";
    std::string proxyLine = plan.ViaProxy ? ProxyAuthorizationLine(settings) : std::string();

    if (input.WithCredentials)
    {
        std::string authorization = "Authorization: Basic " + Base64Encode(input.UserName + ":" + input.Password) + "\r\n";
        plan.Text = requestLine + acceptLine + AgentLine(input) + cacheLine + refererLine + hostLine + authorization +
                    proxyLine + "\r\n";
    }
    else
    {
        plan.Text = requestLine + AgentLine(input) + cacheLine + refererLine + hostLine + acceptLine + proxyLine + "\r\n";
    }

    if (plan.ViaProxy)
    {
        plan.ConnectHost = settings.ProxyHost;
        plan.ConnectPort =
            settings.ProxyPort > 0 && settings.ProxyPort <= 65535 ? std::uint16_t(settings.ProxyPort) : std::uint16_t(80);
    }
    else
    {
        plan.ConnectHost = std::string(HostWithoutPort(host));
        const bool portGiven = plan.ConnectHost.size() != host.size();
        plan.ConnectPort = plan.Tls && !portGiven ? std::uint16_t(443) : PortOf(host);
    }
    return plan;
}

} // namespace rv
