#include "client/pages/directory-choice.h"

#include "client/pages/entry-targets.h"

#include <algorithm>

namespace rv
{

const char* CategoryBoxImageName(CategoryBoxImage image)
{
    switch (image)
    {
    case CategoryBoxImage::Check:
        return "CHECKBOX";
    case CategoryBoxImage::Gray:
        return "GRAYBOX";
    case CategoryBoxImage::GrayCheck:
        return "GRAYCHECK";
    case CategoryBoxImage::Empty:
        break;
    }
    return "EMPTYBOX";
}

CategoryBoxImage CategoryBox::Image() const
{
    if (SelectedBelow > 0)
    {
        return Selected ? CategoryBoxImage::GrayCheck : CategoryBoxImage::Gray;
    }
    return Selected ? CategoryBoxImage::Check : CategoryBoxImage::Empty;
}

std::string CategoryText(const std::vector<std::string>& names, std::string_view address)
{
    std::string text;
    for (const std::string& name : names)
    {
        if (!text.empty())
        {
            text += '\a';
        }
        text += name;
    }
    text += '\t';
    text += address;
    return text;
}

std::string CategoryAddress(std::string_view base, std::string_view addressPart)
{
    if (base.empty())
    {
        return std::string(addressPart);
    }
    const bool baseSlash = base.back() == '/';
    const bool partSlash = !addressPart.empty() && addressPart.front() == '/';
    if (baseSlash && partSlash)
    {
        addressPart.remove_prefix(1);
    }
    return std::string(base) + (baseSlash || partSlash ? "" : "/") + std::string(addressPart);
}

DirectoryChoice::DirectoryChoice(const DefinitionSet& definitions, const TWebPage& entry)
    : definitions_(definitions), selected_(UnpackNames(entry.CategoryList))
{
    std::vector<std::string> chosen;
    for (const std::string& item : UnpackNames(entry.EngineList))
    {
        chosen.push_back(item.substr(0, item.find('\t')));
    }
    for (const SearchEngine& engine : definitions_.Engines)
    {
        const bool checked = std::find(chosen.begin(), chosen.end(), engine.Name) != chosen.end();
        engines_.push_back({EngineRowKind::Engine, engine.Name, checked});
    }
}

bool DirectoryChoice::PropertiesListChange(std::size_t property, std::optional<std::size_t> subItem)
{
    categories_.clear();
    if (property >= Properties().size())
    {
        return false;
    }
    const DirectoryProperty& chosen = Properties()[property];
    std::vector<std::string> names{chosen.Name};
    std::filesystem::path file = CategoryFileOf(chosen);
    std::string base = chosen.BaseAddress;
    if (subItem)
    {
        if (*subItem >= chosen.SubItems.size())
        {
            return false;
        }
        const DirectorySubItem& item = chosen.SubItems[*subItem];
        if (item.Name != "/")
        {
            names.push_back(item.Name);
            file = item.File;
        }
        if (!item.BaseAddress.empty())
        {
            base = item.BaseAddress;
        }
    }
    const std::optional<std::string> bytes = ReadDefinitionFile(file);
    const std::optional<CategoryNode> tree = bytes ? ReadCategoryTree(*bytes) : std::nullopt;
    if (!tree)
    {
        return false;
    }
    HandleTreeData(*tree, names, base);
    return true;
}

void DirectoryChoice::HandleTreeData(const CategoryNode& tree, const std::vector<std::string>& names, std::string_view base)
{
    categories_.clear();
    std::vector<std::string> path = names;
    for (const CategoryNode& node : tree.Children)
    {
        categories_.push_back(MakeBox(node, path, base));
    }
}

CategoryBox DirectoryChoice::MakeBox(const CategoryNode& node, std::vector<std::string>& names, std::string_view base)
{
    CategoryBox box;
    box.Name = node.Name;
    names.push_back(node.Name);
    box.Category = CategoryText(names, CategoryAddress(base, node.AddressPart));
    box.Selected = IsSelected(box.Category);
    for (const CategoryNode& child : node.Children)
    {
        box.Children.push_back(MakeBox(child, names, base));
        const CategoryBox& made = box.Children.back();
        box.SelectedBelow += made.SelectedBelow + (made.Selected ? 1 : 0);
    }
    names.pop_back();
    return box;
}

bool DirectoryChoice::IsSelected(std::string_view category) const
{
    return std::find(selected_.begin(), selected_.end(), category) != selected_.end();
}

bool DirectoryChoice::CategoriesListClick(const std::vector<std::size_t>& path)
{
    const CategoryBox* box = nullptr;
    const std::vector<CategoryBox>* level = &categories_;
    for (const std::size_t index : path)
    {
        if (index >= level->size())
        {
            return false;
        }
        box = &(*level)[index];
        level = &box->Children;
    }
    if (!box || box->Category.size() > MaxPackedItem)
    {
        return false;
    }
    const std::string category = box->Category;
    if (IsSelected(category))
    {
        selected_.erase(std::remove(selected_.begin(), selected_.end(), category), selected_.end());
    }
    else
    {
        selected_.push_back(category);
    }
    Remark(categories_);
    return true;
}

bool DirectoryChoice::RemoveSelected(std::size_t index)
{
    if (index >= selected_.size())
    {
        return false;
    }
    selected_.erase(selected_.begin() + static_cast<std::ptrdiff_t>(index));
    Remark(categories_);
    return true;
}

// A category may appear at several places of a tree: every box showing it
// follows the chosen list, and every ancestor counts again.
int DirectoryChoice::Remark(std::vector<CategoryBox>& boxes) const
{
    int selected = 0;
    for (CategoryBox& box : boxes)
    {
        box.Selected = IsSelected(box.Category);
        box.SelectedBelow = Remark(box.Children);
        selected += box.SelectedBelow + (box.Selected ? 1 : 0);
    }
    return selected;
}

std::string DirectoryChoice::SetYahooList() const
{
    return PackNames(selected_).Bytes;
}

bool DirectoryChoice::SetEngineChecked(std::size_t row, bool checked)
{
    if (row >= engines_.size())
    {
        return false;
    }
    engines_[row].Checked = checked;
    return true;
}

PackedList DirectoryChoice::SetYahooEngineList() const
{
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < engines_.size(); ++i)
    {
        if (engines_[i].Checked)
        {
            texts.push_back(DirectoryEngineText(definitions_.Engines[i]));
        }
    }
    return PackNames(texts);
}

} // namespace rv
