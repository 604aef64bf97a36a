// Importing shortcut files as web entries: Internet Shortcuts (".url", an
// "[InternetShortcut]" group with a "URL=" line) and the desktop's link files
// (".desktop" with "Type=Link" and "URL=").
//
// Reads the named files; the brief window saves the brief afterwards. Main
// thread (it changes the list).
#pragma once

#include "client/briefs/user-message.h"
#include "client/briefs/web-list.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

// Only this much of a shortcut file is read: the address line comes near the
// top of every shortcut written, and a big file is no shortcut.
inline constexpr std::size_t MaxShortcutBytes = 65536;

inline const UserMessage ShortcutFileError{
    "Shortcut Loading Error", "This file is either corrupt or is not a Shortcut file. Ravelin Pro cannot load it."};

struct Shortcut
{
    std::string Name; // what the entry is called
    std::string Address;
};

// The shortcut in a file's text, or nothing when it holds no address.
// `fileName` (without folder) names a ".url" shortcut: its name less the
// extension; a link file's own "Name" wins over its file name.
std::optional<Shortcut> ReadShortcut(std::string_view fileName, std::string_view text);

// True for the file names the import takes: ".url" and ".desktop", any case.
bool IsShortcutFileName(std::string_view fileName);

struct ShortcutImport
{
    int Added = 0;
    std::optional<UserMessage> Error; // a file that could not be read stopped the import
};

// Adds a named web entry for each shortcut file, at the top of the list and
// in the order of `paths`. Files are taken from the last to the first; the
// first that cannot be read stops the import, and the entries added before
// it stay. Names that are no shortcut file are passed over.
ShortcutImport ImportShortcuts(TWebList& list, const std::vector<std::string>& paths, const EntryDefaultsRecords* defaults);

} // namespace rv
