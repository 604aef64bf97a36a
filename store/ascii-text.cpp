#include "store/ascii-text.h"

#include <charconv>

namespace rv
{

std::string AsciiLower(std::string_view text)
{
    std::string out(text);
    LowerInPlace(out);
    return out;
}

void LowerInPlace(std::string& text)
{
    for (char& c : text)
        c = LowerAscii(c);
}

std::string ToUpperAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = UpperAscii(c);
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
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
        if (EqualsNoCase(text.substr(i, part.size()), part))
            return i;
    return std::string_view::npos;
}

std::string_view TrimAny(std::string_view text, std::string_view blanks)
{
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return text.substr(text.size());
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string_view TrimSpaceOrTab(std::string_view text)
{
    return TrimAny(text, " \t");
}

std::string_view TrimSpaceOrLineBreak(std::string_view text)
{
    return TrimAny(text, " \t\r\n");
}

std::optional<std::int64_t> ParseDecimal(std::string_view text)
{
    // from_chars takes a "-" but not a "+"; "+-1" is not a number.
    const bool plus = !text.empty() && text.front() == '+';
    if (plus)
        text.remove_prefix(1);
    if (text.empty() || (plus && text.front() == '-'))
        return std::nullopt;
    std::int64_t value = 0;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, value);
    if (error != std::errc() || end != last)
        return std::nullopt;
    return value;
}

std::string EscapeHtmlAttribute(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 16);
    for (char c : text)
    {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"')
            out += "&quot;";
        else
            out += c;
    }
    return out;
}

namespace
{

std::string EscapedOnce(std::string_view text, bool unquoted)
{
    std::string out;
    out.reserve(text.size() + 16);
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const char c = text[i];
        if (c == '&')
            out += StartsWithNoCase(text.substr(i + 1), "amp") ? "&" : "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"')
            out += "&quot;";
        else if (c == '\'')
            out += "&#39;";
        else if (unquoted && (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'))
            out += "&#" + std::to_string(static_cast<unsigned char>(c)) + ";";
        else
            out += c;
    }
    return out;
}

} // namespace

std::string EscapeHtmlTextOnce(std::string_view text)
{
    return EscapedOnce(text, false);
}

std::string EscapeHtmlUnquotedOnce(std::string_view text)
{
    return EscapedOnce(text, true);
}

} // namespace rv
