// Compares two pages cut from one input: the first byte chooses marking or
// extraction, and the rest is split at the first "\n--\n" (else halved) into
// the new page and the previous copy. Both come from Web servers, so any
// bytes are possible. Checks the result's shape, that a small page
// compared with itself shows no differences, and that the indexed search
// takes the same decisions as the literal scan.
#include "client/pages/page-compare.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    constexpr std::string_view Separator = "\n--\n";
    const std::size_t cut = input.find(Separator);
    const std::string_view page = cut == std::string_view::npos ? input.substr(0, input.size() / 2) : input.substr(0, cut);
    const std::string_view previous =
        cut == std::string_view::npos ? input.substr(input.size() / 2) : input.substr(cut + Separator.size());

    rv::CompareOptions options;
    options.Extract = (data[0] & 1) != 0;
    const rv::CompareResult result = rv::ComparePages(page, previous, options);
    if (result.Stopped || (options.Extract && !result.MarkerPositions.empty()))
        __builtin_trap();
    if (!result.DifferencesFound && !result.MarkerPositions.empty())
        __builtin_trap();
    for (std::size_t i = 0; i < result.MarkerPositions.size(); ++i)
        if (result.MarkerPositions[i] > page.size() || (i > 0 && result.MarkerPositions[i - 1] >= result.MarkerPositions[i]))
            __builtin_trap();
    // A kept image tag grows by at most the quotes and ",.gif" around an empty value.
    if (result.Extracted.size() > 2 * page.size())
        __builtin_trap();
    if (!options.Extract && !result.Extracted.empty())
        __builtin_trap();

    // Small enough that the search's work bound cannot be reached.
    if (page.size() <= 512 && rv::ComparePages(page, page, options).DifferencesFound)
        __builtin_trap();
    if (page.size() <= 4096 && previous.size() <= 4096)
    {
        rv::CompareOptions literal = options;
        literal.LiteralSearch = true;
        const rv::CompareResult reference = rv::ComparePages(page, previous, literal);
        if (reference.MarkerPositions != result.MarkerPositions || reference.Extracted != result.Extracted ||
            reference.DifferencesFound != result.DifferencesFound)
            __builtin_trap();
    }
    return 0;
}
