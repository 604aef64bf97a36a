#include "client/pages/tag-table.h"

#include "client/pages/working-copy.h"
#include "store/ascii-text.h"

#include <array>
#include <bit>
#include <cstdint>

namespace rv
{
namespace
{

struct TagRow
{
    std::string_view Name;
    TagKind Kind;
};

// Every name needs white space or the tag's end after it, except the
// "noframe" rows, which also take "noframes".
constexpr std::array<TagRow, 25> TagRows = {{
    {"a", TagKind::Anchor},
    {"area", TagKind::Area},
    {"applet", TagKind::Applet},
    {"meta", TagKind::Meta},
    {"map", TagKind::Map},
    {"img", TagKind::Image},
    {"image", TagKind::Image},
    {"input", TagKind::Input},
    {"iframe", TagKind::Frame},
    {"frame", TagKind::Frame},
    {"form", TagKind::Form},
    {"/frame", TagKind::FrameEnd},
    {"/iframe", TagKind::FrameEnd},
    {"embed", TagKind::Embed},
    {"object", TagKind::Object},
    {"link", TagKind::Link},
    {"script", TagKind::Script},
    {"style", TagKind::Style},
    {"source", TagKind::Source},
    {"track", TagKind::Source},
    {"video", TagKind::Media},
    {"audio", TagKind::Media},
    {"use", TagKind::Image},
    {"noframe*", TagKind::NoFrame},
    {"/noframe*", TagKind::NoFrameEnd},
}};

// For each first character, the rows whose name starts with it, as bits in
// row order.
static_assert(TagRows.size() <= 32);
constexpr std::array<std::uint32_t, 256> RowsByFirst = []
{
    std::array<std::uint32_t, 256> rows{};
    for (std::size_t i = 0; i < TagRows.size(); ++i)
        rows[static_cast<unsigned char>(TagRows[i].Name[0])] |= std::uint32_t{1} << i;
    return rows;
}();

bool IsQuote(char c)
{
    return c == '"' || c == '\'';
}

// Case-insensitive comparison of copy[at, at + word.size()) with a
// lower-case word.
bool WordAt(std::string_view copy, std::size_t at, std::size_t end, std::string_view word)
{
    if (at + word.size() > end)
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (LowerAscii(copy[at + i]) != word[i])
            return false;
    return true;
}

// The value that starts at `at` (after "=" and white space) up to `end`.
AttributeValue ValueFrom(std::string_view copy, std::size_t at, std::size_t end, bool stopAtSemicolon)
{
    while (at < end && IsHtmlSpace(copy[at]))
        ++at;
    AttributeValue value;
    if (at < end && IsQuote(copy[at]))
    {
        value.Quote = copy[at];
        ++at;
        value.Start = at;
        while (at < end && copy[at] != value.Quote)
            ++at;
        value.End = at;
        return value;
    }
    value.Start = at;
    while (at < end && !IsHtmlSpace(copy[at]) && !(stopAtSemicolon && (IsQuote(copy[at]) || copy[at] == ';')))
        ++at;
    value.End = at;
    return value;
}

} // namespace

TagKind ClassifyTag(std::string_view copy, std::size_t at)
{
    if (at + 1 >= copy.size())
        return TagKind::Other;
    const char first = LowerAscii(copy[at + 1]);
    for (std::uint32_t rows = RowsByFirst[static_cast<unsigned char>(first)]; rows != 0; rows &= rows - 1)
    {
        const TagRow& row = TagRows[static_cast<std::size_t>(std::countr_zero(rows))];
        if (TagNameIs(copy, at, row.Name))
            return row.Kind;
    }
    return TagKind::Other;
}

std::optional<AttributeValue> FindAttribute(std::string_view copy, std::size_t tagStart, std::size_t tagEnd,
                                            std::string_view name)
{
    tagEnd = std::min(tagEnd, copy.size());
    std::size_t i = tagStart + 1;
    while (i < tagEnd)
    {
        // Values in quotes are skipped whole, so that a name inside one is
        // not taken for an attribute.
        if (IsQuote(copy[i]))
        {
            const char quote = copy[i++];
            while (i < tagEnd && copy[i] != quote)
                ++i;
            ++i;
            continue;
        }
        if (!IsHtmlSpace(copy[i]) || !WordAt(copy, i + 1, tagEnd, name))
        {
            ++i;
            continue;
        }
        std::size_t after = i + 1 + name.size();
        std::size_t equals = after;
        while (equals < tagEnd && IsHtmlSpace(copy[equals]))
            ++equals;
        const bool delimited = after == tagEnd || IsHtmlSpace(copy[after]) || copy[after] == '=';
        if (delimited && equals < tagEnd && copy[equals] == '=')
            return ValueFrom(copy, equals + 1, tagEnd, false);
        i = after;
    }
    return std::nullopt;
}

std::optional<AttributeValue> FindRefreshUrl(std::string_view copy, std::size_t tagStart, std::size_t tagEnd)
{
    tagEnd = std::min(tagEnd, copy.size());
    for (std::size_t i = tagStart + 1; i + 4 <= tagEnd; ++i)
        if (WordAt(copy, i, tagEnd, "url="))
            return ValueFrom(copy, i + 4, tagEnd, true);
    return std::nullopt;
}

bool TagContains(std::string_view copy, std::size_t tagStart, std::size_t tagEnd, std::string_view word)
{
    tagEnd = std::min(tagEnd, copy.size());
    for (std::size_t i = tagStart + 1; i + word.size() <= tagEnd; ++i)
        if (WordAt(copy, i, tagEnd, word))
            return true;
    return false;
}

} // namespace rv
