// Reading a whole file the server keeps in memory (images, side files).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace rv
{

// The bytes of a regular file of at most maxBytes, or nothing for a missing
// file, a device, a pipe, a folder, a larger file or a read error. Devices
// and pipes are refused because reading them could block or never end.
std::optional<std::string> ReadSmallFile(const std::filesystem::path& path, std::uintmax_t maxBytes);

} // namespace rv
