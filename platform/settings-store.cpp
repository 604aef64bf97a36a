#include "platform/settings-store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rv
{

namespace
{

QString KeyOf(std::string_view key)
{
    QString text = QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
    text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return text;
}

// Text that is valid UTF-8 is stored as text, so the file stays readable and editable by hand; any other
// bytes are stored as a byte array, which the INI format writes escaped. Both read back byte for byte.
QVariant StoredForm(std::string_view bytes)
{
    const QByteArray raw(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const QString text = QString::fromUtf8(raw);
    if (text.toUtf8() == raw)
    {
        return text;
    }
    return raw;
}

std::string BytesOf(const QVariant& value)
{
    QByteArray raw;
    if (value.typeId() == QMetaType::QByteArray)
    {
        raw = value.toByteArray();
    }
    else if (value.typeId() == QMetaType::QStringList)
    {
        // A hand-edited value with unquoted commas reads as a list; give back the commas.
        raw = value.toStringList().join(QLatin1Char(',')).toUtf8();
    }
    else
    {
        raw = value.toString().toUtf8();
    }
    return std::string(raw.constData(), static_cast<std::size_t>(raw.size()));
}

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

SettingsStore::SettingsStore(QString filePath)
    : path_(std::move(filePath)), settings_(std::make_unique<QSettings>(path_, QSettings::IniFormat))
{
    // Never fall back to writing the file in place: a failed write must leave the old file whole.
    settings_->setAtomicSyncRequired(true);
}

SettingsStore::~SettingsStore()
{
    Sync();
}

std::optional<std::string> SettingsStore::Value(std::string_view key) const
{
    const QVariant value = settings_->value(KeyOf(key));
    if (!value.isValid())
    {
        return std::nullopt;
    }
    return BytesOf(value);
}

std::optional<std::string> SettingsStore::Setting(std::string_view key) const
{
    std::optional<std::string> value = Value(key);
    if (value && value->size() < 2)
    {
        return std::nullopt;
    }
    return value;
}

void SettingsStore::SetValue(std::string_view key, std::string_view bytes)
{
    MakePrivateFile();
    settings_->setValue(KeyOf(key), StoredForm(bytes));
}

void SettingsStore::Remove(std::string_view key)
{
    MakePrivateFile();
    settings_->remove(KeyOf(key));
}

bool SettingsStore::Sync()
{
    MakePrivateFile();
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

// The file is replaced through a temporary file that takes over the old file's mode. Creating the file with
// mode 0600 before anything is written, and taking group and other rights away from an older file, keeps
// every later version private too. A file that cannot be made here is left to Sync() to report.
void SettingsStore::MakePrivateFile()
{
    if (fileChecked_)
    {
        return;
    }
    const QByteArray local = QFile::encodeName(path_);
    QDir().mkpath(QFileInfo(path_).absolutePath());
    const int fd = ::open(local.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
    {
        ::close(fd);
        fileChecked_ = true;
        return;
    }
    struct stat info = {};
    if (errno == EEXIST && ::stat(local.constData(), &info) == 0)
    {
        if ((info.st_mode & 077) == 0 || ::chmod(local.constData(), info.st_mode & 0700) == 0)
        {
            fileChecked_ = true;
        }
    }
}

} // namespace rv
