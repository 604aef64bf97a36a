// Whole-file replacement for files that must never be left half written.
#pragma once

#include <string>
#include <string_view>

namespace rv
{

// Writes bytes to a new file in the folder of path, readable and writable by the owner only, flushes it to
// disk and renames it over path. On any failure (full disk, folder not writable) the new file is removed, the
// file at path is untouched, and the reason is returned; an empty result means success.
std::string ReplacePrivateFile(const std::string& path, std::string_view bytes);

} // namespace rv
