#include "client/pages/search-engine-file.h"

#include "client/briefs/word-stream.h"
#include "client/pages/packed-list.h"

namespace rv
{
namespace
{

enum SearchEngineTag : std::uint16_t
{
    NameTag = 2,
    QueryAddressTag = 3,
    QueryPrefixTag = 4,
    GroupTag = 5,
};

// Header after the magic: two 16-bit values.
constexpr std::size_t HeaderBytes = SearchEngineMagic.size() + 4;

void Keep(std::optional<SearchEngine>& engine, std::vector<SearchEngine>& engines)
{
    if (engine && !engine->Name.empty() && engine->Name.size() <= MaxPackedItem)
    {
        engines.push_back(std::move(*engine));
    }
    engine.reset();
}

void Apply(std::uint16_t tag, std::string_view data, SearchEngine& engine)
{
    switch (tag)
    {
    case QueryAddressTag:
        engine.QueryAddress.assign(data);
        break;
    case QueryPrefixTag:
        engine.QueryPrefix.assign(data);
        break;
    case GroupTag:
        // A short group record counts as zero ("Simple Searches").
        engine.Advanced = data.size() >= 2 && (data[0] != 0 || data[1] != 0);
        break;
    default:
        break;
    }
}

void Record(WordWriter& out, std::uint16_t tag, std::string_view text)
{
    out.Word(tag);
    out.Text(text);
}

} // namespace

std::optional<SearchEngineFile> ReadSearchEngineFile(std::string_view bytes)
{
    if (bytes.substr(0, SearchEngineMagic.size()) != SearchEngineMagic)
    {
        return std::nullopt;
    }
    SearchEngineFile file;
    if (bytes.size() < HeaderBytes)
    {
        file.Truncated = true;
        return file;
    }
    WordReader in(bytes.substr(HeaderBytes));
    std::optional<SearchEngine> engine;
    while (!in.AtEnd())
    {
        std::uint16_t tag = 0;
        std::uint16_t length = 0;
        std::string_view data;
        if (!in.Word(tag) || !in.Word(length) || !in.Bytes(length, data))
        {
            // The engine being defined may lack its later records: drop it.
            file.Truncated = true;
            engine.reset();
            break;
        }
        if (tag == NameTag)
        {
            Keep(engine, file.Engines);
            engine.emplace();
            engine->Name.assign(data);
        }
        else if (engine)
        {
            Apply(tag, data, *engine);
        }
    }
    Keep(engine, file.Engines);
    return file;
}

std::string WriteSearchEngineFile(const std::vector<SearchEngine>& engines)
{
    WordWriter out;
    out.Bytes(SearchEngineMagic);
    out.Word(1);
    out.Word(0);
    for (const SearchEngine& engine : engines)
    {
        Record(out, NameTag, engine.Name);
        Record(out, QueryAddressTag, engine.QueryAddress);
        Record(out, QueryPrefixTag, engine.QueryPrefix);
        out.Word(GroupTag);
        out.Word(2);
        out.Word(engine.Advanced ? 1 : 0);
    }
    return out.Take();
}

} // namespace rv
