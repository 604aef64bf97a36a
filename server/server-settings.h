// The server's settings in the settings file it shares with the client
// (area "Servers"): the port and the three Yes/No switches.
#pragma once

#include <QString>
#include <cstdint>

namespace rv
{

// Used when the port setting is absent or is not a port number.
constexpr int DefaultServerPort = 1888;

inline constexpr const char* PortKey = "Servers/Ravelin Server Port";
inline constexpr const char* DisplayHeaderKey = "Servers/Display Header";
inline constexpr const char* DisplayWarningKey = "Servers/Display Warning";
inline constexpr const char* ShutdownWarningKey = "Servers/Shutdown Warning";

struct ServerSettings
{
    int port = DefaultServerPort;
    bool displayHeader = false;   // navigation header and footer on pages
    bool displayWarning = false;  // explanatory pages instead of redirects for links not retrieved
    bool shutdownWarning = false; // closing the window asks first

    bool operator==(const ServerSettings&) const = default;
};

// The port a setting text gives: a decimal number from 1 to 65535, else 1888.
int PortFromText(const std::string& text);

// Reads the settings file again whenever it changed on disk since the last
// read, so that the client's changes apply to the next request without
// parsing the file for every request. One reader belongs to one thread.
class ServerSettingsReader
{
public:
    explicit ServerSettingsReader(QString settingsPath);

    const QString& Path() const { return path_; }
    ServerSettings Read();
    // Writes the three switches, in the order header, warning, shutdown.
    bool SaveSwitches(const ServerSettings& settings);

private:
    QString path_;
    // Identity of the file last read: the settings file is replaced by a
    // rename on every save, so a new inode or time means new contents.
    std::uint64_t lastInode_ = 0;
    std::int64_t lastModifiedNs_ = 0;
    std::int64_t lastSize_ = -1;
    bool haveRead_ = false;
    ServerSettings cached_;
};

} // namespace rv
