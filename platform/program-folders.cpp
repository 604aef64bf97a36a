#include "platform/program-folders.h"

#include <QDir>
#include <QFileInfo>

namespace rv
{

QString DataFolderFor(const QString& programDir)
{
    const QDir beside(programDir);
    if (beside.exists(QStringLiteral("images")) || beside.exists(QStringLiteral("help")))
        return beside.absolutePath();
    const QString below = QDir::cleanPath(beside.absoluteFilePath(QStringLiteral("../share/ravelin")));
    if (QFileInfo(below).isDir())
        return below;
    return beside.absolutePath();
}

} // namespace rv
