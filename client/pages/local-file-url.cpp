#include "client/pages/local-file-url.h"

#include "client/pages/url-parts.h"

namespace rv
{

bool IsLocalFileUrl(std::string_view url)
{
    return StartsWithNoCase(url, "file:") || (url.size() > 1 && (url[1] == ':' || url[1] == '|'));
}

std::filesystem::path LocalFilePath(std::string_view url)
{
    std::string path(StartsWithNoCase(url, "file:") ? url.substr(5) : url);
    std::size_t slashes = 0;
    while (slashes < path.size() && slashes < 3 && path[slashes] == '/')
        ++slashes;
    path.erase(0, slashes);
    for (char& c : path)
        if (c == '|')
            c = ':';
    // There are no drives here: "c:/dir/x.htm" is /dir/x.htm.
    if (path.size() > 1 && path[1] == ':')
        path.erase(0, 2);
    while (!path.empty() && (path.front() == '/' || path.front() == '\\'))
        path.erase(0, 1);
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return std::filesystem::path("/") / path;
}

} // namespace rv
