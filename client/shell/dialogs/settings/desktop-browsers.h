// The browsers installed on the desktop, for "Find Browser": every application whose desktop file handles
// http addresses, found under $XDG_DATA_HOME and $XDG_DATA_DIRS, with the desktop's default browser (as
// `xdg-settings get default-web-browser` names it) first.
//
// Threads: any; DesktopBrowsers() runs xdg-settings and waits for it up to two seconds.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace rv
{

struct DesktopBrowser
{
    QString DesktopId; // "chromium.desktop"
    QString Name;      // the desktop file's Name=
    QString Program;   // full path of the program its Exec= starts
    bool IsDefault = false;
};

// The browser a desktop file describes: one that handles "x-scheme-handler/http", is not hidden, and whose
// Exec= program is found (absolute, or on PATH). Nothing otherwise.
std::optional<DesktopBrowser> BrowserFromDesktopFile(const QString& desktopId, const QByteArray& contents);

// The folders searched for "applications/*.desktop", most important first.
QStringList DesktopDataDirs();

// Every browser once (the first desktop file of an id wins), the default first, the rest by name.
std::vector<DesktopBrowser> DesktopBrowsers(const QString& defaultDesktopId);

// The id that xdg-settings reports as the default browser; empty when it cannot tell.
QString DefaultBrowserDesktopId();

} // namespace rv
