// The program-wide settings the retrieval engine reads. The shell fills one
// in from the user's preferences and hands it to the engine; the engine
// never reads the settings store itself, and copies nothing back.
#pragma once

#include "client/pages/http-response.h"
#include "platform/settings-table.h"

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
    std::int32_t Retries = 3;            // attempt limit
    bool LongTimeouts = false;           // double every time-out
    std::vector<std::string> NoProxyFor; // "host" or "host:port", reached without the proxy
    // Pages on this host's site are fetched with the agent "Ravelin/2.5".
    std::string DirectoryHost = "dir.yahoo.com";
    // Connections a run holds open at once.
    std::int32_t NumSocks = 4;
    // Megabytes that must stay free on the drive of a brief's folder; a brief
    // stops when the free room falls to it. 0: no reserve.
    std::int32_t DiskBuffer = 0;
    // The local page server, from which the previous copy of an entry page
    // is fetched.
    std::int32_t ServerPort = ServerPortSetting.fallback;
    // A file of PEM certificates trusted for "https" sites besides the
    // system's own authorities; empty: the system's only.
    std::string CaCertificatesFile;
    // Temporary files ("bin" bodies, the queue's overflow file) go below this.
    std::filesystem::path ProgramFolder;
    // Where a body kept in memory is cut; only tests set it lower.
    std::size_t MemoryBodyLimit = MaxMemoryBodyBytes;
};

} // namespace rv
