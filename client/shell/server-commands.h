// What the client tells the page server as the user works: let go of an
// archive before the client deletes it, and shut down when the client exits
// and the user wants that. (The preferences dialog moves the server to a
// new port itself.)
//
// Each call is a no-op towards the server when none runs; each blocks the
// calling thread (the main thread) for at most ServerCommandTimeoutMs.
#pragma once

#include "platform/settings-table.h"

#include <filesystem>

namespace rv
{

// Deletes an archive after the page server let go of it, trying twice: the
// server may still be sending a page of it when it is asked. True when the
// file is gone afterwards; a failed delete leaves it as it was.
[[nodiscard]] bool DeleteArchiveFile(const std::filesystem::path& archive);

// The client's main window closes: the server shuts down when "Close Server"
// is set.
void ServerOnClientExit(const ServerSettings& servers);

} // namespace rv
