// Decoding of named character references in addresses taken from pages.
// Pure functions on byte strings (Latin-1 output); any thread.
#pragma once

#include <string>
#include <string_view>

namespace rv
{

// The Latin-1 code (160..255, or '&', '<', '>', '"') of an entity name, or -1
// when the name is not known. Names are compared exactly; the capital
// ligature is known only as "Aelig".
int EntityCode(std::string_view name);

// The text with every "&name;" whose name is known replaced by its one byte.
// Unknown names and numeric references ("&#...;") are left as they are.
// Reads only the bytes of text; the result is never longer than text.
std::string DecodeEntities(std::string_view text);

} // namespace rv
