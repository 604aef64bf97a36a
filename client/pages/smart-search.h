// Smart Search: a parsed keyword expression (client/briefs/smart-search-query.h)
// evaluated against the text of a page.
//
// Evaluation and freeing use explicit stacks: no recursion, so an expression
// of any nesting depth is safe. All functions are reentrant; a TBinTree is
// used by one thread at a time.
#pragma once

#include "client/briefs/smart-search-query.h"
#include "store/bin-tree.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

struct SmartSearchOptions
{
    // Search inside tags too; when off, everything from "<" to the next ">"
    // is ignored.
    bool SearchHTML = true;
    // Search the head of the page too; when off, terms are searched from just
    // after the first "/head>" (from the start when there is none).
    bool CheckHeader = false;
    // Compare letters with their case; when off, ASCII letters match in any case.
    bool CaseSensitive = false;
};

struct SmartSearchResult
{
    bool Matched = false;
    // The terms that occur in the page, as written in the expression, each
    // once, in the order they were first found, joined by ", ".
    std::string MatchText;
    // Every occurrence of a term: start offset and one-past-the-end offset in
    // the page, sorted by start. Of occurrences with the same start only the
    // longest is kept.
    std::vector<std::size_t> MatchStarts;
    std::vector<std::size_t> MatchEnds;
};

// The page is read in windows of this many bytes.
inline constexpr std::size_t SmartSearchWindowBytes = 4999;

// Evaluates a parsed expression over the page. "or" evaluates both sides so
// that every matching term is recorded; "and" evaluates its right side only
// when the left side matched. An empty tree never matches.
SmartSearchResult EvaluateSmartSearch(const TBinTree& tree, std::string_view page, const SmartSearchOptions& options);

// Parses and evaluates; an expression that cannot be parsed never matches.
SmartSearchResult SmartSearch(std::string_view expression, std::string_view page, const SmartSearchOptions& options);

} // namespace rv
