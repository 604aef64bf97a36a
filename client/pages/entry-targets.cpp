#include "client/pages/entry-targets.h"

#include "client/pages/packed-list.h"
#include "client/pages/url-parts.h"

namespace rv
{
namespace
{

bool KeptAsIs(unsigned char c)
{
    return c > 32 && c < 127 && c != '%' && c != '&' && c != '+' && c != '#' && c != '"' && c != '<' && c != '>';
}

std::string_view QueryText(const TWebPage& entry)
{
    if (entry.Kind == EntryKind::Search)
    {
        return entry.EntryName;
    }
    return entry.YahooSearch ? std::string_view(*entry.YahooSearch) : std::string_view();
}

std::string Caption(const TWebPage& entry)
{
    return entry.NameSet ? entry.EntryName : UnnamedEntryName(entry);
}

// A search entry names its engines; a directory entry keeps each engine's
// name and query address, separated by a tab.
void AddEngineTargets(const TWebPage& entry, const DefinitionSet& definitions, std::vector<EntryTarget>& targets)
{
    const bool directory = entry.Kind == EntryKind::Yahoo;
    const std::string query = QueryForAddress(QueryText(entry));
    for (const std::string& item : UnpackNames(entry.EngineList))
    {
        const std::size_t tab = item.find('\t');
        if (directory && tab != std::string::npos)
        {
            targets.push_back({item.substr(0, tab), FinishSearchAddress(item.substr(tab + 1) + query)});
        }
        else if (const SearchEngine* engine = definitions.FindEngine(item))
        {
            targets.push_back({engine->Name, FinishSearchAddress(engine->QueryAddress + "?" + engine->QueryPrefix + query)});
        }
    }
}

void AddCategoryTargets(const TWebPage& entry, std::vector<EntryTarget>& targets)
{
    for (const std::string& item : UnpackNames(entry.CategoryList))
    {
        const std::size_t tab = item.find('\t');
        if (tab != std::string::npos)
        {
            targets.push_back({item.substr(0, tab), item.substr(tab + 1)});
        }
    }
}

} // namespace

std::string QueryForAddress(std::string_view query)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(query.size());
    for (const char ch : query)
    {
        const auto c = static_cast<unsigned char>(ch);
        if (c == ' ' || c == '\t')
        {
            out += '+';
        }
        else if (KeptAsIs(c))
        {
            out += ch;
        }
        else
        {
            out += '%';
            out += Hex[c >> 4];
            out += Hex[c & 15];
        }
    }
    return out;
}

std::string FinishSearchAddress(std::string address)
{
    if (StartsWithNoCase(address, "file:"))
    {
        return address;
    }
    std::size_t hostStart = 0;
    const std::size_t scheme = address.find("://");
    if (scheme != std::string::npos && address.find_first_of("/.") > scheme)
    {
        if (StartsWithNoCase(address, "http://"))
        {
            address.erase(0, scheme + 3);
        }
        else
        {
            hostStart = scheme + 3;
        }
    }
    const std::size_t query = address.find('?', hostStart);
    const std::size_t hostEnd = query == std::string::npos ? address.size() : query;
    if (address.find_first_of("/\\", hostStart) >= hostEnd)
    {
        address.insert(hostEnd, "/");
    }
    return address;
}

std::string SearchAddress(const SearchEngine& engine, std::string_view query)
{
    return FinishSearchAddress(engine.QueryAddress + "?" + engine.QueryPrefix + QueryForAddress(query));
}

std::string DirectorySearchAddress(std::string_view host, std::string_view query)
{
    return FinishSearchAddress(std::string(host) + "/bin/search?p=" + QueryForAddress(query));
}

std::string DirectoryEngineText(const SearchEngine& engine)
{
    return engine.Name + "\t" + engine.QueryAddress + "?" + engine.QueryPrefix;
}

std::vector<EntryTarget> EntryTargets(const TWebPage& entry, const DefinitionSet& definitions)
{
    std::vector<EntryTarget> targets;
    switch (entry.Kind)
    {
    case EntryKind::Web:
        targets.push_back({Caption(entry), entry.URL});
        break;
    case EntryKind::Search:
        AddEngineTargets(entry, definitions, targets);
        break;
    case EntryKind::Yahoo:
        if (entry.SearchYahoo)
        {
            targets.push_back(
                {std::string(DirectorySearchName), DirectorySearchAddress(definitions.DirectorySearchHost, QueryText(entry))});
        }
        AddEngineTargets(entry, definitions, targets);
        AddCategoryTargets(entry, targets);
        break;
    }
    return targets;
}

} // namespace rv
