#include "client/pages/exclusion-lines.h"

#include "client/pages/exclusion-pattern.h"

#include <utility>

namespace rv
{
namespace
{

bool Has(std::string_view flags, char letter)
{
    return flags.find(letter) != std::string_view::npos;
}

std::string WithoutMarks(std::string_view text)
{
    std::string out;
    for (char c : text)
        if (c != kPatternMark)
            out.push_back(c);
    return out;
}

bool IsSimpleType(char c)
{
    return c == 'C' || c == 'I' || c == 'S' || c == 'E';
}

} // namespace

std::string NewExclusionLine()
{
    return std::string("0") + kPatternMark + "CNew Entry";
}

ExclusionLineFields ReadExclusionLine(std::string_view line)
{
    ExclusionLineFields fields;
    std::string_view pattern = line.empty() ? line : line.substr(1);
    const bool simple = pattern.size() >= 2 && pattern[0] == kPatternMark && IsSimpleType(pattern[1]);
    if (simple)
    {
        fields.type = pattern[1];
        pattern.remove_prefix(2);
    }
    fields.advanced = !simple;
    const std::size_t mark = pattern.find(kPatternMark);
    fields.text = std::string(pattern.substr(0, mark));
    if (mark == std::string_view::npos)
        return fields;
    const std::string_view flags = pattern.substr(mark + 1);
    fields.global = Has(flags, 'G');
    fields.html = Has(flags, 'H');
    fields.images = Has(flags, 'I');
    fields.plugIns = Has(flags, 'P');
    fields.activeX = Has(flags, 'A');
    fields.java = Has(flags, 'J');
    fields.other = Has(flags, 'O');
    return fields;
}

std::string RebuildExclusionLine(std::string_view oldLine, const ExclusionLineFields& fields)
{
    std::string line(1, oldLine.empty() ? '0' : oldLine[0]);
    if (!fields.advanced)
    {
        line.push_back(kPatternMark);
        line.push_back(IsSimpleType(fields.type) ? fields.type : 'C');
    }
    line += WithoutMarks(fields.text);
    line.push_back(kPatternMark);
    const std::pair<bool, char> boxes[] = {{fields.global, 'G'},  {fields.html, 'H'},    {fields.images, 'I'},
                                           {fields.plugIns, 'P'}, {fields.activeX, 'A'}, {fields.java, 'J'},
                                           {fields.other, 'O'}};
    for (const auto& [ticked, letter] : boxes)
        if (ticked)
            line.push_back(letter);
    return line;
}

std::string ToggleExclusionLine(std::string_view line)
{
    std::string out(line);
    if (!out.empty())
        out[0] = out[0] == '1' ? '0' : '1';
    return out;
}

std::vector<std::string> TickedPatterns(const std::vector<std::string>& lines)
{
    std::vector<std::string> patterns;
    for (const std::string& line : lines)
        if (!line.empty() && line[0] == '1')
            patterns.push_back(line.substr(1));
    return patterns;
}

} // namespace rv
