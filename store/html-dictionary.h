// The zstd dictionary every archive block is compressed with, trained on
// HTML by tools/train-dictionary and built into the library from
// store/html-dictionary.bin.
#pragma once

#include <cstdint>
#include <string_view>

namespace rv
{

// The ID the dictionary carries and every block frame names. A new dictionary
// must take a new ID, so that old archives are refused rather than misread;
// IDs 32768 to 65535 cost two bytes per frame and are free for private use.
constexpr std::uint32_t HtmlDictionaryId = 32769;

// The dictionary's bytes; static, valid for the life of the program.
std::string_view HtmlDictionary();

} // namespace rv
