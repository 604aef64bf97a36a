// The text helpers every layer shares. Texts are bytes: only the ASCII
// letters change case, and every other byte (UTF-8 included) passes through
// unchanged, whatever the C locale says. Returned views point into the
// argument and live as long as it does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rv
{

constexpr bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The value of a hexadecimal digit of either case; -1 for any other byte.
constexpr int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

constexpr char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string AsciiLower(std::string_view text);
void LowerInPlace(std::string& text);
std::string ToUpperAscii(std::string_view text);

bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);
// The first position at or after `from` where `part` starts, ignoring case;
// npos when there is none.
std::size_t FindNoCase(std::string_view text, std::string_view part, std::size_t from = 0);

// The blanks of a header or settings line: a space or a tab.
constexpr bool IsSpaceOrTab(char c)
{
    return c == ' ' || c == '\t';
}

// White space between the words of a page or a query: space, tab, CR, LF.
constexpr bool IsSpaceOrLineBreak(char c)
{
    return IsSpaceOrTab(c) || c == '\r' || c == '\n';
}

// The text without any of the bytes in `blanks` at either end.
std::string_view TrimAny(std::string_view text, std::string_view blanks);
std::string_view TrimSpaceOrTab(std::string_view text);
std::string_view TrimSpaceOrLineBreak(std::string_view text);

// A whole decimal number: an optional "+" or "-", then at least one digit,
// and nothing else (no blanks). Nothing when the text is anything else or
// the number does not fit 64 bits. Callers that allow blanks trim first.
std::optional<std::int64_t> ParseDecimal(std::string_view text);

// For a double-quoted attribute value: "&", "<", ">" and '"' as entity
// references. Every "&" is escaped, so an address holding "&amp;" comes back
// from the browser as it was stored.
std::string EscapeHtmlAttribute(std::string_view text);

// For page text written inside generated pages: "&", "<", ">", '"' and "'"
// as references. A "&" already followed by "amp" is left alone, so a text
// that comes escaped once is not escaped twice.
std::string EscapeHtmlTextOnce(std::string_view text);

// As EscapeHtmlTextOnce, and white space as numeric references, so that the
// value cannot end early even where it is not quoted.
std::string EscapeHtmlUnquotedOnce(std::string_view text);

} // namespace rv
