// The server's settings in the settings file it shares with the client
// (area "Servers"): the port and the three Yes/No switches. A switch the
// file does not hold is off.
#pragma once

#include "platform/settings-table.h"

#include <QString>
#include <cstdint>
#include <filesystem>
#include <string>

namespace rv
{

// Used when the port setting is absent or is not a port number.
constexpr int DefaultServerPort = ServerPortSetting.fallback;

// The keys as zero-terminated texts (the descriptors hold string literals).
inline constexpr const char* PortKey = ServerPortSetting.key.data();
inline constexpr const char* DisplayHeaderKey = DisplayHeaderSetting.key.data();
inline constexpr const char* DisplayWarningKey = DisplayWarningSetting.key.data();
inline constexpr const char* ShutdownWarningKey = ShutdownWarningSetting.key.data();

// The port a setting text gives: a decimal number from 1 to 65535, else 1888.
int PortFromText(const std::string& text);

class FileWatch;

// Reads the settings file again whenever it changed on disk since the last
// read, so that the client's changes apply to the next request without
// parsing the file for every request. One reader belongs to one thread.
class ServerSettingsReader
{
public:
    explicit ServerSettingsReader(QString settingsPath);

    const QString& Path() const { return path_; }
    // The settings as the file holds them now; read again only when the file
    // changed (with a watch, only when the watch says it may have).
    ServerSettings Read();
    void SetWatch(FileWatch* watch) { watch_ = watch; }
    // Writes the three switches, in the order header, warning, shutdown.
    bool SaveSwitches(const ServerSettings& settings);

private:
    QString path_;
    std::filesystem::path file_;
    FileWatch* watch_ = nullptr;
    // Identity of the file last read: the settings file is replaced by a
    // rename on every save, so a new inode or time means new contents.
    std::uint64_t lastInode_ = 0;
    std::int64_t lastModifiedNs_ = 0;
    std::int64_t lastSize_ = -1;
    bool haveRead_ = false;
    ServerSettings cached_;
};

} // namespace rv
