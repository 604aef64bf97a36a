// What the engine list of the search-engine entry dialog shows and keeps:
// a header row "Advanced Searches", the engines of that group, an empty row,
// a header row "Simple Searches" and the engines of that group, each engine
// row with a check state. The window draws the rows and forwards clicks;
// this model owns the states and builds the packed list the entry keeps.
#pragma once

#include "client/pages/definition-set.h"
#include "client/pages/packed-list.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

inline constexpr std::string_view AdvancedSearchesHeader = "Advanced Searches";
inline constexpr std::string_view SimpleSearchesHeader = "Simple Searches";

enum class EngineRowKind
{
    Header,
    Empty,
    Engine,
};

struct EngineRow
{
    EngineRowKind Kind = EngineRowKind::Engine;
    std::string Text; // the header's text or the engine's name
    bool Checked = false;
};

class EngineChoiceList
{
public:
    // Rows for the definitions; an engine row is checked when its name is
    // in the entry's packed engine list.
    EngineChoiceList(const DefinitionSet& definitions, std::string_view packedEngines);

    const std::vector<EngineRow>& Rows() const { return rows_; }

    // Sets an engine row's check state; header, empty and unknown rows
    // cannot be chosen and are left as they are. Returns whether the row
    // is an engine row.
    bool SetChecked(std::size_t row, bool checked);

    // The packed list of the checked engines, in row order (-1 and no bytes
    // when none is checked).
    PackedList SetSearchEngineList() const;

private:
    void AddGroup(std::string_view header, const std::vector<SearchEngine>& engines, const std::vector<std::string>& chosen);

    std::vector<EngineRow> rows_;
};

} // namespace rv
