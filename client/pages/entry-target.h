// One address an entry's run starts from: a web entry has one (its URL); a
// search-engine entry has one per chosen engine (the engine's query address
// for the entry's query) and a directory entry one per chosen category.
// Name is the engine's or category's name (the entry's caption for a web
// entry). Each target takes its own link number in the run.
#pragma once

#include <string>

namespace rv
{

struct EntryTarget
{
    std::string Name;
    std::string Url;
};

} // namespace rv
