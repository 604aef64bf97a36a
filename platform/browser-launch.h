// Opening an address in the user's browser: the browser command of the
// settings ("Browser/Browser Path") with the address as its last argument,
// else xdg-open. Blanks in the address reach the browser as "%20".
#pragma once

#include <QString>

namespace rv
{

enum class BrowserLoad
{
    Started,
    NotSet, // no browser command and no xdg-open: "Browser Not Set"
    Failed, // the command could not be started
};

inline constexpr const char* BrowserNotSetTitle = "Browser Not Set";
inline constexpr const char* BrowserNotSetText =
    "Please set the Browser in the Ravelin Preferences dialog box (under the Edit menu).";

// Starts the browser on the address without waiting for it.
BrowserLoad DoBrowserLoad(const QString& url, const QString& settingsPath);

} // namespace rv
