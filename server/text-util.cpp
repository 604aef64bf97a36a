#include "server/text-util.h"

namespace rv
{

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    for (;;)
    {
        const std::size_t at = text.find(from, i);
        if (at == std::string_view::npos || from.empty())
            break;
        out.append(text.substr(i, at - i));
        out.append(to);
        i = at + from.size();
    }
    out.append(text.substr(i));
    return out;
}

std::string_view WithoutNumberPrefix(std::string_view name)
{
    std::size_t i = 0;
    while (i < name.size() && IsDigit(name[i]))
        ++i;
    if (i > 0 && i < name.size() && name[i] == '/')
        return name.substr(i + 1);
    return name;
}

} // namespace rv
