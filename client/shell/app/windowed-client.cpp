#include "client/shell/app/windowed-client.h"

#include "client/shell/app/brief-hand-off.h"
#include "client/shell/app/mdi-frame.h"
#include "client/shell/stop-signals.h"
#include "platform/program-folders.h"
#include "platform/server-control.h"
#include "platform/settings-store.h"
#include "platform/single-instance.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <cstdio>
#include <string>

namespace rv
{
namespace
{

// The icons sit in the data folder in the build tree and in the desktop's
// icon folder beside it when installed.
QIcon ProgramIcon(const QString& dataFolder)
{
    QIcon icon;
    for (const char* folder : {"icons/hicolor", "../icons/hicolor"})
        for (int size : {16, 32, 48, 64, 128, 256})
        {
            const QString file =
                QDir(dataFolder)
                    .filePath(QStringLiteral("%1/%2x%2/apps/ravelin-client.png").arg(QString::fromLatin1(folder)).arg(size));
            if (QFileInfo::exists(file))
                icon.addFile(file);
        }
    return icon;
}

} // namespace

int RunWindowedClient(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    {
        std::fprintf(stderr, "RVClient: there is no display for its windows; without one, use --generate or "
                             "--schedule.\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Marrowby Works"));
    QApplication::setApplicationName(QStringLiteral("Ravelin"));
    QApplication::setApplicationDisplayName(QString::fromLatin1(ApplicationTitle));
    QApplication::setDesktopFileName(QStringLiteral("ravelin-client"));

    QStringList briefs;
    for (const QString& argument : QApplication::arguments().mid(1))
        briefs << QFileInfo(argument).absoluteFilePath();

    const SingleInstance instance(ClientLockPath());
    if (!instance.IsFirst())
    {
        if (HandBriefsOver(BriefHandOffSocketPath(), briefs))
            return 0;
        const qint64 holder = instance.HolderPid();
        std::fprintf(stderr, "RVClient is already running for this user%s without windows; nothing was opened.\n",
                     holder > 0 ? (" (process " + std::to_string(holder) + ")").c_str() : "");
        return 1;
    }

    const QString programFolder = QApplication::applicationDirPath();
    const QString dataFolder = DataFolderFor(programFolder);
    QApplication::setWindowIcon(ProgramIcon(dataFolder));
    TMDIFrame frame(DesktopServices(programFolder, dataFolder, DefaultSettingsPath()), briefs);
    BriefHandOff handOff;
    QObject::connect(&handOff, &BriefHandOff::BriefsHandedOver, &frame, &TMDIFrame::OpenHandedOver);
    handOff.Listen(BriefHandOffSocketPath());
    StopSignals stopSignals([&frame] { frame.CloseWhenIdle(); });
    frame.show();
    return QApplication::exec();
}

} // namespace rv
