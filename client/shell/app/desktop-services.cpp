#include "client/shell/app/mdi-frame.h"
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
    {
        if (DoBrowserLoad(address, settingsPath) == BrowserLoad::NotSet)
            ShowMessage(QApplication::activeWindow(), BrowserNotSet, MessageIcon::Error);
    };
    services.ShowHelp = [dataFolder, settingsPath](int context)
    {
        const QString page = context > 0 ? QString::number(context) + QStringLiteral(".html") : QStringLiteral("index.html");
        const QString url = QUrl::fromLocalFile(QDir(dataFolder).filePath(QStringLiteral("help/") + page)).toString();
        if (DoBrowserLoad(url, settingsPath) == BrowserLoad::NotSet)
            ShowMessage(QApplication::activeWindow(), BrowserNotSet, MessageIcon::Error);
    };
    const QString filter = QStringLiteral("Brief Files (*.brf *.BRF)");
    services.AskSavePath = [filter](const QString& title, const QString& folder)
    {
        return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, folder, filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    };
    services.AskOpenPath = [filter](const QString& folder)
    { return QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), folder, filter); };
    return services;
}

} // namespace rv
