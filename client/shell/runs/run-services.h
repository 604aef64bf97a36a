// What the run windows need from outside: the browser, the page server, the
// file dialogs and the engine's stop and skip. The main window hands in the
// real ones; tests hand in recorders.
//
// Threads: the main thread only.
#pragma once

#include <QString>
#include <filesystem>
#include <functional>

namespace rv
{

struct TBrief;

struct RunWindowServices
{
    std::function<void(const QString& address)> OpenAddress;
    std::function<int()> ServerPort;
    // Asks the page server to let go of the archive and deletes it; true when
    // the file is gone.
    std::function<bool(const std::filesystem::path& archive)> DeleteArchive;
    // A save or open dialog: the chosen path, or empty when cancelled.
    std::function<QString(const QString& title, const QString& folder, const QString& filter)> AskSavePath;
    std::function<QString(const QString& title, const QString& folder, const QString& filter)> AskOpenPath;
    // The engine's Stop Brief and Skip Entry, after the user confirmed them;
    // the entry is given by its position in the brief.
    std::function<void(const TBrief& brief)> StopBrief;
    std::function<void(const TBrief& brief, int entry)> SkipEntry;
};

// The services that talk to the real browser, server and file dialogs; stop
// and skip are left to the caller.
RunWindowServices DesktopRunServices(const QString& settingsPath, std::function<int()> serverPort);

// "http://127.0.0.1:" + port + "/" + the archive path without its leading
// "/", every "\" turned into "/", + "/".
QString ArchiveAddress(int port, const std::string& archive);

} // namespace rv
