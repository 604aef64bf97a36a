// The windowed RVClient: the main window on a QApplication, one per user.
//
//   RVClient [FILE.brf ...]
//
// A second windowed client hands its brief paths to the one that runs (which
// opens them and comes to the front) and ends at once, touching nothing; when
// the client that runs is a headless one, the second says so and exits 1.
// SIGTERM and SIGINT close the main window as the user does: the session is
// stored and the program ends, unless a run is under way (then it only
// beeps).
#pragma once

namespace rv
{

// Runs the program until its main window closes; the exit status.
int RunWindowedClient(int argc, char** argv);

} // namespace rv
