// Feeds arbitrary bytes to the Smart Search parser as a query, and evaluates
// what it accepts against a small page, as a user may type any query.
#include "client/pages/smart-search.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view query(reinterpret_cast<const char*>(data), size);
    rv::TBinTree tree;
    if (!rv::ParseSmartSearch(query, tree))
    {
        if (tree.Root())
            __builtin_trap();
        return 0;
    }
    if (!tree.Root())
        __builtin_trap();
    static constexpr std::string_view page =
        "<html><head><title>Alpha</title></head><body>beta \"gamma\" (delta)</body></html>";
    rv::SmartSearchOptions options;
    options.SearchHTML = size % 2 == 0;
    options.CaseSensitive = size % 3 == 0;
    options.CheckHeader = size % 5 == 0;
    const rv::SmartSearchResult result = rv::EvaluateSmartSearch(tree, page, options);
    if (result.MatchStarts.size() != result.MatchEnds.size())
        __builtin_trap();
    for (std::size_t i = 0; i < result.MatchStarts.size(); ++i)
    {
        if (result.MatchEnds[i] > page.size() || result.MatchStarts[i] >= result.MatchEnds[i] ||
            (i > 0 && result.MatchStarts[i - 1] >= result.MatchStarts[i]))
            __builtin_trap();
    }
    return 0;
}
