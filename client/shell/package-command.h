// The packaging tool without windows:
//
//   RVClient --package OUT.rvd BRIEF.brf              every entry of the brief's
//                                                      catalogue, each from its
//                                                      newest surviving archive
//   RVClient --package OUT.rvd ARCHIVE.rvd ENTRY...   the named entries of one
//                                                      archive
//
// An ENTRY is an entry's name as the archive's summary page shows it (the
// text after "Web Entry:"), or its place on that page counted from 1. An
// existing OUT.rvd is replaced once the package is whole, after the page
// server was told to let go of it.
//
// Prints one line saying what the package holds. Exit status: 0 written,
// 1 not written (the reason goes to stderr), 2 bad arguments.
//
// Threads: the main thread; it needs a QCoreApplication for the control
// channel.
#pragma once

#include <string>
#include <vector>

namespace rv
{

// `arguments` are those after "--package".
int RunPackageCommand(const std::vector<std::string>& arguments);

} // namespace rv
