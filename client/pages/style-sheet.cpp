#include "client/pages/style-sheet.h"

#include "client/pages/css-scan.h"
#include "client/pages/link-policy.h"
#include "client/pages/link-resolver.h"
#include "client/pages/store-address.h"
#include "store/index-record.h"

#include <optional>

namespace rv
{
namespace
{

std::string_view Trimmed(std::string_view text)
{
    constexpr std::string_view Space = " \t\r\n\f";
    const std::size_t start = text.find_first_not_of(Space);
    if (start == std::string_view::npos)
        return {};
    return text.substr(start, text.find_last_not_of(Space) + 1 - start);
}

// The text that takes the reference's place, or nothing when it stays.
std::optional<std::string> Rewritten(const CssReference& reference, const StyleSheetPlace& place, LinkPolicy& policy)
{
    const std::string_view value = Trimmed(reference.Value);
    if (value.empty() || value.front() == '#')
        return std::nullopt;
    if (LinkSchemeLength(value) != 0 && !HasSchemeNamed(value, "http") && !HasSchemeNamed(value, "https"))
        return std::nullopt;
    const std::string resolved = ResolveAddress(place.Base, value);
    if (resolved.size() > MaxKeyBytes)
        return std::nullopt;
    bool loaded = false;
    if (reference.Import)
    {
        const int nesting = place.Nesting + 1;
        const std::size_t before = policy.Found().size();
        loaded = nesting < MaxStyleSheetNesting && policy.Embedded(resolved, ContentKind::Other);
        if (loaded && policy.Found().size() > before)
        {
            policy.Found().back().StyleNesting = static_cast<std::uint8_t>(nesting);
            policy.Found().back().StyleSheet = true;
        }
    }
    else
        loaded = policy.Embedded(resolved, LooksLikeCssImage(resolved) ? ContentKind::Images : ContentKind::Other);
    const std::string address = place.Prefix + (loaded ? resolved : std::string(kNotLoadedAddress));
    return "url(\"" + CssString(address) + "\")";
}

} // namespace

std::string RewriteStyleSheet(std::string_view css, const StyleSheetPlace& place, LinkPolicy& policy)
{
    const std::vector<CssReference> references = ScanCss(css);
    std::string out;
    out.reserve(css.size() + css.size() / 8);
    std::size_t at = 0;
    for (const CssReference& reference : references)
    {
        std::optional<std::string> text = Rewritten(reference, place, policy);
        if (!text)
            continue;
        out.append(css.substr(at, reference.Start - at));
        out += *text;
        at = reference.End;
    }
    out.append(css.substr(at));
    return out;
}

bool IsStyleSheetType(std::string_view contentType)
{
    constexpr std::string_view Css = "text/css";
    if (contentType.size() < Css.size())
        return false;
    for (std::size_t i = 0; i < Css.size(); ++i)
        if ((contentType[i] >= 'A' && contentType[i] <= 'Z' ? contentType[i] - 'A' + 'a' : contentType[i]) != Css[i])
            return false;
    return contentType.size() == Css.size() || contentType[Css.size()] == ';' || contentType[Css.size()] == ' ';
}

} // namespace rv
