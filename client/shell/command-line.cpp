#include "client/shell/command-line.h"

#include <string_view>

#ifndef RV_VERSION
#define RV_VERSION "unknown"
#endif

namespace rv
{

namespace
{

constexpr std::string_view Help = "Usage: RVClient [FILE.brf ...]\n"
                                  "       RVClient --generate [--quiet | --verbose] [--strict] FILE.brf ...\n"
                                  "       RVClient --schedule [--quiet | --verbose] FILE.brf ...\n"
                                  "       RVClient --package OUT.rvd BRIEF.brf\n"
                                  "       RVClient --package OUT.rvd ARCHIVE.rvd ENTRY...\n"
                                  "       RVClient --help | --version\n"
                                  "\n"
                                  "Ravelin's workbench: keeps briefs, runs them and writes retrieval archives.\n"
                                  "\n"
                                  "Modes:\n"
                                  "  (none)              open the windows, with the brief files given\n"
                                  "  --generate          run the briefs now without windows and exit when every\n"
                                  "                      brief has ended\n"
                                  "  --schedule          keep the briefs open without windows and run each at its\n"
                                  "                      scheduled times, until SIGTERM or SIGINT\n"
                                  "  --package           write a new archive: every kept retrieval of a brief, or\n"
                                  "                      the named entries of one archive\n"
                                  "  --help              print this text and exit\n"
                                  "  --version           print the version and exit\n"
                                  "\n"
                                  "Options of --generate and --schedule:\n"
                                  "  --quiet             print only errors and the summary of each brief\n"
                                  "  --verbose           also print one line per page stored or not retrieved,\n"
                                  "                      with the reason\n"
                                  "  --strict            exit 3 when the own page of any entry was not retrieved\n"
                                  "\n"
                                  "Each status-log line reads \"BRIEF  START  STATUS\". When standard error is a\n"
                                  "terminal, a live line per running brief shows pages stored, requests pending,\n"
                                  "pages not retrieved, bytes received, pages per second and the current address.\n"
                                  "A summary follows each brief.\n"
                                  "\n"
                                  "Exit status:\n"
                                  "  0  every brief ended \"Available\"\n"
                                  "  1  a brief failed: disk or memory error, or its file could not be saved\n"
                                  "  2  bad arguments, or a brief file that is missing, not a brief file or damaged\n"
                                  "  3  with --strict: the own page of an entry was not retrieved\n"
                                  "\n"
                                  "RVServer, the page server that shows the archives in the browser:\n"
                                  "  RVServer [--no-window] [ARCHIVE-PATH ...]\n"
                                  "  --no-window         run without window or tray icon; messages go to stderr\n"
                                  "  ARCHIVE-PATH        point the browser at these archives\n"
                                  "  --help, --version   as above\n";

bool IsMode(std::string_view argument, ClientMode& mode)
{
    if (argument == "--generate")
        mode = ClientMode::Generate;
    else if (argument == "--schedule")
        mode = ClientMode::Schedule;
    else if (argument == "--package")
        mode = ClientMode::Package;
    else if (argument == "--help")
        mode = ClientMode::Help;
    else if (argument == "--version")
        mode = ClientMode::Version;
    else
        return false;
    return true;
}

std::string CheckFiles(const CommandLine& line)
{
    switch (line.Mode)
    {
    case ClientMode::Generate:
    case ClientMode::Schedule:
        return line.Files.empty() ? "no brief file given" : "";
    case ClientMode::Package:
        return line.Files.size() < 2 ? "--package needs the archive to write and a brief file or an archive and its entries"
                                     : "";
    case ClientMode::Windows:
    case ClientMode::Help:
    case ClientMode::Version:
        break;
    }
    return "";
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLine line;
    bool modeSeen = false;
    bool filesOnly = false;
    for (const std::string& argument : arguments)
    {
        ClientMode mode = ClientMode::Windows;
        if (filesOnly || argument.empty() || argument[0] != '-' || argument == "-")
            line.Files.push_back(argument);
        else if (argument == "--")
            filesOnly = true;
        else if (argument == "--quiet")
            line.Output = Verbosity::Quiet;
        else if (argument == "--verbose")
            line.Output = Verbosity::Verbose;
        else if (argument == "--strict")
            line.Strict = true;
        else if (IsMode(argument, mode))
        {
            if (mode == ClientMode::Help || mode == ClientMode::Version)
            {
                line.Mode = mode;
                line.Error.clear();
                return line;
            }
            if (modeSeen && line.Error.empty())
                line.Error = "only one of --generate, --schedule and --package may be given";
            modeSeen = true;
            line.Mode = mode;
        }
        else if (line.Error.empty())
            line.Error = "unknown option " + argument;
    }
    if (line.Error.empty())
        line.Error = CheckFiles(line);
    return line;
}

std::string HelpText()
{
    return std::string(Help);
}

std::string VersionText()
{
    return std::string("RVClient (Ravelin) ") + RV_VERSION + "\n";
}

std::string UsageHint()
{
    return "Run RVClient --help for the modes and options.\n";
}

} // namespace rv
