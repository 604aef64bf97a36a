#include "client/shell/desktop/browser-link.h"

#include "client/pages/desktop-entry.h"
#include "platform/settings-store.h"
#include "platform/settings-table.h"
#include "widgets/message-box.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>

namespace rv
{

namespace
{

// Desktop files larger than this are no desktop files.
constexpr qint64 MaxDesktopFileBytes = 256 * 1024;

QString DesktopFilePath(const QString& id)
{
    // An id "org.example-browser.desktop" may also live as "org/example-browser.desktop".
    QStringList names{id};
    if (id.contains(QLatin1Char('-')))
        names << QString(id).replace(QLatin1Char('-'), QLatin1Char('/'));
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation))
    {
        for (const QString& name : names)
        {
            const QString path = QDir(folder).filePath(name);
            if (QFile::exists(path))
                return path;
        }
    }
    return {};
}

} // namespace

QStringList DesktopBrowserCommand()
{
    const QString settings = QStandardPaths::findExecutable(QStringLiteral("xdg-settings"));
    if (settings.isEmpty())
        return {};
    QProcess query;
    query.start(settings, {QStringLiteral("get"), QStringLiteral("default-web-browser")});
    if (!query.waitForFinished(5000) || query.exitCode() != 0)
    {
        query.kill();
        return {};
    }
    const QString id = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
    if (id.isEmpty() || id.contains(QLatin1Char('/')) || !id.endsWith(QLatin1String(".desktop")))
        return {};
    QFile file(DesktopFilePath(id));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = file.read(MaxDesktopFileBytes);
    const std::map<std::string, std::string> keys = ReadDesktopEntry(std::string_view(text.constData(), text.size()));
    const auto exec = keys.find("Exec");
    if (exec == keys.end())
        return {};
    QStringList command;
    for (const std::string& word : ExecProgramWords(exec->second))
        command << QString::fromStdString(word);
    if (!command.isEmpty() && QStandardPaths::findExecutable(command.front()).isEmpty())
        return {};
    return command;
}

BrowserLoad OpenInBrowser(QWidget* parent, const QString& url, const QString& settingsPath)
{
    const BrowserLoad load = DoBrowserLoad(url, settingsPath);
    if (load == BrowserLoad::NotSet)
        ShowMessage(parent, ClientBrowserNotSet, MessageIcon::Error);
    return load;
}

std::optional<PageInformation> DevToolsPage(quint16 port, int timeoutMs)
{
    if (port == 0)
        return std::nullopt;
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(timeoutMs))
        return std::nullopt;
    // The endpoint wants a Host header naming the loopback address.
    socket.write("GET /json/list HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) + "\r\nConnection: close\r\n\r\n");
    QByteArray answer;
    while (answer.size() <= MaxDevToolsAnswerBytes && socket.waitForReadyRead(timeoutMs))
        answer += socket.read(MaxDevToolsAnswerBytes + 1 - answer.size());
    answer += socket.read(std::max<qint64>(0, MaxDevToolsAnswerBytes + 1 - answer.size()));
    const qsizetype body = answer.indexOf("\r\n\r\n");
    if (!answer.startsWith("HTTP/1.1 200") || body < 0 || answer.size() > MaxDevToolsAnswerBytes)
        return std::nullopt;
    // The endpoint lists the tab used last first.
    const QJsonArray targets = QJsonDocument::fromJson(answer.mid(body + 4)).array();
    for (const QJsonValue& value : targets)
    {
        const QJsonObject target = value.toObject();
        const QString url = target.value(QLatin1String("url")).toString();
        if (target.value(QLatin1String("type")).toString() != QLatin1String("page") || url.isEmpty())
            continue;
        QString title = target.value(QLatin1String("title")).toString();
        if (title.isEmpty())
            title = url;
        return PageInformation{url.toStdString(), title.toStdString()};
    }
    return std::nullopt;
}

std::optional<PageInformation> CopiedPage(const QString& text)
{
    const QString address = text.trimmed();
    static const char* const schemes[] = {"http://", "https://", "ftp://", "file:"};
    bool known = false;
    for (const char* scheme : schemes)
        known = known || address.startsWith(QLatin1String(scheme), Qt::CaseInsensitive);
    for (const QChar c : address)
        known = known && !c.isSpace();
    if (!known || address.size() <= 7)
        return std::nullopt;
    return PageInformation{address.toStdString(), address.toStdString()};
}

std::optional<PageInformation> AskBrowserForPage(const QString& settingsPath)
{
    int port = BrowserDevToolsPortSetting.fallback;
    {
        const SettingsStore store(settingsPath);
        if (const std::optional<std::string> stored = store.Setting(BrowserDevToolsPortSetting.key))
            port = IntFromText(BrowserDevToolsPortSetting, *stored);
    }
    if (std::optional<PageInformation> page = DevToolsPage(static_cast<quint16>(port)))
        return page;
    if (const QClipboard* clipboard = QGuiApplication::clipboard())
        return CopiedPage(clipboard->text());
    return std::nullopt;
}

} // namespace rv
