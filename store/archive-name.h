// Names of a brief's archives and of their working files.
#pragma once

#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

namespace rv
{

// The archive name for a retrieval started at localTime, without folder:
// stem "." month "-" day "-" year%100 "." hour "h" minute "m" second "s"
// (minute and second with two digits, the others without leading zeros),
// for example "Sports.12-7-99.4h05m09s".
std::string ArchiveStem(std::string_view briefStem, const std::tm& localTime);

// The archive for a retrieval of briefFile started at localTime, in the
// brief file's folder: ArchiveStem plus ".rvd", with "a" added before
// ".rvd" (then "aa", ...) while a file of that name exists.
std::filesystem::path NewArchivePath(const std::filesystem::path& briefFile, const std::tm& localTime);

// A working file of an archive: its path with the extension replaced
// (".ndx", ".nd2", ".smp").
std::filesystem::path SideFilePath(const std::filesystem::path& archive, std::string_view extension);

} // namespace rv
