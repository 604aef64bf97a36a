#include "platform/browser-launch.h"

#include "platform/settings-store.h"
#include "platform/settings-table.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace rv
{

BrowserLoad DoBrowserLoad(const QString& url, const QString& settingsPath)
{
    const SettingsStore store(settingsPath);
    QStringList command;
    if (const std::optional<std::string> path = store.Setting(BrowserPathSetting.key))
        command = QProcess::splitCommand(QString::fromStdString(*path));
    if (command.isEmpty())
    {
        const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (opener.isEmpty())
            return BrowserLoad::NotSet;
        command << opener;
    }
    const QString program = command.takeFirst();
    // Browsers of old split their command line at blanks; an address is one word.
    command << QString(url).replace(QLatin1Char(' '), QLatin1String("%20"));
    return QProcess::startDetached(program, command) ? BrowserLoad::Started : BrowserLoad::Failed;
}

} // namespace rv
