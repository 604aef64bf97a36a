#include "server/text-util.h"

#include <charconv>

namespace rv
{

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

std::size_t FindNoCase(std::string_view text, std::string_view part, std::size_t from)
{
    if (part.size() > text.size())
        return std::string_view::npos;
    for (std::size_t i = from; i + part.size() <= text.size(); ++i)
    {
        if (EqualsNoCase(text.substr(i, part.size()), part))
            return i;
    }
    return std::string_view::npos;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    for (;;)
    {
        const std::size_t at = text.find(from, i);
        if (at == std::string_view::npos || from.empty())
            break;
        out.append(text.substr(i, at - i));
        out.append(to);
        i = at + from.size();
    }
    out.append(text.substr(i));
    return out;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::string ToUpperAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
    {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

bool ParseDecimal(std::string_view text, int& value)
{
    if (text.empty())
        return false;
    const char* first = text.data();
    if (*first == '+')
        ++first;
    const char* last = text.data() + text.size();
    int parsed = 0;
    const auto [end, ec] = std::from_chars(first, last, parsed);
    if (ec != std::errc() || end != last || first == last)
        return false;
    value = parsed;
    return true;
}

std::string_view WithoutNumberPrefix(std::string_view name)
{
    std::size_t i = 0;
    while (i < name.size() && IsDigit(name[i]))
        ++i;
    if (i > 0 && i < name.size() && name[i] == '/')
        return name.substr(i + 1);
    return name;
}

} // namespace rv
