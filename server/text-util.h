// Text helpers of the server's own; the shared ones (case, blanks, numbers,
// escaping) come from the store's toolkit.
#pragma once

#include "store/ascii-text.h"

#include <string>
#include <string_view>

namespace rv
{

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// The name without a leading run of digits and the "/" right after it (the
// number prefix of a stored page name).
std::string_view WithoutNumberPrefix(std::string_view name);

} // namespace rv
