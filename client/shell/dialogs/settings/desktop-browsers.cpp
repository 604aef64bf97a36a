#include "client/shell/dialogs/settings/desktop-browsers.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <algorithm>

namespace rv
{
namespace
{

// xdg-settings asks the desktop; a desktop that does not answer must not hold up the dialog.
constexpr int XdgSettingsTimeoutMs = 2000;

// Desktop files are small; a bigger file is no browser's.
constexpr qint64 MaxDesktopFileBytes = 256 * 1024;

// The program of an Exec= line: its first word, unquoted.
QString ExecProgram(const QString& exec)
{
    const QString line = exec.trimmed();
    if (line.startsWith(QLatin1Char('"')))
    {
        const qsizetype close = line.indexOf(QLatin1Char('"'), 1);
        return close < 0 ? QString() : line.mid(1, close - 1);
    }
    return line.section(QLatin1Char(' '), 0, 0);
}

} // namespace

std::optional<DesktopBrowser> BrowserFromDesktopFile(const QString& desktopId, const QByteArray& contents)
{
    bool inEntry = false;
    QString name, exec, mimeTypes;
    bool hidden = false;
    for (const QByteArray& raw : contents.split('\n'))
    {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')))
        {
            inEntry = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inEntry || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QStringLiteral("Name"))
            name = value;
        else if (key == QStringLiteral("Exec"))
            exec = value;
        else if (key == QStringLiteral("MimeType"))
            mimeTypes = value;
        else if (key == QStringLiteral("Hidden") || key == QStringLiteral("NoDisplay"))
            hidden = hidden || value == QStringLiteral("true");
    }
    if (hidden || !mimeTypes.split(QLatin1Char(';')).contains(QStringLiteral("x-scheme-handler/http")))
        return std::nullopt;
    QString program = ExecProgram(exec);
    if (program.isEmpty())
        return std::nullopt;
    if (!QFileInfo(program).isAbsolute())
        program = QStandardPaths::findExecutable(program);
    if (program.isEmpty() || !QFileInfo(program).isExecutable())
        return std::nullopt;
    return DesktopBrowser{desktopId, name.isEmpty() ? desktopId : name, program, false};
}

QStringList DesktopDataDirs()
{
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QString home = environment.value(QStringLiteral("XDG_DATA_HOME"));
    if (home.isEmpty() || !QDir::isAbsolutePath(home))
        home = QDir::homePath() + QStringLiteral("/.local/share");
    QString dirs = environment.value(QStringLiteral("XDG_DATA_DIRS"));
    if (dirs.isEmpty())
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    QStringList result{home};
    for (const QString& dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(dir))
            result.append(dir);
    return result;
}

std::vector<DesktopBrowser> DesktopBrowsers(const QString& defaultDesktopId)
{
    std::vector<DesktopBrowser> browsers;
    QStringList seen;
    for (const QString& dir : DesktopDataDirs())
    {
        const QDir applications(dir + QStringLiteral("/applications"));
        for (const QFileInfo& file : applications.entryInfoList({QStringLiteral("*.desktop")}, QDir::Files, QDir::Name))
        {
            if (seen.contains(file.fileName()) || file.size() > MaxDesktopFileBytes)
                continue;
            seen.append(file.fileName());
            QFile opened(file.filePath());
            if (!opened.open(QIODevice::ReadOnly))
                continue;
            if (std::optional<DesktopBrowser> browser = BrowserFromDesktopFile(file.fileName(), opened.readAll()))
            {
                browser->IsDefault = browser->DesktopId == defaultDesktopId;
                browsers.push_back(std::move(*browser));
            }
        }
    }
    std::stable_sort(browsers.begin(), browsers.end(),
                     [](const DesktopBrowser& a, const DesktopBrowser& b)
                     {
                         if (a.IsDefault != b.IsDefault)
                             return a.IsDefault;
                         return a.Name.compare(b.Name, Qt::CaseInsensitive) < 0;
                     });
    return browsers;
}

QString DefaultBrowserDesktopId()
{
    QProcess settings;
    settings.start(QStringLiteral("xdg-settings"), {QStringLiteral("get"), QStringLiteral("default-web-browser")});
    if (!settings.waitForFinished(XdgSettingsTimeoutMs))
    {
        settings.kill();
        settings.waitForFinished(XdgSettingsTimeoutMs);
        return {};
    }
    if (settings.exitStatus() != QProcess::NormalExit || settings.exitCode() != 0)
        return {};
    return QString::fromUtf8(settings.readAllStandardOutput()).trimmed();
}

} // namespace rv
