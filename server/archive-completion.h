// Completing an archive that a run left without an index: the site maps and
// match pages are built from the ".smp" side file, the records of ".nd2" and
// ".ndx" become the archive's index, and the side files are deleted.
//
// An archive whose writer still holds its lock is never touched: completing
// it would write into a file another process is writing. Nor is one whose
// files are not all regular files of the server's own user, reached without
// a symbolic link: the folder a request names may be someone else's, and
// completing must not read or change a file through it. The files written
// (archive, ".ndx", ".nd2") must also have a single name and be writable by
// their owner only. Side files beyond the largest index a reader loads are
// refused.
#pragma once

#include <filesystem>

namespace rv
{

// Returns true when the archive was completed. False when a writer holds
// it, a file is refused as above, a side file is missing or cannot be read,
// or a write fails; side files not yet deleted stay.
bool CompleteArchive(const std::filesystem::path& archive);

} // namespace rv
