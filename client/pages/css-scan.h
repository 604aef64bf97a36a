// The addresses a style sheet names: every url(...) and every @import
// target, found in one left-to-right pass that reads strings, comments and
// escapes the way a browser tokenises CSS, so that "url(" inside a comment
// or a string is not taken for an address.
//
// Pure functions; any thread. The pass never looks back: each byte is read
// a bounded number of times, whatever the text holds.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

// More references than this in one style sheet are left as they are.
inline constexpr std::size_t MaxCssReferences = 1'000'000;
// A value longer than this is no address a store could hold; it is passed
// over.
inline constexpr std::size_t MaxCssValueBytes = 8192;
// Style sheets imported by style sheets are followed this many levels deep
// (a page's own style sheet is level 1).
inline constexpr int MaxStyleSheetNesting = 8;

struct CssReference
{
    std::size_t Start = 0; // the whole url(...) token, or the @import string
    std::size_t End = 0;
    std::string Value;   // the address with escapes decoded
    bool Import = false; // the target of an @import
};

// Every reference in `css`, in order.
std::vector<CssReference> ScanCss(std::string_view css);

// `address` as the body of a CSS string in double quotes: quotes, "\",
// "<", ">" and control bytes written as escapes.
std::string CssString(std::string_view address);

// The relative path from the style sheet stored under `sheetKey` (store
// form) back to the archive's root: one "../" per "/" before any "?".
std::string PathToRoot(std::string_view sheetKey);

// True when the image kind rather than the general file kind decides
// whether an address in a style sheet is fetched: its name ends in a
// common image extension (before any "?").
bool LooksLikeCssImage(std::string_view address);

} // namespace rv
