// RVClient's command line: what the user asked for, and the texts of
// --help and --version. Parsing never prints; main.cpp acts on the result.
//
//   RVClient [FILE.brf ...]                        the windows, with these briefs open
//   RVClient --generate [OPTIONS] FILE.brf ...     run the briefs now, without windows
//   RVClient --schedule [OPTIONS] FILE.brf ...     run them at their scheduled times
//   RVClient --package OUT.rvd BRIEF.brf           package a brief's kept retrievals
//   RVClient --package OUT.rvd ARCHIVE.rvd ENTRY...
//   RVClient --help | --version
//
// Options go anywhere after the program name: --quiet, --verbose, --strict.
#pragma once

#include <string>
#include <vector>

namespace rv
{

// What RVClient exits with.
enum ExitStatus : int
{
    ExitAvailable = 0,        // every brief ended "Available"
    ExitBriefFailed = 1,      // a brief failed: disk or memory error, its file could not be saved
    ExitBadArguments = 2,     // bad arguments, or a brief file that cannot be read
    ExitEntryPageMissing = 3, // with --strict: an entry's own page was not retrieved
};

enum class ClientMode
{
    Windows,
    Generate,
    Schedule,
    Package,
    Help,
    Version,
};

// How much the headless modes print besides the summary and errors.
enum class Verbosity
{
    Quiet,   // errors and the summary only
    Normal,  // also the status-log lines (and the live line on a terminal)
    Verbose, // also one line per stored page and per page not retrieved
};

struct CommandLine
{
    ClientMode Mode = ClientMode::Windows;
    // Brief files; for --package the output archive first, then its sources.
    std::vector<std::string> Files;
    Verbosity Output = Verbosity::Normal;
    bool Strict = false;
    // Set when the arguments are bad: what is wrong, in one sentence.
    std::string Error;
};

// Reads the arguments after the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The text of --help (both programs' modes and options, and the exit
// statuses) and of --version.
std::string HelpText();
std::string VersionText();
// One line pointing at --help, printed after an error.
std::string UsageHint();

} // namespace rv
