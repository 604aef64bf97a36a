// The settings that RVClient and RVServer share, each declared once: its key in the settings file, its default,
// the values it accepts and how it is stored. Both programs read and write these settings only through the
// descriptors below, so a key, a default or a range cannot differ between them.
//
// Stored forms: a boolean is the text "Yes" or "No" and anything but "Yes" reads as false; a number is decimal
// text (an optional sign, then digits, nothing else). A missing or empty value leaves what the caller holds.
//
// Plain C++: the engine may include this header for a default without depending on the settings store.
#pragma once

#include <string>
#include <string_view>

namespace rv
{

class SettingsStore;

struct IntSetting
{
    std::string_view key;
    int fallback; // also what a stored text that is no number, or a number outside [min, max], reads as
    int min;
    int max;
};

struct BoolSetting
{
    std::string_view key;
    bool fallback; // what the preferences show while the file holds no value
};

struct TextSetting
{
    std::string_view key;
    std::string_view fallback;
};

// Ports are TCP ports.
inline constexpr int LowestPort = 1;
inline constexpr int HighestPort = 65535;

// Area "Servers": the local page server on 127.0.0.1. The client's preferences write all five; the server
// writes only its three menu switches (header, warning, shutdown).
inline constexpr IntSetting ServerPortSetting{"Servers/Ravelin Server Port", 1888, LowestPort, HighestPort};
inline constexpr BoolSetting DisplayHeaderSetting{"Servers/Display Header", true};
inline constexpr BoolSetting DisplayWarningSetting{"Servers/Display Warning", true};
inline constexpr BoolSetting CloseServerSetting{"Servers/Close Server", true}; // the client stops the server on exit
inline constexpr BoolSetting ShutdownWarningSetting{"Servers/Shutdown Warning", true};

// The proxy the client's runs go through; its port follows the same rule as the server's.
inline constexpr IntSetting ProxyPortSetting{"Servers/Proxy/Proxy Port", 80, LowestPort, HighestPort};

// The browser program, stored in double quotes; the client's preferences set it, both programs start it.
inline constexpr TextSetting BrowserPathSetting{"Browser/Browser Path", ""};

// The remote-debugging port of a Chromium-family browser the user started with one; the client asks it for the
// page it shows. 0: no such port, the client takes an address from the clipboard instead.
inline constexpr IntSetting BrowserDevToolsPortSetting{"Browser/DevTools Port", 0, 0, HighestPort};

// The "Servers" settings as both programs hold them. A default object is what RVServer runs with until it has
// read the file: port 1888 and every switch off, so a switch the file does not hold stays off in the server.
// The client's preferences start from PreferredServerSettings() instead, where a missing switch is on.
struct ServerSettings
{
    int port = ServerPortSetting.fallback;
    bool displayHeader = false;   // navigation header and footer on pages
    bool displayWarning = false;  // explanatory pages instead of redirects for links not retrieved
    bool closeServer = false;     // the client shuts the server down when it exits
    bool shutdownWarning = false; // closing the server's window asks first

    bool operator==(const ServerSettings&) const = default;
};

constexpr ServerSettings PreferredServerSettings()
{
    return {ServerPortSetting.fallback, DisplayHeaderSetting.fallback, DisplayWarningSetting.fallback,
            CloseServerSetting.fallback, ShutdownWarningSetting.fallback};
}

// The number a stored text gives: the fallback for a text that is no decimal number or lies outside the range.
int IntFromText(const IntSetting& setting, std::string_view text);

// Each Read sets value from the stored text and leaves it alone when the file holds no value or an empty one.
void ReadSetting(const SettingsStore& store, const IntSetting& setting, int& value);
void ReadSetting(const SettingsStore& store, const BoolSetting& setting, bool& value);
void ReadSetting(const SettingsStore& store, const TextSetting& setting, std::string& value);

// Each Write sets the value in the store; the caller syncs.
void WriteSetting(SettingsStore& store, const IntSetting& setting, int value);
void WriteSetting(SettingsStore& store, const BoolSetting& setting, bool value);
void WriteSetting(SettingsStore& store, const TextSetting& setting, std::string_view value);

// All five "Servers" settings, port first.
void ReadServerSettings(const SettingsStore& store, ServerSettings& settings);

} // namespace rv
