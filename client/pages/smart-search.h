// Smart Search: a keyword expression evaluated against the text of a page.
//
// An expression combines terms with "and", "or" and "not" (any letter case,
// each followed by white space) and parentheses. "and" and "or" have equal
// rank and combine from left to right; "not" covers the whole rest of its
// level, up to the closing parenthesis or the end. A term is a word (ended by
// white space or a parenthesis) or a phrase in double quotes, where \" stands
// for a quote character.
//
// Plain C++ (no Qt), so that the parser can be fuzzed on its own. Parsing,
// evaluation and freeing use explicit stacks: no recursion, so an expression
// of any nesting depth is safe. All functions are reentrant; a TBinTree is
// used by one thread at a time.
#pragma once

#include "store/bin-tree.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

// Node kinds stored in TBinTreeNode::Value. A term keeps its text in Text; a
// "not" keeps its operand in Left.
enum SmartSearchNodeKind : std::int32_t
{
    SmartSearchTerm = 0,
    SmartSearchOr = 1,
    SmartSearchAnd = 2,
    SmartSearchNot = 3,
};

// Parses the expression into `tree`. Returns false, leaving the tree empty,
// for an empty expression or one that cannot be understood: an operator
// without its operands, two terms with no operator between them, empty or
// unbalanced parentheses, an unterminated or empty phrase.
bool ParseSmartSearch(std::string_view expression, TBinTree& tree);

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

// Installs this parser as the check the entry setup applies to a Smart Search
// query (client/briefs/smart-search-hook.h). Call once at start-up on the main
// thread, before any setup dialog applies its values.
void InstallSmartSearchParser();

} // namespace rv
