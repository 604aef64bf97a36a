// Programs that run another program of the installation in their own place
// (the windows of a program live in a program of their own, so that runs
// without windows never load Qt Gui and Widgets).
#pragma once

namespace rv
{

// Replaces this process with the program `name` from this program's folder,
// given the same arguments (argv[0] included). Returns only when that
// failed, with errno telling why.
void ExecSiblingProgram(const char* name, char** argv);

} // namespace rv
