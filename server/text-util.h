// Small text helpers the server's parsers share. Texts are bytes; letter
// case is folded for ASCII letters only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rv
{

inline bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

inline char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);
std::size_t FindNoCase(std::string_view text, std::string_view part, std::size_t from = 0);
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
std::string_view Trim(std::string_view text);
std::string ToUpperAscii(std::string_view text);

// The name without a leading run of digits and the "/" right after it (the
// number prefix of a stored page name).
std::string_view WithoutNumberPrefix(std::string_view name);

// Parses a whole decimal number (optional sign, at least one digit, nothing
// else, within int range).
bool ParseDecimal(std::string_view text, int& value);

} // namespace rv
