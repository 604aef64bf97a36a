#include "client/shell/app/mdi-frame.h"
#include "client/shell/desktop/browser-link.h"
#include "client/shell/desktop/network-manager-service.h"
#include "client/shell/dialogs/settings/desktop-browsers.h"
#include "client/shell/dialogs/settings/preferences-dialog.h"
#include "platform/server-control.h"
#include "widgets/browser-launcher.h"
#include "widgets/message-box.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLocalSocket>
#include <QProcess>
#include <QUrl>

namespace rv
{
namespace
{

bool ServerRuns()
{
    const QString path = ServerControlSocketPath();
    if (path.isEmpty())
        return false;
    QLocalSocket probe;
    probe.connectToServer(path);
    return probe.waitForConnected(1000);
}

} // namespace

FrameServices DesktopServices(const QString& programFolder, const QString& dataFolder, const QString& settingsPath)
{
    FrameServices services;
    services.ProgramFolder = programFolder;
    services.DataFolder = dataFolder;
    services.SettingsPath = settingsPath;
    // A server that runs already (its own or one left from an earlier
    // session) keeps serving; a second one would end by itself anyway.
    services.StartServer = [programFolder]
    {
        if (!ServerRuns())
            QProcess::startDetached(QDir(programFolder).filePath(QStringLiteral("RVServer")), {});
    };
    services.ShutdownServer = [] { ServerShutdown(); };
    services.Beep = [] { QApplication::beep(); };
    services.OpenAddress = [settingsPath](const QString& address)
    { OpenInBrowser(QApplication::activeWindow(), address, settingsPath); };
    services.ShowHelp = [dataFolder, settingsPath](int context)
    {
        const QString page = context > 0 ? QString::number(context) + QStringLiteral(".html") : QStringLiteral("index.html");
        const QString url = QUrl::fromLocalFile(QDir(dataFolder).filePath(QStringLiteral("help/") + page)).toString();
        OpenInBrowser(QApplication::activeWindow(), url, settingsPath);
    };
    const QString filter = QStringLiteral("Brief Files (*.brf *.BRF)");
    services.AskSavePath = [filter](const QString& title, const QString& folder)
    {
        return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, folder, filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    };
    services.AskOpenPath = [filter](const QString& folder)
    { return QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), folder, filter); };
    // The browser is asked for only when the desktop offers none either:
    // addresses go to the desktop's default browser otherwise.
    services.FirstStartPrompts = [](TMDIFrame& frame)
    {
        const ClientSettings& settings = frame.Settings();
        if (settings.Dialer.UsingDialer && settings.Dialer.Selection.empty())
            frame.PreferencesClick(static_cast<int>(PreferencesPage::DialUp), static_cast<int>(PreferencesPrompt::SetDialer));
        if (settings.Browser.Path.empty() && DefaultBrowserDesktopId().isEmpty() && DesktopBrowsers({}).empty())
            frame.PreferencesClick(static_cast<int>(PreferencesPage::General), static_cast<int>(PreferencesPrompt::SetBrowser));
    };
    // Without NetworkManager on the system bus the service says so, and a
    // run needs only the network to be up.
    services.Connections = std::make_shared<NetworkManagerService>(QDBusConnection::systemBus());
    return services;
}

} // namespace rv
