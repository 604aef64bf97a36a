// Help context numbers of the dialogs in this folder: each opens the page
// "help/<number>.html" beside the program.
#pragma once

namespace rv
{

inline constexpr int WebEntryHelpContext = 50;
inline constexpr int SearchEntryHelpContext = 51;
inline constexpr int DirectoryEntryHelpContext = 52;
inline constexpr int ExclusionHelpContext = 53;
inline constexpr int ExclusionLineHelpContext = 54;

} // namespace rv
