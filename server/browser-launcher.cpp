#include "server/browser-launcher.h"

#include "store/server-address.h"

namespace rv
{

QString ServerUrlFor(int port, const QStringList& paths)
{
    const QByteArray joined = paths.join(QLatin1Char(' ')).toUtf8();
    return QString::fromStdString(ServerPageAddress(port, std::string_view(joined.constData(), joined.size())));
}

} // namespace rv
