// rvbrief: writes a brief file from a readable description.
//
//   rvbrief OUT.brf DESCRIPTION
//
// The description has one item per line ("#" starts a comment line):
//   name: BRIEF NAME
//   information: TEXT            (optional)
//   entry: CAPTION | URL | DEPTH (a web entry; depth 1 to 99)
// Used to make the demonstration brief and briefs for tests.
#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "store/ascii-text.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace
{

bool AddEntry(rv::TBrief& brief, const std::string& text)
{
    std::size_t first = text.find('|');
    std::size_t second = first == std::string::npos ? first : text.find('|', first + 1);
    if (second == std::string::npos)
        return false;
    rv::TWebPage entry = rv::MakeEntry(rv::EntryKind::Web);
    entry.EntryName = rv::TrimSpaceOrLineBreak(text.substr(0, first));
    entry.NameSet = true;
    entry.URL = rv::TrimSpaceOrLineBreak(text.substr(first + 1, second - first - 1));
    int depth = std::atoi(std::string(rv::TrimSpaceOrLineBreak(text.substr(second + 1))).c_str());
    if (depth < rv::MinSpiderDepth || depth > rv::MaxSpiderDepth)
        return false;
    entry.SpiderDepth = depth;
    brief.Entries.Insert(entry, brief.Entries.Count());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: rvbrief OUT.brf DESCRIPTION\n");
        return 2;
    }
    std::ifstream description(argv[2]);
    if (!description)
    {
        std::fprintf(stderr, "rvbrief: cannot read %s\n", argv[2]);
        return 1;
    }
    rv::TBrief brief;
    rv::SetBriefPath(brief, argv[1]);
    int lineNumber = 0;
    for (std::string line; std::getline(description, line);)
    {
        ++lineNumber;
        line = std::string(rv::TrimSpaceOrLineBreak(line));
        if (line.empty() || line[0] == '#')
            continue;
        std::size_t colon = line.find(':');
        std::string key = line.substr(0, colon);
        std::string value(colon == std::string::npos ? "" : rv::TrimSpaceOrLineBreak(line.substr(colon + 1)));
        bool ok = true;
        if (key == "name")
            brief.BriefName = value;
        else if (key == "information")
            brief.BriefComments = value;
        else if (key == "entry")
            ok = AddEntry(brief, value);
        else
            ok = false;
        if (!ok)
        {
            std::fprintf(stderr, "rvbrief: %s:%d: cannot read \"%s\"\n", argv[2], lineNumber, line.c_str());
            return 1;
        }
    }
    if (rv::SaveBrief(brief, false) != rv::SaveStatus::Saved)
    {
        std::fprintf(stderr, "rvbrief: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
