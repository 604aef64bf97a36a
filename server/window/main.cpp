// rvserver-window: RVServer with its window TForm1 and tray icon. RVServer
// runs this program in its own place when it has a display and was not told
// --no-window, so that the headless server never loads Qt Gui and Widgets.
// It lives beside RVServer and takes the same arguments.
#include "platform/program-folders.h"
#include "server/server-app.h"
#include "server/window/server-window.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("RVServer"));
    QApplication::setApplicationDisplayName(QString::fromLatin1(rv::ServerWindowCaption));
    // The window may be hidden in the tray; the program ends when it closes.
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const rv::ServerAppPaths paths = rv::DefaultServerAppPaths(rv::DataFolderFor(QCoreApplication::applicationDirPath()));
    rv::TForm1 window(rv::ServerWindowOptions{paths.settingsPath, paths.serverDir, std::nullopt});
    rv::ServerApp server(paths, window);
    const int code = rv::RunUntilShutdown(server, arguments,
                                          [&]
                                          {
                                              window.AttachServer(&server.Server());
                                              window.onClosed = [] { QCoreApplication::quit(); };
                                              window.FormShowFirst();
                                          });
    window.AttachServer(nullptr);
    return code;
}
