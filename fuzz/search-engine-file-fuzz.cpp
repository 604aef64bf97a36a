// Feeds arbitrary bytes to the search-engine file reader, as any "*.sel"
// file beside the client may hold anything. What it accepts must write back
// to a file that reads the same, and every engine must make addresses and
// dialog rows without fault.
#include "client/pages/engine-choice-list.h"
#include "client/pages/entry-targets.h"
#include "client/pages/search-engine-file.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<rv::SearchEngineFile> file = rv::ReadSearchEngineFile(bytes);
    if (!file)
    {
        return 0;
    }
    std::vector<std::string> names;
    for (const rv::SearchEngine& engine : file->Engines)
    {
        if (engine.Name.empty() || engine.Name.size() > rv::MaxPackedItem)
            __builtin_trap();
        names.push_back(engine.Name);
    }
    const std::optional<rv::SearchEngineFile> again = rv::ReadSearchEngineFile(rv::WriteSearchEngineFile(file->Engines));
    if (!again || again->Truncated || again->Engines != file->Engines)
        __builtin_trap();

    rv::DefinitionSet set;
    rv::AddEngines(set, file->Engines);
    rv::TWebPage entry = rv::MakeEntry(rv::EntryKind::Search);
    entry.EntryName = "two words";
    entry.EngineList = rv::PackNames(names).Bytes;
    const std::vector<rv::EntryTarget> targets = rv::EntryTargets(entry, set);
    if (targets.size() > names.size())
        __builtin_trap();
    rv::EngineChoiceList list(set, entry.EngineList);
    if (list.Rows().size() != file->Engines.size() + 3)
        __builtin_trap();
    return 0;
}
