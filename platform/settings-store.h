// The settings file that RVClient and RVServer share.
#pragma once

#include "platform/settings-file-format.h"

#include <QString>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rv
{

// Where both programs keep their settings: "$XDG_CONFIG_HOME/Marrowby Works/Ravelin.conf" ("~/.config" when
// XDG_CONFIG_HOME is unset or not absolute), the INI file that QSettings("Marrowby Works", "Ravelin") uses.
// Read from the environment on every call, so a test can point it elsewhere.
QString DefaultSettingsPath();

// One handle on the settings file. Keys are the path below "Ravelin": area, "/", sub-key name, word for word
// ("Servers/Ravelin Server Port", "Servers/Proxy/Proxy Port", "Default/Web Properties/IsSet"); a "\" in a key
// is taken as "/", so "Servers\Proxy/UserName" names the same setting. Values are byte strings, stored
// unchanged: any byte, including 0, reads back as written.
//
// The file is read when the handle is made and on every Sync(). Writes go to memory first and reach the file on
// Sync() or when the handle is destroyed. The file is replaced through a temporary file in the same folder, so
// a failed write leaves the previous file whole, and it is readable by its owner only (mode 0600), because it
// holds credentials. Two handles, in one program or in both, may use the file at once: Sync() takes the lock
// file that QSettings also uses ("Ravelin.conf.lock") and applies the changes this handle made, in order, to
// what is on disk, so changes made elsewhere to other keys are kept.
//
// Errors: a missing file reads as empty. A file that cannot be read, or that is larger than any settings file
// (16 MiB), reads as empty and is never written over. A file that cannot be written makes Sync() return false;
// the values stay in memory and a later Sync() tries again. Nothing throws.
//
// Threads: a handle belongs to the thread that uses it; use one handle per thread.
class SettingsStore
{
public:
    explicit SettingsStore(QString filePath = DefaultSettingsPath());
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    const QString& FilePath() const { return path_; }

    // The stored bytes, or nothing when the key holds no value.
    std::optional<std::string> Value(std::string_view key) const;

    // Value() when it is not empty. Both programs treat an empty value as absent and keep their built-in
    // default. (The registry counted the terminating zero: its "shorter than 2 bytes" is our empty value, and
    // one-character values such as "3" or "0" are real settings.)
    std::optional<std::string> Setting(std::string_view key) const;

    void SetValue(std::string_view key, std::string_view bytes);

    // Removes the key and every key below it ("Default/Web Properties" removes the whole record).
    void Remove(std::string_view key);

    // Writes what this handle changed, then re-reads the file so that changes the other program made show.
    // Returns false when the file could not be written (full disk, folder not writable); the old file stays.
    bool Sync();

    // Why the last Sync() failed, for a log line; empty after a successful one.
    const std::string& LastError() const { return lastError_; }

private:
    // A value, or nothing for a removal of the key and its sub-keys.
    using Change = std::pair<std::string, std::optional<std::string>>;

    std::optional<SettingsMap> ReadFile();
    void KeepPrivate();
    static void Apply(SettingsMap& settings, const Change& change);

    QString path_;
    SettingsMap values_;
    std::vector<Change> changes_;
    std::string lastError_;
};

// Boolean settings are the texts "Yes" and "No"; anything but "Yes" reads as false.
inline constexpr std::string_view YesText = "Yes";
inline constexpr std::string_view NoText = "No";
inline std::string_view YesNo(bool value)
{
    return value ? YesText : NoText;
}
inline bool IsYes(std::string_view text)
{
    return text == YesText;
}

} // namespace rv
