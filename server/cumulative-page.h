// The cumulative page: every entry's summary over all of a brief's
// archives, from the brief's catalogue.
#pragma once

#include "server/server-settings.h"

#include <optional>
#include <string>
#include <string_view>

namespace rv
{

// The whole answer for the cumulative view of the archive, or nothing when
// the catalogue lists no archive that exists (the archive's own summary page
// is served then).
std::optional<std::string> DoCumulativePage(std::string_view archiveName, const ServerSettings& settings);

} // namespace rv
