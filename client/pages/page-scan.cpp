#include "client/pages/page-scan.h"

#include "client/briefs/web-page.h"
#include "client/pages/html-entities.h"
#include "client/pages/image-sources.h"
#include "client/pages/link-resolver.h"
#include "client/pages/store-address.h"
#include "client/pages/style-sheet.h"
#include "client/pages/tag-table.h"
#include "client/pages/working-copy.h"
#include "store/index-record.h"

#include <algorithm>
#include <cstring>

namespace rv
{
namespace
{

// Longer titles are cut: they only label site-map lines.
constexpr std::size_t MaxTitleBytes = 512;

// Rewriting stops once the stored page is this many times the received one
// (plus a little): every address may grow by the page's directory and by
// the character references its ":" and "&" need, and a page of nothing but
// short links to a long base must not make the stored page grow without end.
constexpr std::size_t MaxGrowthFactor = 8;
constexpr std::size_t GrowthAllowance = 65536;

// A body tag followed by a script closer before the next script opener is
// script text; the search goes on this many bytes further.
constexpr std::size_t BodyTagSkip = 20;

enum class ValueScheme
{
    Web,        // http, or no scheme (relative, "//host", drive letters)
    JavaScript, // left as it is
    Other,      // mailto, ftp, https, data...: left as it is, not followed
};

// The value as the resolver reads it: white space and quotes around it
// dropped, entity references decoded.
std::string CleanedValue(std::string_view raw)
{
    std::size_t start = 0;
    while (start < raw.size() && (IsHtmlSpace(raw[start]) || raw[start] == '"' || raw[start] == '\''))
        ++start;
    std::size_t end = raw.size();
    while (end > start && (IsHtmlSpace(raw[end - 1]) || raw[end - 1] == '"' || raw[end - 1] == '\''))
        --end;
    return DecodeEntities(raw.substr(start, end - start));
}

ValueScheme SchemeOf(std::string_view cleaned)
{
    if (LinkSchemeLength(cleaned) == 0 || HasSchemeNamed(cleaned, "http") || HasSchemeNamed(cleaned, "https"))
        return ValueScheme::Web;
    if (HasSchemeNamed(cleaned, "javascript"))
        return ValueScheme::JavaScript;
    return ValueScheme::Other;
}

bool IsLeavingTarget(std::string_view target)
{
    const std::string cleaned = CleanedValue(target);
    auto same = [&](std::string_view word)
    {
        return cleaned.size() == word.size() &&
               std::equal(cleaned.begin(), cleaned.end(), word.begin(),
                          [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b; });
    };
    return same("_blank") || same("_top");
}

std::string_view WithoutFragment(std::string_view address)
{
    return address.substr(0, address.find('#'));
}

} // namespace

std::string AppletCodePath(std::string_view code)
{
    std::string path = CleanedValue(code);
    while (!path.empty() && (path.back() == '/' || path.back() == '\\'))
        path.pop_back();
    if (path.size() >= 6 && path.compare(path.size() - 6, 6, ".class") == 0)
        path.resize(path.size() - 6);
    std::replace(path.begin(), path.end(), '.', '/');
    return path + ".class";
}

std::string PageTitle(std::string_view body, std::string_view copy)
{
    const std::ptrdiff_t open = FindTag(copy, 0, "title");
    if (open == kNoTag)
        return {};
    const std::ptrdiff_t openEnd = TagEnd(copy, static_cast<std::size_t>(open));
    if (openEnd == kNoTag)
        return {};
    const auto start = static_cast<std::size_t>(openEnd) + 1;
    std::ptrdiff_t close = FindTag(copy, start, "/title");
    const std::size_t end = close == kNoTag ? std::min(copy.size(), start + MaxTitleBytes) : static_cast<std::size_t>(close);
    std::string title;
    for (std::size_t i = start; i < end && title.size() < MaxTitleBytes; ++i)
    {
        const char c = body[i];
        if (IsHtmlSpace(c))
        {
            if (!title.empty() && title.back() != ' ')
                title.push_back(' ');
        }
        else
            title.push_back(c);
    }
    while (!title.empty() && title.back() == ' ')
        title.pop_back();
    return title;
}

PageScan::PageScan(std::string_view body, std::string& copy, PageOutput& output, LinkPolicy& policy, const TWebPage& entry,
                   std::string pageAddress)
    : body_(body), copy_(copy), out_(output), policy_(policy), entry_(entry), page_(std::move(pageAddress)), base_(page_)
{
}

void PageScan::BlankCopy(std::size_t start, std::size_t end)
{
    end = std::min(end, copy_.size());
    if (start < end)
        std::memset(copy_.data() + start, ' ', end - start);
    out_.Blank(start, end);
}

const std::string& PageScan::TakeBaseAddress()
{
    const std::ptrdiff_t tag = FindTag(copy_, 0, "base");
    if (tag == kNoTag)
        return base_;
    const auto at = static_cast<std::size_t>(tag);
    const std::ptrdiff_t end = TagEnd(copy_, at);
    if (end == kNoTag)
        return base_;
    const auto close = static_cast<std::size_t>(end);
    // An "href" counts only inside the tag: no other tag opens before its end.
    const void* inner = std::memchr(copy_.data() + at + 1, kTagOpen, close - at - 1);
    if (!inner)
    {
        if (std::optional<AttributeValue> href = FindAttribute(copy_, at, close, "href"))
        {
            const std::string cleaned = CleanedValue(Raw(href->Start, href->End));
            if (!cleaned.empty() && SchemeOf(cleaned) == ValueScheme::Web)
            {
                std::string base = ResolveAddress(page_, cleaned);
                if (base.size() <= MaxKeyBytes)
                    base_ = std::move(base);
            }
        }
    }
    BlankCopy(at, close + 1);
    return base_;
}

std::ptrdiff_t PageScan::FindBodyTag() const
{
    // The next script closer and opener are remembered between rounds, so
    // that a page of many body tags inside scripts is still read once.
    constexpr std::ptrdiff_t NotSearched = -2;
    std::ptrdiff_t closer = NotSearched;
    std::ptrdiff_t opener = NotSearched;
    auto next = [this](std::ptrdiff_t& known, std::size_t from, std::string_view name)
    {
        if (known == NotSearched || (known != kNoTag && static_cast<std::size_t>(known) < from))
            known = FindTag(copy_, from, name);
        return known;
    };
    std::size_t from = 0;
    while (from < copy_.size())
    {
        const std::ptrdiff_t body = FindTag(copy_, from, "body");
        if (body == kNoTag)
            return kNoTag;
        const auto at = static_cast<std::size_t>(body);
        if (next(closer, at, "/script") == kNoTag)
            return body;
        if (next(opener, at, "script") != kNoTag && opener < closer)
            return body;
        from = at + BodyTagSkip;
    }
    return kNoTag;
}

void PageScan::CopyHeadScripts(std::ptrdiff_t bodyTag)
{
    std::ptrdiff_t limit = bodyTag;
    if (limit == kNoTag)
        limit = FindTag(copy_, 0, "/head");
    if (limit == kNoTag)
        return;
    const auto stop = static_cast<std::size_t>(limit);
    // Scripts are looked for before the limit only. The view keeps the limit's
    // own "<", so that a name right before it is read as in the whole page.
    const std::string_view head = std::string_view(copy_).substr(0, stop + 1);
    std::size_t from = 0;
    for (;;)
    {
        const std::ptrdiff_t script = FindTag(head, from, "script");
        if (script == kNoTag || static_cast<std::size_t>(script) >= stop)
            return;
        const auto at = static_cast<std::size_t>(script);
        std::size_t end = stop;
        const std::ptrdiff_t closer = FindTag(copy_, at, "/script");
        if (closer != kNoTag && static_cast<std::size_t>(closer) < stop)
        {
            const std::ptrdiff_t closerEnd = TagEnd(copy_, static_cast<std::size_t>(closer));
            end = closerEnd == kNoTag ? stop : std::min(stop, static_cast<std::size_t>(closerEnd) + 1);
        }
        else if (const std::ptrdiff_t headEnd = FindTag(copy_, at, "/head"); headEnd != kNoTag && headEnd < limit)
            end = static_cast<std::size_t>(headEnd);
        // The script's own source address is rewritten like any other.
        const std::ptrdiff_t tagEnd = TagEnd(copy_, at);
        std::optional<AttributeValue> src;
        if (tagEnd != kNoTag && static_cast<std::size_t>(tagEnd) < end)
            src = FindAttribute(copy_, at, static_cast<std::size_t>(tagEnd), "src");
        if (src)
        {
            WriteEmbeddedValue(at, *src, ContentKind::Other);
            out_.Write(Raw(src->End, end));
        }
        else
            out_.Write(Raw(at, end));
        BlankCopy(at, end);
        from = std::max(end, at + 1);
    }
}

void PageScan::CopyBodyTag(std::ptrdiff_t bodyTag)
{
    if (bodyTag == kNoTag)
        return;
    const auto at = static_cast<std::size_t>(bodyTag);
    const std::ptrdiff_t end = TagEnd(copy_, at);
    if (end == kNoTag)
        return;
    const auto close = static_cast<std::size_t>(end);
    std::optional<AttributeValue> background = FindAttribute(copy_, at, close, "background");
    if (background)
    {
        WriteEmbeddedValue(at, *background, ContentKind::Images);
        out_.Write(Raw(background->End, close + 1));
    }
    else
        out_.Write(Raw(at, close + 1));
    BlankCopy(at, close + 1);
}

void PageScan::CopyHead(bool keptFrameset, std::int64_t frameHeadNumber)
{
    const std::ptrdiff_t bodyTag = FindBodyTag();
    CopyHeadScripts(bodyTag);
    if (keptFrameset)
    {
        if (frameHeadNumber >= 0)
        {
            out_.Write("<frameset rows=\"36,*\">");
            out_.Write("<frame src=\"FrameHead" + std::to_string(frameHeadNumber) +
                       "\" marginwidth=\"1\" marginheight=\"1\" scrolling=\"no\" resize>");
        }
        return;
    }
    CopyBodyTag(bodyTag);
}

std::string PageScan::LinkText(const std::string& resolved, bool plain) const
{
    std::string text = plain ? std::string() : std::string(kNotFollowedPrefix);
    text += EncodeForStore(resolved);
    return text;
}

void PageScan::Replace(std::size_t start, std::size_t end, char quote, std::string_view text)
{
    out_.CopyTo(start);
    out_.WriteAttributeValue(text, quote);
    out_.SkipTo(end);
}

bool PageScan::ServerSideMapFollows(std::size_t end) const
{
    const std::ptrdiff_t next = end + 1 < copy_.size() ? FindTag(copy_, end + 1, "*") : kNoTag;
    if (next == kNoTag)
        return false;
    const auto at = static_cast<std::size_t>(next);
    const TagKind kind = ClassifyTag(copy_, at);
    if (kind == TagKind::Map)
        return true;
    if (kind != TagKind::Image)
        return false;
    const std::ptrdiff_t nextEnd = TagEnd(copy_, at);
    return nextEnd != kNoTag && TagContains(copy_, at, static_cast<std::size_t>(nextEnd), "ismap");
}

void PageScan::HandleLink(std::size_t at, std::size_t end, const char* attribute, LinkUse use)
{
    std::optional<AttributeValue> value = FindAttribute(copy_, at, end, attribute);
    if (!value)
        return;
    const std::string cleaned = CleanedValue(Raw(value->Start, value->End));
    const ValueScheme scheme = SchemeOf(cleaned);
    if (scheme == ValueScheme::JavaScript)
        return;
    if (scheme == ValueScheme::Other)
    {
        policy_.OtherScheme(cleaned);
        return;
    }
    const std::string resolved = ResolveAddress(base_, cleaned);
    if (resolved.size() > MaxKeyBytes)
        return; // no stored page can have such an address; the value stays as it is
    const std::size_t hash = resolved.find('#');
    if (hash != std::string::npos && WithoutFragment(resolved) == page_)
    {
        // A jump within the page names the page itself, so that the browser
        // stays on it whatever base the server gives the page.
        Replace(value->Start, value->End, value->Quote, EncodeForStore(resolved));
        return;
    }
    if (use == LinkUse::Page && ClassifyTag(copy_, at) == TagKind::Anchor && ServerSideMapFollows(end))
    {
        // Only the real site can answer the clicked coordinates.
        Replace(value->Start, value->End, value->Quote, "http://" + resolved);
        return;
    }
    std::optional<AttributeValue> target = FindAttribute(copy_, at, end, "target");
    const bool leaves = target && IsLeavingTarget(Raw(target->Start, target->End));
    const bool plain = policy_.Link(resolved, use, leaves);
    Replace(value->Start, value->End, value->Quote, LinkText(resolved, plain));
}

void PageScan::HandleRefresh(std::size_t at, std::size_t end)
{
    std::optional<AttributeValue> value = FindRefreshUrl(copy_, at, end);
    if (!value || value->Start >= value->End)
        return;
    const std::string cleaned = CleanedValue(Raw(value->Start, value->End));
    const ValueScheme scheme = SchemeOf(cleaned);
    if (scheme != ValueScheme::Web)
    {
        if (scheme == ValueScheme::Other)
            policy_.OtherScheme(cleaned);
        return;
    }
    const std::string resolved = ResolveAddress(base_, cleaned);
    if (resolved.size() > MaxKeyBytes)
        return; // no stored page can have such an address; the value stays as it is
    const bool plain = policy_.Link(resolved, LinkUse::Refresh, true);
    Replace(value->Start, value->End, value->Quote, LinkText(resolved, plain));
}

void PageScan::HandleEmbedded(std::size_t at, std::size_t end, const char* attribute, ContentKind kind)
{
    std::optional<AttributeValue> value = FindAttribute(copy_, at, end, attribute);
    if (!value)
        return;
    const std::string cleaned = CleanedValue(Raw(value->Start, value->End));
    if (cleaned.empty() || SchemeOf(cleaned) != ValueScheme::Web)
        return;
    const std::string resolved = ResolveAddress(base_, cleaned);
    if (resolved.size() > MaxKeyBytes)
        return; // no stored page can have such an address; the value stays as it is
    const bool loaded = policy_.Embedded(resolved, kind);
    Replace(value->Start, value->End, value->Quote, loaded ? EncodeForStore(resolved) : std::string(kNotLoadedAddress));
}

std::optional<std::string> PageScan::EmbeddedText(std::string_view raw, ContentKind kind)
{
    const std::string cleaned = CleanedValue(raw);
    if (cleaned.empty() || cleaned.front() == '#' || SchemeOf(cleaned) != ValueScheme::Web)
        return std::nullopt; // a part of this page (an SVG "use"), or not on the web
    const std::string resolved = ResolveAddress(base_, cleaned);
    if (resolved.size() > MaxKeyBytes)
        return std::nullopt; // no stored page can have such an address; the value stays as it is
    return policy_.Embedded(resolved, kind) ? EncodeForStore(resolved) : std::string(kNotLoadedAddress);
}

void PageScan::WriteEmbeddedValue(std::size_t from, const AttributeValue& value, ContentKind kind)
{
    out_.Write(Raw(from, value.Start));
    if (const std::optional<std::string> text = EmbeddedText(Raw(value.Start, value.End), kind))
        out_.WriteAttributeValue(*text, value.Quote);
    else
        out_.Write(Raw(value.Start, value.End));
}

void PageScan::HandleImage(std::size_t at, std::size_t end, ContentKind srcKind)
{
    // The changes to the tag, written in the order of their places in it.
    struct Edit
    {
        std::size_t Start;
        std::size_t End;
        char Quote;
        std::string Text;
        std::string_view Inserted; // the name of an attribute written anew
    };
    std::vector<Edit> edits;
    auto edit = [&](const AttributeValue& value, std::string text) {
        edits.push_back(Edit{value.Start, value.End, value.Quote, std::move(text), {}});
    };
    std::size_t afterName = at + 1;
    while (afterName < end && !IsHtmlSpace(copy_[afterName]) && copy_[afterName] != '/')
        ++afterName;
    auto rewriteSet = [&](const AttributeValue& value)
    {
        return RewriteSrcset(DecodeEntities(Raw(value.Start, value.End)), [&](std::string_view address)
                             { return EmbeddedText(address, ContentKind::Images).value_or(std::string(address)); });
    };

    // A lazily loaded image shows its data-src once a script has run: the
    // stored page shows it without, and the script finds it stored.
    const std::optional<AttributeValue> src = FindAttribute(copy_, at, end, "src");
    const bool placeholder = !src || IsPlaceholderSource(CleanedValue(Raw(src->Start, src->End)));
    std::optional<std::string> lazy;
    if (const std::optional<AttributeValue> dataSrc = FindAttribute(copy_, at, end, "data-src"))
        if ((lazy = EmbeddedText(Raw(dataSrc->Start, dataSrc->End), ContentKind::Images)))
            edit(*dataSrc, *lazy);
    if (lazy && placeholder)
    {
        if (src)
            edit(*src, *lazy);
        else
            edits.push_back(Edit{afterName, afterName, '"', *lazy, "src"});
    }
    else if (src)
    {
        if (std::optional<std::string> text = EmbeddedText(Raw(src->Start, src->End), srcKind))
            edit(*src, std::move(*text));
    }
    const std::optional<AttributeValue> srcset = FindAttribute(copy_, at, end, "srcset");
    if (srcset)
        edit(*srcset, rewriteSet(*srcset));
    if (const std::optional<AttributeValue> dataSet = FindAttribute(copy_, at, end, "data-srcset"))
    {
        std::string text = rewriteSet(*dataSet);
        if (!srcset)
            edits.push_back(Edit{afterName, afterName, '"', text, "srcset"});
        edit(*dataSet, std::move(text));
    }
    // A video's still, and the picture an SVG image or use element shows.
    for (const char* name : {"poster", "href", "xlink:href"})
        if (const std::optional<AttributeValue> value = FindAttribute(copy_, at, end, name))
            if (std::optional<std::string> text = EmbeddedText(Raw(value->Start, value->End), ContentKind::Images))
                edit(*value, std::move(*text));
    if (const std::optional<AttributeValue> map = FindAttribute(copy_, at, end, "usemap"))
    {
        const std::string cleaned = CleanedValue(Raw(map->Start, map->End));
        if (SchemeOf(cleaned) == ValueScheme::Web)
            edit(*map, "http://" + ResolveAddress(base_, cleaned));
    }
    std::stable_sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.Start < b.Start; });
    for (const Edit& change : edits)
    {
        if (change.Start < out_.CopyPosition())
            continue; // two attributes of one name: the first one counts
        if (change.Inserted.empty())
        {
            Replace(change.Start, change.End, change.Quote, change.Text);
            continue;
        }
        out_.CopyTo(change.Start);
        out_.Write(" ");
        out_.Write(change.Inserted);
        out_.Write("=\"");
        out_.WriteAttributeValue(change.Text, '"');
        out_.Write("\"");
    }
}

void PageScan::HandleApplet(std::size_t at, std::size_t end)
{
    std::optional<AttributeValue> codebase = FindAttribute(copy_, at, end, "codebase");
    std::optional<AttributeValue> code = FindAttribute(copy_, at, end, "code");
    std::string directory = ResolveAddress(base_, "./");
    if (codebase)
    {
        const std::string cleaned = CleanedValue(Raw(codebase->Start, codebase->End));
        if (SchemeOf(cleaned) != ValueScheme::Web)
            return;
        directory = ResolveAddress(base_, cleaned);
        if (directory.empty() || (directory.back() != '/' && directory.back() != '\\'))
            directory.push_back('/');
    }
    bool loaded = true;
    if (code)
        loaded = policy_.Embedded(ResolveAddress(directory, AppletCodePath(Raw(code->Start, code->End))), ContentKind::Java);
    const std::string written = loaded ? EncodeForStore(directory) : std::string(kNotLoadedAddress);
    if (codebase)
    {
        Replace(codebase->Start, codebase->End, codebase->Quote, written);
        return;
    }
    // Without a codebase the browser would look for the code beside the
    // stored page; name the page's directory on the real site instead.
    const std::size_t afterName = at + 1 + std::strlen("applet");
    out_.CopyTo(afterName);
    out_.Write(" codebase=\"");
    out_.WriteAttributeValue(written, '"');
    out_.Write("\"");
}

void PageScan::HandleObject(std::size_t at, std::size_t end)
{
    for (const char* attribute : {"codebase", "code", "data"})
        if (FindAttribute(copy_, at, end, attribute))
            return HandleEmbedded(at, end, attribute, ContentKind::ActiveX);
}

void PageScan::HandleForm(std::size_t at, std::size_t end)
{
    std::optional<AttributeValue> action = FindAttribute(copy_, at, end, "action");
    if (!action)
        return;
    const std::string cleaned = CleanedValue(Raw(action->Start, action->End));
    if (SchemeOf(cleaned) != ValueScheme::Web)
        return;
    // Submitting goes to the real site.
    Replace(action->Start, action->End, action->Quote, "http://" + ResolveAddress(base_, cleaned));
}

void PageScan::HandleStyleLink(std::size_t at, std::size_t end)
{
    // Style sheets, icons, preloaded files and the manifest are part of the
    // page's look and load with it; any other related page (next, index,
    // ...) is a link like an anchor.
    std::optional<AttributeValue> rel = FindAttribute(copy_, at, end, "rel");
    bool resource = false;
    bool styleSheet = false;
    if (rel)
    {
        const std::string text = CleanedValue(Raw(rel->Start, rel->End));
        std::string lower(text.size(), ' ');
        std::transform(text.begin(), text.end(), lower.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; });
        styleSheet = lower.find("stylesheet") != std::string::npos;
        resource = styleSheet || lower.find("icon") != std::string::npos || lower.find("preload") != std::string::npos ||
                   lower.find("manifest") != std::string::npos;
    }
    // What a preload fetches decides which of the entry's switches governs it.
    ContentKind kind = ContentKind::Other;
    if (std::optional<AttributeValue> as = FindAttribute(copy_, at, end, "as"))
    {
        const std::string what = CleanedValue(Raw(as->Start, as->End));
        if (what == "image")
            kind = ContentKind::Images;
        else if (what == "video" || what == "audio" || what == "track")
            kind = ContentKind::PlugIns;
    }
    if (resource)
    {
        const std::size_t before = policy_.Found().size();
        HandleEmbedded(at, end, "href", kind);
        // Sites send style sheets with any type; the link says what it is.
        if (styleSheet && policy_.Found().size() > before)
            policy_.Found().back().StyleSheet = true;
    }
    else
        HandleLink(at, end, "href", LinkUse::Page);
}

std::size_t PageScan::HandleNoFrame(std::size_t at, std::size_t end)
{
    if (!entry_.Frames)
    {
        out_.Blank(at, end + 1);
        return end + 1;
    }
    std::size_t stop = copy_.size();
    const std::ptrdiff_t closer = FindTag(copy_, end, "/noframe*");
    if (closer != kNoTag)
    {
        const std::ptrdiff_t closerEnd = TagEnd(copy_, static_cast<std::size_t>(closer));
        stop = closerEnd == kNoTag ? copy_.size() : static_cast<std::size_t>(closerEnd) + 1;
    }
    out_.Blank(at, stop);
    return stop;
}

// Style text in a page resolves against the page's base; "./" keeps an
// address with a port from reading as a scheme.
constexpr std::string_view InPagePrefix = "./";

std::size_t PageScan::HandleStyleBlock(std::size_t end)
{
    const std::size_t start = end + 1;
    const std::ptrdiff_t closer = FindTag(copy_, start, "/style");
    const std::size_t stop = closer == kNoTag ? copy_.size() : static_cast<std::size_t>(closer);
    out_.CopyTo(start);
    out_.Write(RewriteStyleSheet(Raw(start, stop), StyleSheetPlace{base_, std::string(InPagePrefix), 0}, policy_));
    out_.SkipTo(stop);
    return stop;
}

void PageScan::HandleStyleAttribute(std::size_t at, std::size_t end)
{
    std::optional<AttributeValue> style = FindAttribute(copy_, at, end, "style");
    // The attributes of a tag are rewritten in order: a style before an
    // address already written stays as it is.
    if (!style || style->Start < out_.CopyPosition() || style->Start >= style->End)
        return;
    const std::string css = DecodeEntities(Raw(style->Start, style->End));
    std::string rewritten = RewriteStyleSheet(css, StyleSheetPlace{base_, std::string(InPagePrefix), 0}, policy_);
    if (rewritten != css)
        Replace(style->Start, style->End, style->Quote, rewritten);
}

std::size_t PageScan::HandleTag(std::size_t at, std::size_t end)
{
    const TagKind kind = ClassifyTag(copy_, at);
    switch (kind)
    {
    case TagKind::Other:
    case TagKind::Map:
        break;
    case TagKind::Anchor:
    case TagKind::Area:
        HandleLink(at, end, "href", LinkUse::Page);
        break;
    case TagKind::Meta:
        HandleRefresh(at, end);
        break;
    case TagKind::Image:
        HandleImage(at, end, ContentKind::Images);
        break;
    case TagKind::Source:
    case TagKind::Media:
        HandleImage(at, end, ContentKind::PlugIns);
        break;
    case TagKind::Input:
        HandleEmbedded(at, end, "src", ContentKind::Images);
        break;
    case TagKind::Frame:
        if (entry_.Frames)
            HandleLink(at, end, "src", LinkUse::Frame);
        else
            out_.Blank(at, end + 1);
        break;
    case TagKind::FrameEnd:
    case TagKind::NoFrameEnd:
        if (!entry_.Frames)
            out_.Blank(at, end + 1);
        break;
    case TagKind::Embed:
        HandleEmbedded(at, end, "src", ContentKind::PlugIns);
        break;
    case TagKind::Applet:
        HandleApplet(at, end);
        break;
    case TagKind::Object:
        HandleObject(at, end);
        break;
    case TagKind::Form:
        HandleForm(at, end);
        break;
    case TagKind::Link:
        HandleStyleLink(at, end);
        break;
    case TagKind::Script:
        HandleEmbedded(at, end, "src", ContentKind::Other);
        break;
    case TagKind::NoFrame:
        return HandleNoFrame(at, end);
    case TagKind::Style:
        return HandleStyleBlock(end);
    }
    if (kind != TagKind::Frame && kind != TagKind::FrameEnd && kind != TagKind::NoFrameEnd)
        HandleStyleAttribute(at, end);
    return end + 1;
}

std::uint64_t PageScan::GrowthLimit() const
{
    return MaxGrowthFactor * std::uint64_t{body_.size()} + GrowthAllowance;
}

ScanResult PageScan::Scan(const ScanChecks& checks)
{
    std::size_t position = 0;
    std::size_t tags = 0;
    const char* data = copy_.data();
    while (position < copy_.size())
    {
        const void* hit = std::memchr(data + position, kTagOpen, copy_.size() - position);
        if (!hit)
            break;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
        if (checks.ShouldStop && checks.ShouldStop())
            return ScanResult::Stopped;
        if (out_.Written() > GrowthLimit())
            break; // the rest is copied as it is
        if (tags % LimitCheckInterval == 0 && checks.LimitsReached && checks.LimitsReached())
            return ScanResult::Stopped;
        ++tags;
        const std::ptrdiff_t end = TagEnd(copy_, at);
        if (end == kNoTag)
            break; // an unclosed tag: the rest is copied as it is
        position = HandleTag(at, static_cast<std::size_t>(end));
    }
    out_.CopyTo(body_.size());
    return ScanResult::Complete;
}

} // namespace rv
