// Reading the one request a browser sends to the page server.
//
// Everything here is a pure function of the request bytes, so that the
// grammar can be checked case by case without sockets. Errors: none are
// thrown; a request that cannot be understood parses to a result that the
// dispatcher answers with "File Not Found" or with no answer at all.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace rv
{

// A request header must end within this many bytes, or the request is refused
// unread: browsers never send one this big to us, and a header cut short
// could hide the Host line.
constexpr std::size_t MaxRequestBytes = 20000;

// Position just after the end of the request header: the earlier of the first
// CR LF CR LF and the first LF LF. None while the header is incomplete.
std::optional<std::size_t> CharFindEndOfHTTPHeader(std::string_view bytes);

// The Host headers of a request: Allowed when there is at least one and every
// one names 127.0.0.1, localhost or [::1], with or without a port. Any other
// host means a page on the network is reaching us through DNS rebinding;
// browsers always send a Host, so a request without one is refused too.
enum class HostCheck
{
    Allowed,
    Missing,
    Foreign
};
HostCheck CheckHost(std::string_view request);
inline bool HostAllowed(std::string_view request)
{
    return CheckHost(request) == HostCheck::Allowed;
}

// True when the request line ends in " HTTP/1.1": its answers may carry their
// length, which HTTP/1.0 answers here never do.
bool IsHttp11Request(std::string_view request);

// True when the connection may stay open for the next request: an HTTP/1.1
// request that does not ask to close and carries no body. HTTP/1.0 requests
// are answered and closed.
bool WantsKeepAlive(std::string_view request);

// The request path split into the archive that it names and the page inside.
struct ParsedRequest
{
    bool hasGet = false;     // no "GET" anywhere: the connection closes unanswered
    std::string path;        // the request path, without leading slashes
    std::string archiveName; // archive part with every "%XX" and the drive form decoded
    bool driveFlag = false;  // the archive part was written "C_/..."
    bool cumulative = false; // the path went through "cumulative/"
    // The cumulative page is wanted; when there is nothing to list the page
    // named in pageName ("index") is served instead.
    bool cumulativePage = false;
    std::string pageName;  // the page to serve, or the image name
    std::string imageFile; // set for image answers: "images/" + file name
    bool badImage = false; // "images/" + a name we do not serve: File Not Found
    bool badPath = false;  // the archive part holds a "%" that is not "%XX", or "%00": File Not Found
    // The page name with every "%XX" decoded, when that differs from it. The
    // name as sent is looked up first: stored names may hold "%XX" of their
    // own, which browsers send unchanged.
    std::string decodedPageName;
};

ParsedRequest ParseRequest(std::string_view request);

// Image names that pages use as relative addresses. A name counts when it is
// one of the recognised names (any letter case), a warning image (digits, one
// slash, "Warning") or holds "RavelinDiffMarker"; a leading number prefix
// ("3/") is ignored.
bool IsImageName(std::string_view pageName);

// The file (relative to the server folder) that answers an image name.
std::string ImageFileFor(std::string_view pageName);

// True for the file names under "images/" that the server hands out.
bool IsServedImageFile(std::string_view fileName);

} // namespace rv
