#include "client/pages/css-scan.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace rv
{
namespace
{

constexpr std::string_view Replacement = "\xEF\xBF\xBD"; // U+FFFD
constexpr std::size_t MaxHexDigits = 6;
constexpr std::uint32_t MaxCodePoint = 0x10FFFF;

bool IsNewline(char c)
{
    return c == '\n' || c == '\r' || c == '\f';
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || IsNewline(c);
}

bool IsHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::uint32_t HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<std::uint32_t>(c - '0');
    return static_cast<std::uint32_t>((c | 0x20) - 'a' + 10);
}

bool IsNameChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '-' || u == '_' || u >= 0x80;
}

// A "\" at `at` starts an escape unless a newline or the end follows it.
bool StartsEscape(std::string_view s, std::size_t at)
{
    return at + 1 < s.size() && s[at] == '\\' && !IsNewline(s[at + 1]);
}

bool IsNonPrintable(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 0x01 && u <= 0x08) || u == 0x0B || (u >= 0x0E && u <= 0x1F) || u == 0x7F;
}

// A browser reads a NUL byte in a style sheet as U+FFFD.
void AppendByte(char c, std::string& out)
{
    if (c == '\0')
        out += Replacement;
    else
        out.push_back(c);
}

void AppendUtf8(std::uint32_t code, std::string& out)
{
    if (code == 0 || code > MaxCodePoint || (code >= 0xD800 && code <= 0xDFFF))
    {
        out += Replacement;
        return;
    }
    if (code < 0x80)
        out.push_back(static_cast<char>(code));
    else if (code < 0x800)
    {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
    else if (code < 0x10000)
    {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
    else
    {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// The escape whose "\" is at `at` (StartsEscape holds, or the "\" ends a
// string): its character is appended; returns the offset after it.
std::size_t DecodeEscape(std::string_view s, std::size_t at, std::string& out)
{
    std::size_t i = at + 1;
    if (i >= s.size())
    {
        out += Replacement;
        return i;
    }
    if (!IsHex(s[i]))
    {
        AppendByte(s[i], out);
        return i + 1;
    }
    std::uint32_t code = 0;
    const std::size_t stop = std::min(s.size(), i + MaxHexDigits);
    for (; i < stop && IsHex(s[i]); ++i)
        code = code * 16 + HexValue(s[i]);
    if (i < s.size() && IsSpace(s[i]))
        i += (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ? 2 : 1;
    AppendUtf8(code, out);
    return i;
}

std::size_t ReadName(std::string_view s, std::size_t i, std::string& name)
{
    while (i < s.size())
    {
        if (IsNameChar(s[i]))
            AppendByte(s[i++], name);
        else if (StartsEscape(s, i))
            i = DecodeEscape(s, i, name);
        else
            break;
    }
    return i;
}

// The string whose quote is at `at`. `ok` is false for a string cut by a
// newline (the newline is not part of it).
std::size_t ReadString(std::string_view s, std::size_t at, std::string& value, bool& ok)
{
    const char quote = s[at];
    std::size_t i = at + 1;
    ok = true;
    while (i < s.size())
    {
        const char c = s[i];
        if (c == quote)
            return i + 1;
        if (IsNewline(c))
        {
            ok = false;
            return i;
        }
        if (c == '\\')
        {
            if (i + 1 >= s.size())
                return s.size();
            if (IsNewline(s[i + 1]))
            {
                // A line continuation.
                i += (s[i + 1] == '\r' && i + 2 < s.size() && s[i + 2] == '\n') ? 3 : 2;
                continue;
            }
            i = DecodeEscape(s, i, value);
            continue;
        }
        AppendByte(c, value);
        ++i;
    }
    return i;
}

// An unquoted url( value from `i`; returns the offset after its ")". `ok`
// is false for a bad url, whose rest is passed over up to the ")".
std::size_t ReadUnquotedUrl(std::string_view s, std::size_t i, std::string& value, bool& ok)
{
    ok = true;
    while (i < s.size())
    {
        const char c = s[i];
        if (c == ')')
            return i + 1;
        if (IsSpace(c))
        {
            while (i < s.size() && IsSpace(s[i]))
                ++i;
            if (i >= s.size())
                return i;
            if (s[i] == ')')
                return i + 1;
            break;
        }
        if (c == '"' || c == '\'' || c == '(' || IsNonPrintable(c))
            break;
        if (c == '\\')
        {
            if (!StartsEscape(s, i))
                break;
            i = DecodeEscape(s, i, value);
            continue;
        }
        AppendByte(c, value);
        ++i;
    }
    if (i >= s.size())
        return i; // the end of the sheet closes the url
    ok = false;
    while (i < s.size())
    {
        if (s[i] == ')')
            return i + 1;
        i += StartsEscape(s, i) ? 2 : 1;
    }
    return i;
}

bool EqualsNoCase(std::string_view a, std::string_view lower)
{
    return a.size() == lower.size() &&
           std::equal(a.begin(), a.end(), lower.begin(),
                      [](char x, char y) { return (x >= 'A' && x <= 'Z' ? x - 'A' + 'a' : x) == y; });
}

std::size_t SkipSpace(std::string_view s, std::size_t i)
{
    while (i < s.size() && IsSpace(s[i]))
        ++i;
    return i;
}

} // namespace

std::vector<CssReference> ScanCss(std::string_view s)
{
    std::vector<CssReference> found;
    auto keep = [&found](std::size_t start, std::size_t end, std::string& value, bool import)
    {
        if (value.size() <= MaxCssValueBytes)
            found.push_back(CssReference{start, end, std::move(value), import});
    };
    bool importPending = false; // an @import waits for its target
    std::size_t i = 0;
    while (i < s.size() && found.size() < MaxCssReferences)
    {
        const char c = s[i];
        if (c == '/' && i + 1 < s.size() && s[i + 1] == '*')
        {
            const std::size_t close = s.find("*/", i + 2);
            i = close == std::string_view::npos ? s.size() : close + 2;
            continue;
        }
        if (IsSpace(c))
        {
            ++i;
            continue;
        }
        if (c == '"' || c == '\'')
        {
            const std::size_t start = i;
            std::string value;
            bool ok = false;
            i = ReadString(s, i, value, ok);
            if (importPending && ok)
                keep(start, i, value, true);
            importPending = false;
            continue;
        }
        if (c == '@')
        {
            std::string name;
            i = ReadName(s, i + 1, name);
            importPending = EqualsNoCase(name, "import");
            continue;
        }
        if (IsNameChar(c) || StartsEscape(s, i))
        {
            const std::size_t start = i;
            std::string name;
            i = ReadName(s, i, name);
            const bool import = importPending;
            importPending = false;
            if (i >= s.size() || s[i] != '(' || !EqualsNoCase(name, "url"))
                continue;
            std::size_t j = SkipSpace(s, i + 1);
            std::string value;
            bool ok = false;
            if (j < s.size() && (s[j] == '"' || s[j] == '\''))
            {
                // url("..."): a function whose argument is a string.
                j = SkipSpace(s, ReadString(s, j, value, ok));
                if (ok && j < s.size() && s[j] == ')')
                {
                    keep(start, j + 1, value, import);
                    j += 1;
                }
                i = j;
                continue;
            }
            i = ReadUnquotedUrl(s, j, value, ok);
            if (ok)
                keep(start, i, value, import);
            continue;
        }
        importPending = false;
        ++i;
    }
    return found;
}

std::string CssString(std::string_view address)
{
    static constexpr char Digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(address.size() + 8);
    for (const char c : address)
    {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\')
        {
            out.push_back('\\');
            out.push_back(c);
        }
        else if (c == '\0')
            out += Replacement;
        else if (c == '<' || c == '>' || u < 0x20 || u == 0x7F)
        {
            out.push_back('\\');
            if (u >= 16)
                out.push_back(Digits[u >> 4]);
            out.push_back(Digits[u & 15]);
            out.push_back(' ');
        }
        else
            out.push_back(c);
    }
    return out;
}

std::string PathToRoot(std::string_view sheetKey)
{
    const std::string_view path = sheetKey.substr(0, sheetKey.find('?'));
    std::string up;
    for (const char c : path)
        if (c == '/' || c == '\\')
            up += "../";
    return up;
}

bool LooksLikeCssImage(std::string_view address)
{
    static constexpr std::array<std::string_view, 11> Extensions = {"gif", "jpg", "jpeg", "png",  "webp", "avif",
                                                                    "svg", "bmp", "ico",  "apng", "jfif"};
    const std::string_view path = address.substr(0, address.find_first_of("?#"));
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos)
        return false;
    const std::string_view extension = path.substr(dot + 1);
    return std::any_of(Extensions.begin(), Extensions.end(),
                       [&](std::string_view known) { return EqualsNoCase(extension, known); });
}

} // namespace rv
