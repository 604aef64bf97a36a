// RVServer: serves the user's stored briefs to the browser on 127.0.0.1.
//
//   RVServer [--no-window] [ARCHIVE-PATH ...]
//
// With paths, the browser is pointed at them (by this instance, or by the
// one already running). --no-window runs without window or tray and writes
// messages to stderr.
#include "server/server-app.h"

#include <QCoreApplication>
#include <QTextStream>

namespace
{

class HeadlessUi : public rv::ServerUi
{
public:
    void ShowError(const QString& title, const QString& text) override
    {
        QTextStream(stderr) << "RVServer: " << title << ": " << text << Qt::endl;
    }
    void ShutdownRequested() override { QCoreApplication::quit(); }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("RVServer"));
    QStringList arguments = QCoreApplication::arguments().mid(1);
    arguments.removeAll(QStringLiteral("--no-window"));

    HeadlessUi ui;
    rv::ServerApp server(rv::DefaultServerAppPaths(QCoreApplication::applicationDirPath()), ui);
    switch (server.Run(arguments))
    {
    case rv::ServerApp::Start::SecondInstance:
        return 0;
    case rv::ServerApp::Start::Failed:
        return 1;
    case rv::ServerApp::Start::Running:
        break;
    }
    return QCoreApplication::exec();
}
