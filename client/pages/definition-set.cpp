#include "client/pages/definition-set.h"

#include "client/pages/url-parts.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

namespace rv
{
namespace
{

// The regular files of a folder whose names end with `extension`, sorted.
std::vector<std::filesystem::path> FilesOf(const std::filesystem::path& folder, std::string_view extension)
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    {
        if (it->is_regular_file(error) && it->path().extension() == extension)
        {
            files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool NameBefore(const SearchEngine& a, const SearchEngine& b)
{
    return AsciiLower(a.Name) < AsciiLower(b.Name);
}

} // namespace

std::optional<std::string> ReadDefinitionFile(const std::filesystem::path& file)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > MaxDefinitionFileBytes)
    {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad() || bytes.size() > MaxDefinitionFileBytes)
    {
        return std::nullopt;
    }
    return bytes;
}

const SearchEngine* DefinitionSet::FindEngine(std::string_view name) const
{
    const auto it = std::find_if(Engines.begin(), Engines.end(), [name](const SearchEngine& e) { return e.Name == name; });
    return it == Engines.end() ? nullptr : &*it;
}

void AddEngines(DefinitionSet& set, std::vector<SearchEngine> engines)
{
    for (SearchEngine& engine : engines)
    {
        (engine.Advanced ? set.AdvancedEngines : set.SimpleEngines).push_back(engine);
        set.Engines.push_back(std::move(engine));
    }
    std::stable_sort(set.Engines.begin(), set.Engines.end(), NameBefore);
    std::stable_sort(set.AdvancedEngines.begin(), set.AdvancedEngines.end(), NameBefore);
    std::stable_sort(set.SimpleEngines.begin(), set.SimpleEngines.end(), NameBefore);
}

DefinitionSet LoadDefinitions(const std::filesystem::path& programFolder)
{
    DefinitionSet set;
    std::vector<SearchEngine> engines;
    for (const std::filesystem::path& file : FilesOf(programFolder, ".sel"))
    {
        const std::optional<std::string> bytes = ReadDefinitionFile(file);
        std::optional<SearchEngineFile> read = bytes ? ReadSearchEngineFile(*bytes) : std::nullopt;
        if (read)
        {
            engines.insert(engines.end(), read->Engines.begin(), read->Engines.end());
        }
    }
    AddEngines(set, std::move(engines));
    for (const std::filesystem::path& file : FilesOf(programFolder / "libs", ".ypf"))
    {
        const std::optional<std::string> bytes = ReadDefinitionFile(file);
        if (!bytes)
        {
            continue;
        }
        DirectoryFile read = ReadDirectoryFile(*bytes, file);
        MergeProperties(set.Properties, std::move(read.Properties));
    }
    return set;
}

} // namespace rv
