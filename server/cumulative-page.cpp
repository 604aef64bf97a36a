#include "server/cumulative-page.h"

namespace rv
{

std::optional<std::string> DoCumulativePage(std::string_view, const ServerSettings&)
{
    return std::nullopt;
}

} // namespace rv
