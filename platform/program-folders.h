// Where a program finds the files that ship with it (images, help pages,
// definition files, sample briefs). In the build tree they are copied beside
// the executables; an installed program keeps them in <prefix>/share/ravelin
// while it lives in <prefix>/bin.
//
// Pure functions of the file system; any thread.
#pragma once

#include <QString>

namespace rv
{

// The folder of the data files for a program whose executable lives in
// programDir: programDir itself when it holds "images" or "help", else
// programDir/../share/ravelin when that exists, else programDir. The result
// has no trailing "/".
QString DataFolderFor(const QString& programDir);

} // namespace rv
