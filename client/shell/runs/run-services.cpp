#include "client/shell/runs/run-services.h"

#include "client/shell/server-commands.h"
#include "widgets/browser-launcher.h"
#include "widgets/message-box.h"

#include <QApplication>
#include <QFileDialog>
#include <algorithm>

namespace rv
{

RunWindowServices DesktopRunServices(const QString& settingsPath, std::function<int()> serverPort)
{
    RunWindowServices services;
    services.OpenAddress = [settingsPath](const QString& address)
    {
        if (DoBrowserLoad(address, settingsPath) == BrowserLoad::NotSet)
            ShowMessage(QApplication::activeWindow(), BrowserNotSet, MessageIcon::Error);
    };
    services.ServerPort = std::move(serverPort);
    services.DeleteArchive = [](const std::filesystem::path& archive) { return DeleteArchiveFile(archive); };
    // Save dialogs never replace a file: the caller refuses an existing one.
    services.AskSavePath = [](const QString& title, const QString& folder, const QString& filter)
    {
        return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, folder, filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    };
    services.AskOpenPath = [](const QString& title, const QString& folder, const QString& filter)
    { return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, folder, filter); };
    return services;
}

QString ArchiveAddress(int port, const std::string& archive)
{
    std::string path = archive;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.starts_with('/'))
        path.erase(0, 1);
    return QStringLiteral("http://127.0.0.1:%1/").arg(port) + QString::fromLocal8Bit(path) + QStringLiteral("/");
}

} // namespace rv
