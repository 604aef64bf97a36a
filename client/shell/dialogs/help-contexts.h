// Help context numbers of the dialogs in this folder: each opens the page
// "help/<number>.html" beside the program.
#pragma once

namespace rv
{

inline constexpr int WebEntryHelpContext = 40;
inline constexpr int SearchEntryHelpContext = 41;
inline constexpr int DirectoryEntryHelpContext = 42;
inline constexpr int ExclusionHelpContext = 43;
inline constexpr int ExclusionLineHelpContext = 44;

} // namespace rv
