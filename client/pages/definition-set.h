// The search engines and directory properties the client knows: read once
// at start-up from every "*.sel" file in the program folder and every
// "libs/*.ypf" file under it, and read-only afterwards, so any thread may
// use a loaded set.
#pragma once

#include "client/pages/directory-library.h"
#include "client/pages/search-engine-file.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

// The host of the directory's own search; its path is "/bin/search" with
// the query after "?p=".
inline constexpr std::string_view DefaultDirectorySearchHost = "search.yahoo.com";

// Definition files larger than this are skipped unread: the shipped ones
// are a few kilobytes (trees are compressed), and the limit bounds what a
// damaged file can make the client hold.
inline constexpr std::uintmax_t MaxDefinitionFileBytes = std::uintmax_t{1} << 20;

struct DefinitionSet
{
    // Every engine, and the engines of each group, each sorted by name
    // ignoring ASCII case (engines of equal names keep their file order).
    std::vector<SearchEngine> Engines;
    std::vector<SearchEngine> AdvancedEngines;
    std::vector<SearchEngine> SimpleEngines;
    // Directory properties in the order of their files' names, merged.
    std::vector<DirectoryProperty> Properties;
    std::string DirectorySearchHost{DefaultDirectorySearchHost};

    // The first engine of exactly this name, or null.
    const SearchEngine* FindEngine(std::string_view name) const;
};

// Reads the definition files of a program folder. Files are read in the
// order of their names; a file with a wrong magic or version, one that
// cannot be read, and one over MaxDefinitionFileBytes are skipped. A missing
// folder gives an empty set.
DefinitionSet LoadDefinitions(const std::filesystem::path& programFolder);

// The bytes of one definition file; nothing when it cannot be read or is
// larger than MaxDefinitionFileBytes.
std::optional<std::string> ReadDefinitionFile(const std::filesystem::path& file);

// Adds one file's engines and sorts the lists again (for tests and tools).
void AddEngines(DefinitionSet& set, std::vector<SearchEngine> engines);

} // namespace rv
