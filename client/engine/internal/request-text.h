// The HTTP/1.0 request a fetch sends, and where it goes (the origin server
// or the proxy).
//
// Two line orders are sent: with credentials the Accept line comes right
// after the request line and an Authorization line follows Host; without
// them Accept comes after Host. Lines end with CR LF; the request ends with
// an empty line. No control byte from the address or a header value ever
// reaches the text.
#pragma once

#include "client/pages/retrieval-settings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rv
{

struct RequestTextInput
{
    std::string Url;                     // queued address, scheme optional
    std::optional<std::string> Referrer; // the page the link was found on, scheme optional; absent for entry pages
    std::string Agent;                   // from ChooseAgent
    std::optional<std::string> AgentComment;
    bool BypassProxyCache = false;
    bool WithCredentials = false;
    std::string UserName;
    std::string Password;
};

struct HttpRequestPlan
{
    std::string Text;
    std::string ConnectHost; // host name or address to connect to
    std::uint16_t ConnectPort = 80;
    bool ViaProxy = false;
    bool Tls = false; // an "https" address: the connection is encrypted
};

// The address as it goes into a request: a backslash before a quotation
// mark is dropped, the entity "&quot;" (or "&quot") becomes "%22", a blank
// becomes "%20", control bytes are removed.
std::string CleanUrlForRequest(std::string_view url);

// True when a request for this host goes through the proxy: a proxy is set,
// the host does not begin with "127.0.0.1", and neither "host:port" nor the
// bare host is in the no-proxy list (compared without regard to case).
bool UsesProxy(std::string_view hostWithPort, const RetrievalSettings& settings);

// The agent for an address: "Ravelin/2.5" on the directory service's site,
// else the entry's agent when set, else the default one.
std::string ChooseAgent(std::string_view url, std::string_view entryAgent, const RetrievalSettings& settings);

HttpRequestPlan BuildHttpRequest(const RequestTextInput& input, const RetrievalSettings& settings);

} // namespace rv
