#include "server/server-app.h"

#include "platform/server-control.h"
#include "platform/settings-store.h"
#include "server/archive-completion.h"
#include "server/browser-launcher.h"
#include "server/cumulative-page.h"
#include "server/text-util.h"

#include <QCoreApplication>
#include <QDir>

namespace rv
{

ServerAppPaths DefaultServerAppPaths(const QString& programDir)
{
    return {DefaultSettingsPath(), ServerLockPath(), ServerControlSocketPath(), programDir};
}

QStringList CommandLineArchive(const QStringList& arguments, const QString& currentDir)
{
    if (arguments.isEmpty())
        return {};
    const QString joined = arguments.join(QLatin1Char(' '));
    const bool driveLetter = joined.size() >= 2 && joined[1] == QLatin1Char(':');
    if (joined.startsWith(QLatin1Char('/')) || joined.startsWith(QLatin1Char('\\')) || driveLetter)
        return {joined};
    return {QDir::cleanPath(currentDir + QLatin1Char('/') + joined)};
}

ServerApp::ServerApp(ServerAppPaths paths, ServerUi& ui) : paths_(std::move(paths)), ui_(ui) {}

ServerApp::~ServerApp() = default;

ServerApp::Start ServerApp::Run(const QStringList& commandLine)
{
    const QStringList arguments = CommandLineArchive(commandLine, QDir::currentPath());
    const bool haveRuntimeDir = !paths_.lockPath.isEmpty() && !paths_.controlSocketPath.isEmpty();
    ServerSettingsReader settings(paths_.settingsPath);
    const int port = settings.Read().port;

    if (!haveRuntimeDir)
    {
        QString problem;
        UserRuntimeDir(&problem);
        ui_.ShowError(QString::fromLatin1(NoRuntimeFolderTitle), QString::fromLatin1(NoRuntimeFolderText) + problem);
    }
    else
        instance_ = std::make_unique<SingleInstance>(paths_.lockPath);
    if (instance_ && !instance_->IsFirst())
    {
        if (!arguments.isEmpty())
            OpenBrowser(arguments, port);
        return Start::SecondInstance;
    }

    server_ = std::make_unique<PageServer>(PageServerOptions{paths_.settingsPath, paths_.serverDir.toStdString()});
    server_->onCountersChanged = [this] { ui_.CountersChanged(); };
    RequestDispatcher& dispatcher = server_->Dispatcher();
    dispatcher.SetCompleter(CompleteArchive);
    dispatcher.SetVersionWarning(
        [this] { ui_.ShowError(QString::fromLatin1(UnfamiliarVersionTitle), QString::fromLatin1(UnfamiliarVersionText)); });
    dispatcher.SetCumulativeSource(DoCumulativePage);
    if (!server_->Listen())
    {
        ShowListenFailure();
        return Start::Failed;
    }

    if (haveRuntimeDir)
    {
        control_ = std::make_unique<ControlChannel>([this](const QString& topic, const QString& item)
                                                    { return HandleCommand(topic, item); });
        control_->Start(paths_.controlSocketPath);
    }

    if (!arguments.isEmpty())
        OpenBrowser(arguments, server_->Port());
    return Start::Running;
}

int RunUntilShutdown(ServerApp& server, const QStringList& arguments, const std::function<void()>& running)
{
    switch (server.Run(arguments))
    {
    case ServerApp::Start::SecondInstance:
        return 0;
    case ServerApp::Start::Failed:
        return 1;
    case ServerApp::Start::Running:
        break;
    }
    if (running)
        running();
    return QCoreApplication::exec();
}

bool ListenerNotCreated(QAbstractSocket::SocketError error)
{
    return error == QAbstractSocket::SocketResourceError || error == QAbstractSocket::UnsupportedSocketOperationError;
}

void ServerApp::ShowListenFailure()
{
    if (ListenerNotCreated(server_->ListenError()))
        ui_.ShowError(QString::fromLatin1(SocketsFailureTitle), QString::fromLatin1(SocketsFailureText));
    else
        ui_.ShowError(QString::fromLatin1(SocketUnavailableTitle), QString::fromLatin1(SocketUnavailableText));
}

void ServerApp::OpenBrowser(const QStringList& arguments, int port)
{
    if (DoBrowserLoad(ServerUrlFor(port, arguments), paths_.settingsPath) == BrowserLoad::NotSet)
        ui_.ShowError(QString::fromLatin1(BrowserNotSetTitle), QString::fromLatin1(BrowserNotSetText));
}

bool ServerApp::HandleCommand(const QString& topic, const QString& item)
{
    if (topic == QLatin1String("CloseFile"))
    {
        server_->CloseFile(item.toStdString());
        return true;
    }
    if (topic == QLatin1String("Shutdown"))
    {
        ui_.ShutdownRequested();
        return true;
    }
    if (topic == QLatin1String("Reset"))
    {
        const std::optional<std::int64_t> port = ParseDecimal(item.trimmed().toStdString());
        if (!port || *port < 1 || *port > 65535)
            return true; // not a port: nothing changes
        if (!server_->Reset(static_cast<int>(*port)))
        {
            ShowListenFailure();
            ui_.ShutdownRequested();
        }
        return true;
    }
    return false;
}

} // namespace rv
