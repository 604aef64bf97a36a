#include "server/server-settings.h"

#include "platform/settings-store.h"
#include "server/text-util.h"

#include <sys/stat.h>

namespace rv
{
namespace
{

// Values longer than this are cut, as the settings area never held more.
constexpr std::size_t MaxSettingBytes = 500;

std::string Bounded(std::string text)
{
    if (text.size() > MaxSettingBytes)
        text.resize(MaxSettingBytes);
    return text;
}

bool ReadSwitch(const SettingsStore& store, const char* key)
{
    const std::optional<std::string> text = store.Setting(key);
    return text && IsYes(Bounded(*text));
}

} // namespace

int PortFromText(const std::string& text)
{
    int port = 0;
    if (!ParseDecimal(Bounded(text), port) || port < 1 || port > 65535)
        return DefaultServerPort;
    return port;
}

ServerSettingsReader::ServerSettingsReader(QString settingsPath) : path_(std::move(settingsPath)) {}

ServerSettings ServerSettingsReader::Read()
{
    struct stat info = {};
    if (::stat(path_.toLocal8Bit().constData(), &info) != 0)
        info = {};
    const std::uint64_t inode = info.st_ino;
    const std::int64_t modifiedNs = std::int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
    const std::int64_t size = info.st_size;
    if (haveRead_ && inode == lastInode_ && modifiedNs == lastModifiedNs_ && size == lastSize_)
        return cached_;

    const SettingsStore store(path_);
    ServerSettings settings;
    if (const std::optional<std::string> port = store.Setting(PortKey))
        settings.port = PortFromText(*port);
    settings.displayHeader = ReadSwitch(store, DisplayHeaderKey);
    settings.displayWarning = ReadSwitch(store, DisplayWarningKey);
    settings.shutdownWarning = ReadSwitch(store, ShutdownWarningKey);

    cached_ = settings;
    lastInode_ = inode;
    lastModifiedNs_ = modifiedNs;
    lastSize_ = size;
    haveRead_ = true;
    return settings;
}

bool ServerSettingsReader::SaveSwitches(const ServerSettings& settings)
{
    SettingsStore store(path_);
    store.SetValue(DisplayHeaderKey, YesNo(settings.displayHeader));
    store.SetValue(DisplayWarningKey, YesNo(settings.displayWarning));
    store.SetValue(ShutdownWarningKey, YesNo(settings.shutdownWarning));
    const bool ok = store.Sync();
    haveRead_ = false;
    return ok;
}

} // namespace rv
