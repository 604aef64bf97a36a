// The server's addresses for the browser; the browser itself is started by
// the launcher that both programs share.
#pragma once

#include "platform/browser-launch.h"

#include <QString>
#include <QStringList>

namespace rv
{

// The server address of an archive or of the paths given on the command line:
// "http://127.0.0.1:" + port + "/" + the paths joined by blanks, encoded as an
// archive path, + "/".
QString ServerUrlFor(int port, const QStringList& paths);

} // namespace rv
