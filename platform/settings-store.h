// The settings file that RVClient and RVServer share.
#pragma once

#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QSettings;

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
// Writes go to memory first and reach the file on Sync() or when the handle is destroyed. The file is replaced
// through a temporary file in the same folder, so a failed write leaves the previous file whole, and it is kept
// readable by its owner only (mode 0600), because it holds credentials. Two handles, in one program or in
// both, may use the file at once: Sync() merges the keys this handle changed into what is on disk.
//
// Errors: a file that cannot be read reads as empty; a file that cannot be written makes Sync() return false
// and the values stay in memory. Nothing throws.
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

    // Value() when it is at least 2 bytes long. Both programs treat a shorter value as absent and keep their
    // built-in default.
    std::optional<std::string> Setting(std::string_view key) const;

    void SetValue(std::string_view key, std::string_view bytes);
    void Remove(std::string_view key);

    // Writes what this handle changed, then re-reads the file so that changes the other program made show.
    // Returns false when the file could not be written (full disk, folder not writable); the old file stays.
    bool Sync();

private:
    void MakePrivateFile();

    QString path_;
    std::unique_ptr<QSettings> settings_;
    bool fileChecked_ = false;
};

// Boolean settings are the texts "Yes" and "No"; anything but "Yes" reads as false.
inline constexpr std::string_view YesText = "Yes";
inline constexpr std::string_view NoText = "No";
inline std::string_view YesNo(bool value) { return value ? YesText : NoText; }
inline bool IsYes(std::string_view text) { return text == YesText; }

} // namespace rv
