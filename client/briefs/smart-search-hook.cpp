#include "client/briefs/smart-search-hook.h"

#include <utility>

namespace rv
{

namespace
{

SmartSearchParser& InstalledParser()
{
    static SmartSearchParser parser;
    return parser;
}

} // namespace

void SetSmartSearchParser(SmartSearchParser parser)
{
    InstalledParser() = std::move(parser);
}

bool SmartSearchQueryAccepted(std::string_view query)
{
    const SmartSearchParser& parser = InstalledParser();
    return !parser || parser(query);
}

} // namespace rv
