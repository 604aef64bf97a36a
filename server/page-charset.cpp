#include "server/page-charset.h"

#include "store/ascii-text.h"

#include <algorithm>
#include <array>

namespace rv
{
namespace
{

// The longest registered character set name has 45 characters.
constexpr std::size_t MaxCharsetName = 45;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// The value after the first "charset" that is followed by "=", in `lower`.
std::string CharsetAfterName(std::string_view lower)
{
    for (std::size_t at = lower.find("charset"); at != std::string_view::npos; at = lower.find("charset", at + 1))
    {
        std::size_t next = at + 7;
        while (next < lower.size() && IsBlank(lower[next]))
            ++next;
        if (next < lower.size() && lower[next] == '=')
            return CharsetName(lower.substr(next + 1));
    }
    return {};
}

// Where "</" and the name, in any case, first stand from `from` on.
std::size_t FindEndTag(std::string_view text, std::string_view name, std::size_t from)
{
    for (std::size_t at = text.find("</", from); at != std::string_view::npos; at = text.find("</", at + 1))
        if (StartsWithNoCase(text.substr(at + 2), name))
            return at;
    return std::string_view::npos;
}

std::string_view Essence(std::string_view type)
{
    type = type.substr(0, type.find(';'));
    while (!type.empty() && IsBlank(type.back()))
        type.remove_suffix(1);
    while (!type.empty() && IsBlank(type.front()))
        type.remove_prefix(1);
    return type;
}

// Tags that may stand before a page's body.
constexpr std::array<std::string_view, 11> HeadTags = {"html",  "head",   "meta",     "title",  "base",    "link",
                                                       "style", "script", "noscript", "object", "template"};

struct ByteOrderMark
{
    std::string_view Bytes;
    std::string_view Charset;
};

constexpr std::array<ByteOrderMark, 3> Marks = {{
    {"\xEF\xBB\xBF", "utf-8"},
    {"\xFE\xFF", "utf-16be"},
    {"\xFF\xFE", "utf-16le"},
}};

std::string MarkedCharset(std::string_view text)
{
    for (const ByteOrderMark& mark : Marks)
        if (text.starts_with(mark.Bytes))
            return std::string(mark.Charset);
    return {};
}

} // namespace

std::string CharsetName(std::string_view declared)
{
    while (!declared.empty() && (IsBlank(declared.front()) || declared.front() == '"' || declared.front() == '\''))
        declared.remove_prefix(1);
    declared = declared.substr(0, declared.find_first_of(" \t\r\n\f;\"',>/"));
    if (declared.empty() || declared.size() > MaxCharsetName)
        return {};
    std::string name;
    for (const char c : declared)
    {
        const char lower = LowerAscii(c);
        if (!(lower >= 'a' && lower <= 'z') && !(c >= '0' && c <= '9') && c != '-' && c != '_' && c != '.' && c != ':' &&
            c != '+')
            return {};
        name += lower;
    }
    return name;
}

std::string DeclaredCharset(std::string_view text)
{
    if (std::string marked = MarkedCharset(text); !marked.empty())
        return marked;
    // Browsers read every <meta> of the first kilobyte, and further ones
    // only while the head lasts: until text or a tag that belongs in a
    // body. The page's own <body> tag may be gone from the stored text.
    // Only tag names and <meta> tags are lowered, not the whole scan.
    constexpr std::size_t AlwaysScanned = 1024;
    const std::string_view scan = text.substr(0, CharsetScanBytes);
    bool inHead = true;
    std::size_t textFrom = 0;
    std::string tag;
    for (std::size_t at = scan.find('<'); at != std::string_view::npos; at = scan.find('<', at + 1))
    {
        if (inHead && at > textFrom &&
            !std::all_of(scan.begin() + static_cast<std::ptrdiff_t>(textFrom), scan.begin() + static_cast<std::ptrdiff_t>(at),
                         IsBlank))
            inHead = false;
        const std::size_t close = scan.find('>', at);
        if (close == std::string_view::npos)
            break;
        textFrom = close + 1;
        if (!inHead && at >= AlwaysScanned)
            break;
        tag.clear();
        for (std::size_t end = at + 1; end < scan.size(); ++end)
        {
            const char lower = LowerAscii(scan[end]);
            if (lower < 'a' || lower > 'z')
                break;
            tag += lower;
        }
        if (tag.empty())
            continue;
        if (std::find(HeadTags.begin(), HeadTags.end(), tag) == HeadTags.end())
        {
            inHead = false;
            continue;
        }
        if (tag == "title" || tag == "script" || tag == "style")
        {
            // Their text is not the page's: go on after their end tag.
            const std::size_t endTag = FindEndTag(scan, tag, at);
            if (endTag == std::string_view::npos)
                break;
            at = endTag;
            textFrom = std::min(scan.size(), endTag + tag.size() + 3);
            continue;
        }
        if (tag != "meta")
            continue;
        if (std::string name = CharsetAfterName(AsciiLower(scan.substr(at, close - at))); !name.empty())
            return name;
    }
    return {};
}

std::string ServedType(std::string_view storedType, bool asHtml, std::string_view text)
{
    const std::string_view essence = asHtml ? std::string_view("text/html") : Essence(storedType);
    if (!AsciiLower(essence).starts_with("text/"))
        return std::string(storedType);
    std::string charset = MarkedCharset(text);
    if (charset.empty())
        charset = CharsetAfterName(AsciiLower(storedType.substr(std::min(storedType.size(), storedType.find(';')))));
    if (charset.empty() && AsciiLower(essence) == "text/html")
        charset = DeclaredCharset(text);
    if (charset.empty())
        return asHtml ? std::string(essence) : std::string(storedType);
    return std::string(essence) + "; charset=" + charset;
}

} // namespace rv
