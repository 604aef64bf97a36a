#include "platform/settings-store.h"

#include "platform/private-file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <algorithm>

namespace rv
{

namespace
{

// A settings file is a few kilobytes; anything this large is not one and is left alone.
constexpr qint64 MaxSettingsFileBytes = 16 * 1024 * 1024;

// How long Sync() waits for the other program to finish its own write.
constexpr int LockWaitMs = 10000;

} // namespace

QString DefaultSettingsPath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
    {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    return base + QStringLiteral("/Marrowby Works/Ravelin.conf");
}

SettingsStore::SettingsStore(QString filePath) : path_(std::move(filePath))
{
    values_ = ReadFile().value_or(SettingsMap());
}

SettingsStore::~SettingsStore()
{
    if (!changes_.empty())
    {
        Sync();
    }
}

std::optional<std::string> SettingsStore::Value(std::string_view key) const
{
    const auto found = values_.find(NormalSettingsKey(key));
    if (found == values_.end())
    {
        return std::nullopt;
    }
    return found->second;
}

std::optional<std::string> SettingsStore::Setting(std::string_view key) const
{
    std::optional<std::string> value = Value(key);
    if (value && value->empty())
    {
        return std::nullopt;
    }
    return value;
}

void SettingsStore::SetValue(std::string_view key, std::string_view bytes)
{
    changes_.emplace_back(NormalSettingsKey(key), std::string(bytes));
    Apply(values_, changes_.back());
}

void SettingsStore::Remove(std::string_view key)
{
    changes_.emplace_back(NormalSettingsKey(key), std::nullopt);
    Apply(values_, changes_.back());
}

void SettingsStore::Apply(SettingsMap& settings, const Change& change)
{
    const auto& [key, value] = change;
    if (value)
    {
        settings[key] = *value;
        return;
    }
    const std::string below = key + "/";
    settings.erase(key);
    for (auto it = settings.lower_bound(below); it != settings.end() && it->first.starts_with(below);)
    {
        it = settings.erase(it);
    }
}

bool SettingsStore::Sync()
{
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QLockFile lock(path_ + QStringLiteral(".lock"));
    if (!lock.tryLock(LockWaitMs))
    {
        lastError_ = "the settings file is locked by another program";
        return false;
    }
    std::optional<SettingsMap> disk = ReadFile();
    if (!disk)
    {
        lastError_ = "the settings file cannot be read";
        return false;
    }
    KeepPrivate();
    const SettingsMap before = *disk;
    for (const Change& change : changes_)
    {
        Apply(*disk, change);
    }
    values_ = std::move(*disk);
    if (values_ != before)
    {
        lastError_ = ReplacePrivateFile(QFile::encodeName(path_).toStdString(), FormatSettingsText(values_));
        if (!lastError_.empty())
        {
            return false;
        }
    }
    changes_.clear();
    lastError_.clear();
    return true;
}

// A file that an older program left readable by others is closed even when nothing needs writing.
void SettingsStore::KeepPrivate()
{
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                                            QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    const QFileDevice::Permissions now = QFile::permissions(path_);
    if (now & others)
    {
        QFile::setPermissions(path_, now & ~others);
    }
}

std::optional<SettingsMap> SettingsStore::ReadFile()
{
    QFile file(path_);
    if (!file.exists())
    {
        return SettingsMap();
    }
    if (file.size() > MaxSettingsFileBytes || !file.open(QIODevice::ReadOnly))
    {
        return std::nullopt;
    }
    // Read what the file holds (one byte more shows that it grew past the
    // limit meanwhile); asking for the limit itself would reserve it whole.
    const QByteArray bytes = file.read(std::min<qint64>(file.size(), MaxSettingsFileBytes) + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > MaxSettingsFileBytes)
    {
        return std::nullopt;
    }
    return ParseSettingsText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

} // namespace rv
