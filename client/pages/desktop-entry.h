// Freedesktop desktop entry files (".desktop"): the keys of their
// "[Desktop Entry]" group, and the program and arguments of an Exec line.
// Used for link files that the desktop keeps instead of Internet Shortcuts,
// and to find the browser the desktop opens web pages with.
//
// Texts are bytes (UTF-8 as the format requires); localised keys
// ("Name[de]") are not kept. Pure functions, any thread.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

// The keys of the "[Desktop Entry]" group with their values unescaped
// ("\s", "\n", "\t", "\r", "\\"). Empty when the text has no such group.
std::map<std::string, std::string> ReadDesktopEntry(std::string_view text);

// The words of an Exec value, quotes and escapes resolved, without the field
// codes ("%u", "%U", "%f" ...) that stand for files or addresses; "%%" is a
// "%". Empty when the value is no valid command line.
std::vector<std::string> ExecProgramWords(std::string_view exec);

} // namespace rv
