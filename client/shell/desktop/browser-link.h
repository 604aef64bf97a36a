// The client's link to the user's browser, in both directions: sending it
// an address (the configured browser command, else the desktop's default),
// finding the desktop's browser when none is configured, and asking the
// browser for the page it shows.
//
// The browser's page comes from a Chromium-family browser's DevTools
// endpoint ("/json/list" on its remote-debugging port, a preference): the
// page the user used last. Without that port, or when nothing answers on
// it, an address the user copied to the clipboard stands for the page.
//
// Blocking calls with short time-outs; main thread only (the clipboard).
#pragma once

#include "client/briefs/user-message.h"
#include "client/pages/page-information.h"
#include "widgets/browser-launcher.h"

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace rv
{

inline const UserMessage ClientBrowserNotSet{"Browser Not Set",
                                             "Please set the Browser in the Preferences dialog box (under the Edit menu)."};

// The DevTools endpoint answers well within this on a working machine; a
// browser that takes longer is treated as not there.
inline constexpr int DevToolsTimeoutMs = 2000;

// Its answer lists every tab; more than this is no answer of a browser.
inline constexpr qint64 MaxDevToolsAnswerBytes = 8 * 1024 * 1024;

// The command line of the desktop's default browser: the "Exec" of the
// desktop file that "xdg-settings get default-web-browser" names, without
// its field codes. Empty when there is none.
QStringList DesktopBrowserCommand();

// Opens the address in the browser; shows "Browser Not Set" when neither a
// browser command nor the desktop's opener exists.
BrowserLoad OpenInBrowser(QWidget* parent, const QString& url, const QString& settingsPath);

// The page the browser on this DevTools port shows last; nothing when no
// browser answers there or it shows no page.
std::optional<PageInformation> DevToolsPage(quint16 port, int timeoutMs = DevToolsTimeoutMs);

// The page a copied text stands for: one address (http, https, ftp or file)
// and nothing else; the address is its own title.
std::optional<PageInformation> CopiedPage(const QString& text);

// The browser's page by the rules above, with the settings in the file.
std::optional<PageInformation> AskBrowserForPage(const QString& settingsPath);

} // namespace rv
