#include "platform/settings-table.h"

#include "platform/settings-store.h"

#include <charconv>
#include <optional>
#include <utility>

namespace rv
{

int IntFromText(const IntSetting& setting, std::string_view text)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    long long number = 0;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, number);
    if (text.empty() || error != std::errc() || end != last || number < setting.min || number > setting.max)
        return setting.fallback;
    return static_cast<int>(number);
}

void ReadSetting(const SettingsStore& store, const IntSetting& setting, int& value)
{
    if (const std::optional<std::string> stored = store.Setting(setting.key))
        value = IntFromText(setting, *stored);
}

void ReadSetting(const SettingsStore& store, const BoolSetting& setting, bool& value)
{
    if (const std::optional<std::string> stored = store.Setting(setting.key))
        value = IsYes(*stored);
}

void ReadSetting(const SettingsStore& store, const TextSetting& setting, std::string& value)
{
    if (std::optional<std::string> stored = store.Setting(setting.key))
        value = std::move(*stored);
}

void WriteSetting(SettingsStore& store, const IntSetting& setting, int value)
{
    store.SetValue(setting.key, std::to_string(value));
}

void WriteSetting(SettingsStore& store, const BoolSetting& setting, bool value)
{
    store.SetValue(setting.key, YesNo(value));
}

void WriteSetting(SettingsStore& store, const TextSetting& setting, std::string_view value)
{
    store.SetValue(setting.key, value);
}

void ReadServerSettings(const SettingsStore& store, ServerSettings& settings)
{
    ReadSetting(store, ServerPortSetting, settings.port);
    ReadSetting(store, DisplayHeaderSetting, settings.displayHeader);
    ReadSetting(store, DisplayWarningSetting, settings.displayWarning);
    ReadSetting(store, CloseServerSetting, settings.closeServer);
    ReadSetting(store, ShutdownWarningSetting, settings.shutdownWarning);
}

} // namespace rv
