// The program-wide settings the retrieval engine reads. The shell fills one
// in from the user's preferences and hands it to the engine; the engine
// never reads the settings store itself, and copies nothing back.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace rv
{

struct RetrievalSettings
{
    std::string ProxyHost; // empty: no proxy
    std::int32_t ProxyPort = 80;
    std::string ProxyUserName;
    std::string ProxyPassword;
    std::string DefaultUserName;
    std::string DefaultPassword;
    std::string DefaultUserAgent = "Ravelin/2.6";
    std::int32_t Retries = 3; // attempt limit
    bool LongTimeouts = false; // double every time-out
    std::vector<std::string> NoProxyFor; // "host" or "host:port", reached without the proxy
    // Pages on this host's site are fetched with the agent "Ravelin/2.5".
    std::string DirectoryHost = "dir.yahoo.com";
    // Temporary files ("bin" bodies, the queue's overflow file) go below this.
    std::filesystem::path ProgramFolder;
};

} // namespace rv
