#include "client/pages/bookmark-file.h"

#include "store/ascii-text.h"

#include <algorithm>
#include <cstring>

namespace rv
{

namespace
{

constexpr std::string_view Blanks = " \t\r\n\f";
constexpr std::size_t npos = std::string_view::npos;

// A nesting counter that a file of a million "<dl>" cannot overflow.
constexpr int MaxCountedLevel = 1 << 24;

// Longest character reference we decode, "&#x10FFFF;" being the longest
// that means anything.
constexpr std::size_t MaxReferenceLength = 10;

bool IsBlank(char c)
{
    return Blanks.find(c) != npos;
}

// The tag name at the start of `after` (the text after "<") begins with the
// expected lower-case name; a blank in the expected name matches any blank.
bool TagIs(std::string_view after, std::string_view expected)
{
    if (after.size() < expected.size())
        return false;
    for (std::size_t i = 0; i < expected.size(); ++i)
    {
        if (expected[i] == ' ' ? !IsBlank(after[i]) : LowerAscii(after[i]) != expected[i])
            return false;
    }
    return true;
}

void AppendUtf8(std::string& out, unsigned long code)
{
    if (code < 0x80)
        out += static_cast<char>(code);
    else if (code < 0x800)
    {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    else if (code < 0x10000)
    {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The code point of a numeric reference body ("#233" or "#xE9"), or 0 when
// it is none or names no character.
unsigned long NumericReference(std::string_view body)
{
    if (body.size() < 2 || body[0] != '#')
        return 0;
    const bool hex = body[1] == 'x' || body[1] == 'X';
    const std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty())
        return 0;
    unsigned long code = 0;
    for (char c : digits)
    {
        const int value = hex ? HexDigitValue(c) : (IsDigit(c) ? c - '0' : -1);
        if (value < 0)
            return 0;
        code = code * (hex ? 16 : 10) + static_cast<unsigned long>(value);
    }
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return code;
}

std::string CleanText(std::string_view text)
{
    return DecodeCharacterReferences(TrimAny(text, Blanks));
}

// Finds tags and their attributes in one text. A quoted attribute value may
// hold ">"; a quote that never closes ends nowhere, and the tag then ends at
// its first ">". The scanner remembers from where on a quote character no
// longer occurs, so a file of unclosed quotes is still read in one pass.
class TagScanner
{
public:
    explicit TagScanner(std::string_view text) : text_(text) {}

    // The position after the ">" of the tag that starts at `lt`, or npos.
    std::size_t TagEnd(std::size_t lt)
    {
        std::size_t i = lt + 1;
        bool afterEquals = false;
        while (i < text_.size())
        {
            const char c = text_[i];
            if (c == '>')
                return i + 1;
            if ((c == '"' || c == '\'') && afterEquals)
            {
                const std::size_t close = FindQuote(c, i + 1);
                if (close == npos)
                    return FirstGreater(lt);
                i = close + 1;
                afterEquals = false;
                continue;
            }
            if (c == '=')
                afterEquals = true;
            else if (!IsBlank(c))
                afterEquals = false;
            ++i;
        }
        return npos;
    }

    // The value of the attribute `name` (lower case) in the tag text
    // text[lt, end), quotes removed and references decoded; empty when the
    // tag has none.
    std::string Attribute(std::size_t lt, std::size_t end, std::string_view name) const
    {
        const std::string_view tag = text_.substr(lt + 1, end - lt - 2);
        std::size_t i = 0;
        while (i < tag.size() && !IsBlank(tag[i]))
            ++i; // the tag name
        while (i < tag.size())
        {
            while (i < tag.size() && (IsBlank(tag[i]) || tag[i] == '/'))
                ++i;
            const std::size_t nameStart = i;
            while (i < tag.size() && !IsBlank(tag[i]) && tag[i] != '=')
                ++i;
            const std::string_view attribute = tag.substr(nameStart, i - nameStart);
            while (i < tag.size() && IsBlank(tag[i]))
                ++i;
            if (i >= tag.size() || tag[i] != '=')
                continue;
            ++i;
            while (i < tag.size() && IsBlank(tag[i]))
                ++i;
            std::string_view value;
            if (i < tag.size() && (tag[i] == '"' || tag[i] == '\''))
            {
                const std::size_t close = tag.find(tag[i], i + 1);
                const std::size_t stop = close == npos ? tag.size() : close;
                value = tag.substr(i + 1, stop - i - 1);
                i = stop == tag.size() ? stop : stop + 1;
            }
            else
            {
                const std::size_t start = i;
                while (i < tag.size() && !IsBlank(tag[i]))
                    ++i;
                value = tag.substr(start, i - start);
            }
            if (EqualsNoCase(attribute, name))
                return CleanText(value);
        }
        return {};
    }

private:
    std::size_t FindQuote(char quote, std::size_t from)
    {
        std::size_t& none = quote == '"' ? noDoubleFrom_ : noSingleFrom_;
        if (from >= none)
            return npos;
        const std::size_t found = text_.find(quote, from);
        if (found == npos)
            none = from;
        return found;
    }

    std::size_t FirstGreater(std::size_t lt)
    {
        const std::size_t found = text_.find('>', lt);
        return found == npos ? npos : found + 1;
    }

    std::string_view text_;
    std::size_t noDoubleFrom_ = npos;
    std::size_t noSingleFrom_ = npos;
};

std::string HtmlTitle(std::string_view text, TagScanner& scanner)
{
    for (std::size_t lt = FindNoCase(text, "<title"); lt != npos; lt = FindNoCase(text, "<title", lt + 1))
    {
        const std::size_t after = lt + 6;
        if (after < text.size() && text[after] != '>' && !IsBlank(text[after]))
            continue; // "<titlebar>" and the like
        const std::size_t end = scanner.TagEnd(lt);
        if (end == npos)
            return {};
        const std::size_t stop = text.find('<', end);
        return CleanText(text.substr(end, (stop == npos ? text.size() : stop) - end));
    }
    return {};
}

// A title made of the link's inner text: tags at either end and blanks are
// dropped; a link that shows an image has no title.
std::string LinkTitle(std::string_view inner)
{
    if (FindNoCase(inner, "<img") != npos || FindNoCase(inner, "<image") != npos)
        return {};
    for (;;)
    {
        inner = TrimAny(inner, Blanks);
        if (inner.starts_with('<'))
        {
            const std::size_t close = inner.find('>');
            inner = close == npos ? std::string_view() : inner.substr(close + 1);
        }
        else if (inner.ends_with('>'))
        {
            const std::size_t open = inner.rfind('<');
            inner = open == npos ? std::string_view() : inner.substr(0, open);
        }
        else
            break;
    }
    return DecodeCharacterReferences(inner);
}

// The position of the "</a" that closes a link, or npos.
std::size_t LinkClose(std::string_view text, std::size_t from)
{
    for (std::size_t at = FindNoCase(text, "</a", from); at != npos; at = FindNoCase(text, "</a", at + 3))
    {
        if (at + 3 >= text.size() || text[at + 3] == '>' || IsBlank(text[at + 3]))
            return at;
    }
    return npos;
}

} // namespace

std::string DecodeCharacterReferences(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size())
    {
        const std::size_t amp = text.find('&', i);
        if (amp == npos)
        {
            out.append(text.substr(i));
            break;
        }
        out.append(text.substr(i, amp - i));
        const std::size_t semicolon = text.substr(amp + 1, MaxReferenceLength).find(';');
        if (semicolon == npos)
        {
            out += '&';
            i = amp + 1;
            continue;
        }
        const std::string_view body = text.substr(amp + 1, semicolon);
        unsigned long code = 0;
        if (body == "amp")
            code = '&';
        else if (body == "lt")
            code = '<';
        else if (body == "gt")
            code = '>';
        else if (body == "quot")
            code = '"';
        else if (body == "apos")
            code = '\'';
        else if (body == "nbsp")
            code = 0xA0;
        else
            code = NumericReference(body);
        if (code == 0)
        {
            out += '&';
            i = amp + 1;
            continue;
        }
        AppendUtf8(out, code);
        i = amp + 1 + semicolon + 1;
    }
    return out;
}

BookmarkTree ReadBookmarkFile(std::string_view text)
{
    BookmarkTree tree;
    if (text.size() > MaxBookmarkFileBytes)
    {
        tree.Error = BookmarkFileError;
        return tree;
    }
    TagScanner scanner(text);
    tree.Title = HtmlTitle(text, scanner);
    int level = 0;
    int lastDepth = -1;
    std::size_t lt = text.find('<');
    while (lt != npos)
    {
        const std::string_view after = text.substr(lt + 1);
        std::size_t next = lt + 1;
        if (TagIs(after, "dl"))
            level = std::min(level + 1, MaxCountedLevel);
        else if (TagIs(after, "/dl"))
            level = std::max(level - 1, 0);
        else if (TagIs(after, "dt"))
        {
            // The item is the tag after "<dt>": a link, or a folder's heading.
            const std::size_t item = text.find('<', lt + 1);
            if (item == npos)
                break;
            const std::string_view itemName = text.substr(item + 1);
            if (itemName.starts_with('/') || TagIs(itemName, "dl") || TagIs(itemName, "dt") || TagIs(itemName, "dd"))
            {
                lt = item;
                continue;
            }
            const std::size_t end = scanner.TagEnd(item);
            if (end == npos)
                break;
            const std::size_t stop = text.find('<', end);
            BookmarkNode node;
            node.Address = scanner.Attribute(item, end, "href");
            node.Text = CleanText(text.substr(end, (stop == npos ? text.size() : stop) - end));
            if (node.Text.empty())
                node.Text = node.Address;
            // Levels 0 and 1 are the top; a level that skips one hangs under
            // the last item, the deepest a tree can show it.
            node.Depth = std::min({std::max(level - 1, 0), lastDepth + 1, MaxBookmarkDepth - 1});
            lastDepth = node.Depth;
            tree.Nodes.push_back(std::move(node));
            next = end;
        }
        lt = text.find('<', next);
    }
    tree.Ok = !tree.Nodes.empty();
    if (!tree.Ok)
        tree.Error = BookmarkFileError;
    return tree;
}

BookmarkTree ReadLinkFile(std::string_view text)
{
    BookmarkTree tree;
    if (text.size() > MaxBookmarkFileBytes)
    {
        tree.Error = LinkFileError;
        return tree;
    }
    TagScanner scanner(text);
    tree.Title = HtmlTitle(text, scanner);
    std::size_t lt = FindNoCase(text, "<a");
    while (lt != npos)
    {
        if (lt + 2 >= text.size() || !IsBlank(text[lt + 2]))
        {
            lt = FindNoCase(text, "<a", lt + 2);
            continue;
        }
        const std::size_t end = scanner.TagEnd(lt);
        if (end == npos)
            break;
        const std::size_t close = LinkClose(text, end);
        if (close == npos)
            break;
        BookmarkNode node;
        node.Address = scanner.Attribute(lt, end, "href");
        if (!node.Address.empty())
        {
            node.Text = LinkTitle(text.substr(end, close - end));
            if (node.Text.empty())
                node.Text = node.Address;
            tree.Nodes.push_back(std::move(node));
        }
        lt = FindNoCase(text, "<a", close + 3);
    }
    // A file with zero bytes inside is no text, whatever it seemed to link.
    const bool binary = std::memchr(text.data(), 0, text.size()) != nullptr;
    tree.Ok = !tree.Nodes.empty() && !binary;
    if (tree.Nodes.empty())
        tree.Error = NoLinksError;
    else if (binary)
        tree.Error = LinkFileError;
    if (!tree.Ok)
        tree.Nodes.clear();
    return tree;
}

} // namespace rv
