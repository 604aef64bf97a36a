// Scrambled texts: how credentials and lock texts are kept in brief files
// and in the settings file, so that they are not readable at a glance.
//
// A text is Base64-encoded (standard alphabet, "=" padding, no line breaks)
// and every byte of the Base64 text is then XORed with a fixed 10-byte key.
// This hides a password from a casual look; it is not encryption.
//
// All functions are pure and may be called from any thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace rv
{

// The key cycles over the Base64 text: byte i is XORed with key[i % 10].
inline constexpr std::array<std::uint8_t, 10> ScrambleKey = {0x3F, 0x71, 0x2A, 0x5C, 0xE1, 0x9A, 0x47, 0xC8, 0xB5, 0x2D};

// Base64 of any bytes; the result is 4 * ceil(n / 3) bytes long.
std::string Base64Encode(std::string_view bytes);

// Decodes Base64 text. Decoding stops at the first "=" or at the end;
// bytes outside the alphabet are skipped and an incomplete last group gives
// the whole bytes it holds, so damaged input yields a best-effort text and
// never fails.
std::string Base64Decode(std::string_view text);

// XORs bytes with the key, starting at key byte 0; applying it twice gives
// the input back.
std::string XorWithScrambleKey(std::string_view bytes);

// The scrambled form of a plain text; an empty text gives an empty result.
std::string ScrambleText(std::string_view plain);

// The plain text of a scrambled form (the reverse of ScrambleText).
std::string UnscrambleText(std::string_view scrambled);

// The longest plain text whose scrambled form still fits in `limit` bytes.
std::size_t MaxPlainLengthForScrambled(std::size_t limit);

} // namespace rv
