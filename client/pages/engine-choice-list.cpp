#include "client/pages/engine-choice-list.h"

#include <algorithm>

namespace rv
{

EngineChoiceList::EngineChoiceList(const DefinitionSet& definitions, std::string_view packedEngines)
{
    const std::vector<std::string> chosen = UnpackNames(packedEngines);
    AddGroup(AdvancedSearchesHeader, definitions.AdvancedEngines, chosen);
    rows_.push_back({EngineRowKind::Empty, {}, false});
    AddGroup(SimpleSearchesHeader, definitions.SimpleEngines, chosen);
}

void EngineChoiceList::AddGroup(std::string_view header, const std::vector<SearchEngine>& engines,
                                const std::vector<std::string>& chosen)
{
    rows_.push_back({EngineRowKind::Header, std::string(header), false});
    for (const SearchEngine& engine : engines)
    {
        const bool checked = std::find(chosen.begin(), chosen.end(), engine.Name) != chosen.end();
        rows_.push_back({EngineRowKind::Engine, engine.Name, checked});
    }
}

bool EngineChoiceList::SetChecked(std::size_t row, bool checked)
{
    if (row >= rows_.size() || rows_[row].Kind != EngineRowKind::Engine)
    {
        return false;
    }
    rows_[row].Checked = checked;
    return true;
}

PackedList EngineChoiceList::SetSearchEngineList() const
{
    std::vector<std::string> names;
    for (const EngineRow& row : rows_)
    {
        if (row.Kind == EngineRowKind::Engine && row.Checked)
        {
            names.push_back(row.Text);
        }
    }
    return PackNames(names);
}

} // namespace rv
