// Feeds arbitrary bytes to the style sheet scanner, as any site may send
// any style sheet. Every reference must lie inside the text, in order and
// without overlap, and an address written back as a CSS string must read
// back as the same address.
#include "client/pages/css-scan.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view css(reinterpret_cast<const char*>(data), size);
    std::size_t previousEnd = 0;
    for (const rv::CssReference& reference : rv::ScanCss(css))
    {
        if (reference.Start < previousEnd || reference.End <= reference.Start || reference.End > css.size() ||
            reference.Value.size() > rv::MaxCssValueBytes)
            std::abort();
        previousEnd = reference.End;
        const std::string written = "url(\"" + rv::CssString(reference.Value) + "\")";
        const std::vector<rv::CssReference> back = rv::ScanCss(written);
        if (back.size() != 1 || back[0].Value != reference.Value || back[0].End != written.size())
            std::abort();
    }
    (void)rv::PathToRoot(css);
    (void)rv::LooksLikeCssImage(css);
    return 0;
}
