// Base64 with the standard alphabet, "=" padding and no line breaks, as
// Basic credentials are sent.
#pragma once

#include <string>
#include <string_view>

namespace rv
{

std::string Base64Encode(std::string_view bytes);

} // namespace rv
