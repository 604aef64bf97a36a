#include "client/pages/image-sources.h"

#include "client/pages/store-address.h"

namespace rv
{
namespace
{

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

} // namespace

std::string RewriteSrcset(std::string_view value, const std::function<std::string(std::string_view)>& rewrite)
{
    std::string out;
    out.reserve(value.size() + 64);
    std::size_t i = 0;
    std::size_t candidates = 0;
    while (i < value.size())
    {
        // Separators before the address.
        const std::size_t lead = i;
        while (i < value.size() && (IsSpace(value[i]) || value[i] == ','))
            ++i;
        out.append(value.substr(lead, i - lead));
        if (i >= value.size())
            break;
        const std::size_t start = i;
        while (i < value.size() && !IsSpace(value[i]))
            ++i;
        std::size_t end = i;
        // An address that ends in commas has no descriptors; the commas
        // separate it from the next candidate.
        while (end > start && value[end - 1] == ',')
            --end;
        const std::string_view address = value.substr(start, end - start);
        out += ++candidates <= MaxSrcsetCandidates && !address.empty() ? rewrite(address) : std::string(address);
        out.append(value.substr(end, i - end));
        if (end < i)
            continue;
        // Descriptors up to the next comma outside parentheses.
        const std::size_t descriptors = i;
        int depth = 0;
        while (i < value.size() && (value[i] != ',' || depth > 0))
        {
            depth += value[i] == '(' ? 1 : value[i] == ')' && depth > 0 ? -1 : 0;
            ++i;
        }
        out.append(value.substr(descriptors, i - descriptors));
    }
    return out;
}

bool IsPlaceholderSource(std::string_view value)
{
    std::size_t start = 0;
    while (start < value.size() && IsSpace(value[start]))
        ++start;
    value.remove_prefix(start);
    return value.empty() || HasSchemeNamed(value, "data") || HasSchemeNamed(value, "about");
}

} // namespace rv
