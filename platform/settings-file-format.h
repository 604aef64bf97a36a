// The text of the settings file: the INI dialect that QSettings reads and writes.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace rv
{

// Keys are "area/sub-key/..." in UTF-8 with "/" between the parts; values are byte strings.
using SettingsMap = std::map<std::string, std::string>;

// Brings a key to the one form used in a SettingsMap: "\" becomes "/", repeated slashes become one, and slashes
// at either end go.
std::string NormalSettingsKey(std::string_view key);

// Reads settings text. The first part of a key is its section ("[Servers]"); the rest is written after it
// with "\" for "/" and "%XX" for other characters ("Proxy\Proxy%20Port"). Values may be quoted and use the
// C escapes; "@ByteArray(...)" holds bytes, "@String(...)" text, and "@@" a leading "@". Lines that make no
// sense are skipped: the reader never fails and reads at most what the text holds.
SettingsMap ParseSettingsText(std::string_view text);

// Writes settings text that QSettings and ParseSettingsText read back to the same keys and bytes. Valid UTF-8
// values stay readable text; other bytes are written as an escaped "@ByteArray(...)".
std::string FormatSettingsText(const SettingsMap& settings);

} // namespace rv
