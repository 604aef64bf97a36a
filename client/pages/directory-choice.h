// What the directory entry dialog shows and keeps: the directories and main
// topics ("Select Directory and Main Topic:"), the category tree of the
// selected one ("Pick specific Categories:") with a box per category, the
// entry's chosen categories ("Selected Categories:") and the engines of the
// directory's engine list ("Select &Yahoo! Search Engines:"). The window
// draws these and forwards clicks; this model owns every state and builds
// the packed lists the entry keeps. Used on the thread that owns the entry.
#pragma once

#include "client/briefs/web-page.h"
#include "client/pages/definition-set.h"
#include "client/pages/engine-choice-list.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

// The four box pictures of a category, by the names of their images.
enum class CategoryBoxImage
{
    Empty,     // "EMPTYBOX": not chosen, nothing chosen below
    Check,     // "CHECKBOX": chosen, nothing chosen below
    Gray,      // "GRAYBOX": not chosen, something chosen below
    GrayCheck, // "GRAYCHECK": chosen, and something chosen below
};

const char* CategoryBoxImageName(CategoryBoxImage image);

struct CategoryBox
{
    std::string Name;
    std::string Category; // the text kept in the entry's category list
    bool Selected = false;
    int SelectedBelow = 0; // chosen categories among the descendants
    std::vector<CategoryBox> Children;

    CategoryBoxImage Image() const;
};

// A category's text: the names from the selected directory down to the
// category, joined by BEL (code 7), a tab, and the category's address.
std::string CategoryText(const std::vector<std::string>& names, std::string_view address);

// The category's address: the base address, "/", and the address part; the
// "/" is left out when the base ends with one or the part begins with one
// (and one of the two is dropped when both have it). An empty base gives the
// part alone.
std::string CategoryAddress(std::string_view base, std::string_view addressPart);

class DirectoryChoice
{
public:
    // The entry's chosen categories and engines as the dialog opens.
    DirectoryChoice(const DefinitionSet& definitions, const TWebPage& entry);

    const std::vector<DirectoryProperty>& Properties() const { return definitions_.Properties; }

    // Selects a directory (and one of its main topics) and loads its
    // category tree from its file. An unknown selection, or a file that
    // cannot be read or holds no valid tree, leaves the tree empty and
    // returns false.
    bool PropertiesListChange(std::size_t property, std::optional<std::size_t> subItem = std::nullopt);

    // Shows `tree` as the categories of the selected directory: `names` are
    // the names that begin every category text, `base` the base address.
    void HandleTreeData(const CategoryNode& tree, const std::vector<std::string>& names, std::string_view base);

    const std::vector<CategoryBox>& Categories() const { return categories_; }

    // Chooses the category at `path` (child indexes from the top) when it is
    // not chosen, else removes it from the chosen list. A path that names no
    // category, or a category whose text is too long for the packed list,
    // changes nothing and returns false.
    bool CategoriesListClick(const std::vector<std::size_t>& path);

    // Removes a category from the chosen list (by its position there).
    bool RemoveSelected(std::size_t index);

    // The chosen categories, in the order they were chosen.
    const std::vector<std::string>& SelectedCategories() const { return selected_; }

    // The packed category list the entry keeps (no bytes when none).
    std::string SetYahooList() const;

    // Every known engine, checked when the entry's engine list names it.
    const std::vector<EngineRow>& EngineRows() const { return engines_; }
    bool SetEngineChecked(std::size_t row, bool checked);

    // The packed engine list the entry keeps: per checked engine its name,
    // a tab, its query address, "?" and its prefix.
    PackedList SetYahooEngineList() const;

private:
    CategoryBox MakeBox(const CategoryNode& node, std::vector<std::string>& names, std::string_view base);
    bool IsSelected(std::string_view category) const;
    int Remark(std::vector<CategoryBox>& boxes) const;

    DefinitionSet definitions_;
    std::vector<CategoryBox> categories_;
    std::vector<std::string> selected_;
    std::vector<EngineRow> engines_;
};

} // namespace rv
