// Addresses read from disk rather than fetched: "file:" addresses and
// drive-letter addresses ("c:/dir/page.htm", "c|/dir/page.htm"). Pure
// functions; any thread.
#pragma once

#include <filesystem>
#include <string_view>

namespace rv
{

// True for addresses read from disk rather than fetched.
bool IsLocalFileUrl(std::string_view url);

// The local path of a "file:" or drive address: "file:" and the slashes
// after it are dropped, "|" becomes ":", a drive letter is dropped, and the
// rest is taken from the root folder.
std::filesystem::path LocalFilePath(std::string_view url);

} // namespace rv
