// Smart Search queries: the keyword expression an entry's Smart Search
// looks for in its pages, parsed into a tree (client/pages/smart-search.h
// evaluates the tree against a page).
//
// An expression combines terms with "and", "or" and "not" (any letter case,
// each followed by white space) and parentheses. "and" and "or" have equal
// rank and combine from left to right; "not" covers the whole rest of its
// level, up to the closing parenthesis or the end. A term is a word (ended by
// white space or a parenthesis) or a phrase in double quotes, where \" stands
// for a quote character.
//
// Parsing uses explicit stacks: no recursion, so an expression of any
// nesting depth is safe. Reentrant; a TBinTree is used by one thread at a time.
#pragma once

#include "store/bin-tree.h"

#include <cstdint>
#include <string_view>

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

// Parses the expression into `tree`. Returns false, leaving the tree empty,
// for an empty expression or one that cannot be understood: an operator
// without its operands, two terms with no operator between them, empty or
// unbalanced parentheses, an unterminated or empty phrase.
bool ParseSmartSearch(std::string_view expression, TBinTree& tree);

// Whether an entry may keep this query: true when it parses.
bool SmartSearchQueryUnderstood(std::string_view query);

} // namespace rv
