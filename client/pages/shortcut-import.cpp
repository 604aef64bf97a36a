#include "client/pages/shortcut-import.h"

#include "client/pages/desktop-entry.h"
#include "store/ascii-text.h"

#include <fstream>

namespace rv
{

namespace
{

constexpr std::string_view UrlExtension = ".url";
constexpr std::string_view DesktopExtension = ".desktop";

// The "URL=" value of the "[InternetShortcut]" group.
std::string InternetShortcutAddress(std::string_view text)
{
    bool inGroup = false;
    while (!text.empty())
    {
        const std::size_t newline = text.find('\n');
        const std::string_view line = TrimAny(text.substr(0, newline), " \t\r");
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        if (line.starts_with('['))
            inGroup = EqualsNoCase(line, "[InternetShortcut]");
        else if (inGroup && StartsWithNoCase(line, "URL="))
            return std::string(TrimAny(line.substr(4), " \t"));
    }
    return {};
}

std::optional<std::string> ReadStart(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text(MaxShortcutBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad())
        return std::nullopt;
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

} // namespace

bool IsShortcutFileName(std::string_view fileName)
{
    return EndsWithNoCase(fileName, UrlExtension) || EndsWithNoCase(fileName, DesktopExtension);
}

std::optional<Shortcut> ReadShortcut(std::string_view fileName, std::string_view text)
{
    Shortcut shortcut;
    if (EndsWithNoCase(fileName, UrlExtension))
    {
        shortcut.Name = fileName.substr(0, fileName.size() - UrlExtension.size());
        shortcut.Address = InternetShortcutAddress(text);
    }
    else
    {
        const std::map<std::string, std::string> keys = ReadDesktopEntry(text);
        const auto type = keys.find("Type");
        const auto url = keys.find("URL");
        if (type == keys.end() || type->second != "Link" || url == keys.end())
            return std::nullopt;
        const auto name = keys.find("Name");
        shortcut.Name = name != keys.end() && !name->second.empty()
                            ? name->second
                            : std::string(fileName.substr(0, fileName.size() - DesktopExtension.size()));
        shortcut.Address = url->second;
    }
    if (shortcut.Address.empty())
        return std::nullopt;
    return shortcut;
}

ShortcutImport ImportShortcuts(TWebList& list, const std::vector<std::string>& paths, const EntryDefaultsRecords* defaults)
{
    ShortcutImport result;
    for (auto path = paths.rbegin(); path != paths.rend(); ++path)
    {
        const std::size_t slash = path->find_last_of('/');
        const std::string_view fileName = std::string_view(*path).substr(slash == std::string::npos ? 0 : slash + 1);
        if (!IsShortcutFileName(fileName))
            continue;
        const std::optional<std::string> text = ReadStart(*path);
        const std::optional<Shortcut> shortcut = text ? ReadShortcut(fileName, *text) : std::nullopt;
        if (!shortcut)
        {
            result.Error = ShortcutFileError;
            break;
        }
        const int position = list.Create(EntryKind::Web, 0, defaults);
        if (position < 0)
            break;
        TWebPage& entry = list[position];
        entry.EntryName = shortcut->Name;
        entry.URL = shortcut->Address;
        entry.NameSet = true;
        ++result.Added;
    }
    return result;
}

} // namespace rv
