#include "server/browser-launcher.h"

namespace rv
{

QString ServerUrlFor(int port, const QStringList& paths)
{
    QString joined = paths.join(QLatin1Char(' '));
    while (joined.startsWith(QLatin1Char('/')))
        joined.remove(0, 1);
    joined.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QStringLiteral("http://127.0.0.1:") + QString::number(port) + QLatin1Char('/') + joined + QLatin1Char('/');
}

} // namespace rv
