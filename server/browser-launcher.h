// Opening an address in the user's browser: the browser command of the
// settings ("Browser/Browser Path") with the address as its last argument,
// else xdg-open.
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

// The server address of an archive or of the paths given on the command line:
// "http://127.0.0.1:" + port + "/" + the paths joined by blanks + "/".
QString ServerUrlFor(int port, const QStringList& paths);

} // namespace rv
