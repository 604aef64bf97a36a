#include "client/pages/exclusion-pattern.h"

#include <algorithm>

namespace rv
{
namespace
{

// Plain wildcard match of the whole text, "*" taking any run.
bool WholeMatch(std::string_view wildcard, std::string_view text)
{
    std::size_t p = 0;
    std::size_t t = 0;
    std::size_t starP = std::string_view::npos;
    std::size_t starT = 0;
    while (t < text.size())
    {
        if (p < wildcard.size() && (wildcard[p] == '?' || (wildcard[p] != '*' && wildcard[p] == text[t])))
        {
            ++p;
            ++t;
        }
        else if (p < wildcard.size() && wildcard[p] == '*')
        {
            starP = p++;
            starT = t;
        }
        else if (starP != std::string_view::npos)
        {
            p = starP + 1;
            t = ++starT;
        }
        else
            return false;
    }
    while (p < wildcard.size() && wildcard[p] == '*')
        ++p;
    return p == wildcard.size();
}

// The address with its last character removed when the one before it is a
// separator; empty when the retry does not apply.
bool RetryAddress(std::string_view address, std::string_view& shorter)
{
    if (address.size() < 2)
        return false;
    const char c = address[address.size() - 2];
    if (c != '/' && c != '\\')
        return false;
    shorter = address.substr(0, address.size() - 1);
    return true;
}

bool Applies(const PatternParts& parts, ContentKind kind)
{
    if (!parts.hasFlags)
        return false;
    return parts.flags.find('G') != std::string_view::npos || parts.flags.find(KindLetter(kind)) != std::string_view::npos;
}

} // namespace

char KindLetter(ContentKind kind)
{
    switch (kind)
    {
    case ContentKind::Html:
        return 'H';
    case ContentKind::Images:
        return 'I';
    case ContentKind::Java:
        return 'J';
    case ContentKind::PlugIns:
        return 'P';
    case ContentKind::ActiveX:
        return 'A';
    case ContentKind::Other:
        return 'O';
    }
    return 'H';
}

bool WildcardMatches(std::string_view wildcard, std::string_view address)
{
    if (address.empty())
        return WholeMatch(wildcard, address);
    const std::string_view body = address.substr(0, address.size() - 1);
    if (WholeMatch(wildcard, body))
        return true;
    // The final character itself must be matched by a letter or "?" that is
    // the last element before any trailing "*" (which then take nothing).
    std::size_t end = wildcard.size();
    while (end > 0 && wildcard[end - 1] == '*')
        --end;
    if (end == 0)
        return false;
    const char last = wildcard[end - 1];
    if (last != '?' && last != address.back())
        return false;
    return WholeMatch(wildcard.substr(0, end - 1), body);
}

PatternParts SplitPattern(std::string_view pattern)
{
    PatternParts parts;
    bool simple = !pattern.empty() && pattern[0] == kPatternMark;
    char type = 0;
    if (simple)
    {
        type = pattern.size() > 1 ? pattern[1] : '\0';
        pattern.remove_prefix(std::min<std::size_t>(2, pattern.size()));
    }
    const std::size_t mark = pattern.find(kPatternMark);
    std::string_view text = pattern.substr(0, mark);
    if (mark != std::string_view::npos)
    {
        parts.hasFlags = true;
        parts.flags = pattern.substr(mark + 1);
    }
    if (!simple)
    {
        parts.wildcard = std::string(text);
        return parts;
    }
    switch (type)
    {
    case 'C':
        parts.wildcard = "*" + std::string(text) + "*";
        break;
    case 'I':
        parts.wildcard = std::string(text);
        break;
    case 'S':
        parts.wildcard = std::string(text) + "*";
        break;
    case 'E':
        parts.wildcard = "*" + std::string(text);
        break;
    default:
        parts.valid = false;
        break;
    }
    return parts;
}

PatternResult MatchPattern(std::string_view pattern, std::string_view address, ContentKind kind)
{
    const PatternParts parts = SplitPattern(pattern);
    if (!parts.valid || !Applies(parts, kind))
        return PatternResult::DoesNotApply;
    return WildcardMatches(parts.wildcard, address) ? PatternResult::Match : PatternResult::NoMatch;
}

bool IsExcluded(const std::vector<std::string>& excludeJust, const std::vector<std::string>& excludeAllExcept,
                std::string_view address, ContentKind kind)
{
    std::string_view shorter;
    const bool retry = RetryAddress(address, shorter);
    for (const std::string& pattern : excludeJust)
    {
        const PatternResult result = MatchPattern(pattern, address, kind);
        if (result == PatternResult::Match)
            return true;
        if (result == PatternResult::NoMatch && retry && MatchPattern(pattern, shorter, kind) == PatternResult::Match)
            return true;
    }
    if (excludeAllExcept.empty())
        return false;
    for (const std::string& pattern : excludeAllExcept)
    {
        const PatternResult result = MatchPattern(pattern, address, kind);
        if (result != PatternResult::NoMatch)
            return false;
        if (retry && MatchPattern(pattern, shorter, kind) == PatternResult::Match)
            return false;
    }
    return true;
}

} // namespace rv
