// Builds the search-engine and directory definition files that ship beside
// the client from their readable text form, so that the shipped bytes are
// made, never edited by hand.
//
// Usage: definition-builder INPUT.txt OUTPUT.sel
//        definition-builder INPUT.txt OUTPUT.ypf
//
// Search engines (OUTPUT.sel), one engine per line:
//     advanced | Name | query address | query prefix
//     simple | Name | query address | query prefix
// Directory properties (OUTPUT.ypf), one statement per line:
//     property NAME       starts a property
//     file                records this file on the property itself
//     item NAME           a sub-item (main topic) of the property
//     text TEXT           a text kept with the property
//     base ADDRESS        the base address of its categories
//     * NAME | PART       a category; two more blanks before "*" per level
// In both, blank lines and lines starting with "#" are ignored, and blanks
// around "|" do not count.
#include "client/pages/directory-library.h"
#include "client/pages/search-engine-file.h"
#include "store/ascii-text.h"

#include <cstdio>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

struct BadLine : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

std::vector<std::string> Fields(std::string_view line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t bar = line.find('|'); bar != std::string_view::npos; bar = line.find('|', start))
    {
        fields.emplace_back(rv::TrimAny(line.substr(start, bar - start), " \t\r"));
        start = bar + 1;
    }
    fields.emplace_back(rv::TrimAny(line.substr(start), " \t\r"));
    return fields;
}

bool Ignored(const std::string& line)
{
    const std::string trimmed(rv::TrimAny(line, " \t\r"));
    return trimmed.empty() || trimmed[0] == '#';
}

rv::SearchEngine EngineOf(const std::string& line)
{
    const std::vector<std::string> fields = Fields(line);
    if (fields.size() != 4 || (fields[0] != "advanced" && fields[0] != "simple") || fields[1].empty())
    {
        throw BadLine("expected: advanced|simple | name | query address | query prefix");
    }
    return rv::SearchEngine{fields[1], fields[2], fields[3], fields[0] == "advanced"};
}

// A category line: its level (1 for no indentation) and its node.
void AddCategory(const std::string& line, rv::DirectoryPropertyDefinition& property)
{
    const std::size_t star = line.find_first_not_of(' ');
    const std::vector<std::string> fields = Fields(std::string_view(line).substr(star + 1));
    if (star % 2 != 0 || fields.size() != 2 || fields[0].empty())
    {
        throw BadLine("expected: an even indentation, \"* name | address part\"");
    }
    rv::CategoryNode* parent = &property.Tree;
    for (std::size_t level = 0; level < star / 2; ++level)
    {
        if (parent->Children.empty())
        {
            throw BadLine("a category is indented deeper than the one before it");
        }
        parent = &parent->Children.back();
    }
    parent->Children.push_back(rv::CategoryNode{fields[0], fields[1], {}});
}

void AddStatement(const std::string& line, std::vector<rv::DirectoryPropertyDefinition>& properties)
{
    const std::string trimmed(rv::TrimAny(line, " \t\r"));
    if (trimmed[0] == '*')
    {
        if (properties.empty())
        {
            throw BadLine("a category before the first property");
        }
        return AddCategory(line, properties.back());
    }
    const std::size_t blank = trimmed.find(' ');
    const std::string word = trimmed.substr(0, blank);
    const std::string rest =
        blank == std::string::npos ? std::string() : std::string(rv::TrimAny(trimmed.substr(blank + 1), " \t\r"));
    if (word == "property")
    {
        if (rest.empty())
        {
            throw BadLine("a property needs a name");
        }
        properties.push_back({rest, {}, {}, {}, {}});
        return;
    }
    if (properties.empty())
    {
        throw BadLine("a statement before the first property");
    }
    rv::DirectoryPropertyDefinition& property = properties.back();
    if (word == "file")
        property.SubItems.push_back({});
    else if (word == "item" && !rest.empty())
        property.SubItems.push_back(rest);
    else if (word == "text")
        property.Texts.push_back(rest);
    else if (word == "base")
        property.BaseAddress = rest;
    else
        throw BadLine("unknown statement \"" + word + "\"");
}

std::optional<std::string> Build(std::istream& in, bool engines)
{
    std::vector<rv::SearchEngine> engineList;
    std::vector<rv::DirectoryPropertyDefinition> properties;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number)
    {
        if (Ignored(line))
        {
            continue;
        }
        try
        {
            if (engines)
                engineList.push_back(EngineOf(line));
            else
                AddStatement(line, properties);
        }
        catch (const BadLine& error)
        {
            std::fprintf(stderr, "definition-builder: line %d: %s\n", number, error.what());
            return std::nullopt;
        }
    }
    if (engines)
    {
        return rv::WriteSearchEngineFile(engineList);
    }
    std::optional<std::string> bytes = rv::WriteDirectoryFile(properties);
    if (!bytes)
    {
        std::fprintf(stderr, "definition-builder: a category tree does not compress\n");
    }
    return bytes;
}

bool EndsWith(const std::string& text, std::string_view end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string output = argc == 3 ? argv[2] : "";
    if (!EndsWith(output, ".sel") && !EndsWith(output, ".ypf"))
    {
        std::fprintf(stderr, "usage: definition-builder INPUT.txt OUTPUT.sel|OUTPUT.ypf\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in)
    {
        std::fprintf(stderr, "definition-builder: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::optional<std::string> bytes = Build(in, EndsWith(output, ".sel"));
    if (!bytes)
    {
        return 1;
    }
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
    out.close();
    if (!out)
    {
        std::fprintf(stderr, "definition-builder: cannot write %s\n", output.c_str());
        std::remove(output.c_str());
        return 1;
    }
    return 0;
}
