#include "server/server-settings.h"

#include "platform/settings-store.h"
#include "server/file-watch.h"

#include <sys/stat.h>

namespace rv
{

int PortFromText(const std::string& text)
{
    return IntFromText(ServerPortSetting, text);
}

ServerSettingsReader::ServerSettingsReader(QString settingsPath)
    : path_(std::move(settingsPath)), file_(path_.toLocal8Bit().toStdString())
{
}

ServerSettings ServerSettingsReader::Read()
{
    if (haveRead_ && watch_ && !watch_->MayHaveChanged(file_))
        return cached_;
    struct stat info = {};
    if (::stat(file_.c_str(), &info) != 0)
        info = {};
    const std::uint64_t inode = info.st_ino;
    const std::int64_t modifiedNs = std::int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
    const std::int64_t size = info.st_size;
    if (haveRead_ && inode == lastInode_ && modifiedNs == lastModifiedNs_ && size == lastSize_)
        return cached_;

    const SettingsStore store(path_);
    ServerSettings settings;
    ReadServerSettings(store, settings);

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
    WriteSetting(store, DisplayHeaderSetting, settings.displayHeader);
    WriteSetting(store, DisplayWarningSetting, settings.displayWarning);
    WriteSetting(store, ShutdownWarningSetting, settings.shutdownWarning);
    const bool ok = store.Sync();
    haveRead_ = false;
    return ok;
}

} // namespace rv
