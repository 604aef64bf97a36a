// The lines of the exclusion dialog's two lists, as model code the dialog
// calls. A line is a check character ("1" ticked, "0" not) followed by an
// exclusion pattern (see exclusion-pattern.h). Pure functions; any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rv
{

// What the line editor shows and returns for one line.
struct ExclusionLineFields
{
    bool advanced = false;
    char type = 'C'; // simple form: 'C' Contains, 'I' Is, 'S' Starts With, 'E' Ends With
    std::string text;
    // Check boxes in the order of their letters G, H, I, P, A, J, O.
    bool global = true;
    bool html = false;
    bool images = false;
    bool plugIns = false;
    bool activeX = false;
    bool java = false;
    bool other = false;
};

// The line a New command adds: not ticked, Contains "New Entry", no flags.
std::string NewExclusionLine();

// The editor's fields for a line. A line without flag letters shows Global
// ticked; the other boxes follow the letters present.
ExclusionLineFields ReadExclusionLine(std::string_view line);

// The line rebuilt after the editor's OK: the old line's check character,
// the pattern in the chosen form, byte 1 and the letters of the ticked boxes.
// Byte 1 cannot occur inside the text; it is dropped from it.
std::string RebuildExclusionLine(std::string_view oldLine, const ExclusionLineFields& fields);

// The line with its check character toggled between "0" and "1".
std::string ToggleExclusionLine(std::string_view line);

// The patterns (without check character) of the ticked lines, in order.
std::vector<std::string> TickedPatterns(const std::vector<std::string>& lines);

} // namespace rv
