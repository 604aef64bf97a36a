// The three kinds of brief entry.
#pragma once

#include <cstdint>

namespace rv
{

// Stored as one byte in memory and as a word in brief files; the values are
// part of the file format.
enum class EntryKind : std::uint8_t
{
    Web = 0,    // a page address that is fetched and followed
    Search = 1, // a query sent to a set of search engines
    Yahoo = 2,  // a directory search text and a set of directory categories
};

// Highest value a brief file may hold for a kind.
inline constexpr std::uint8_t LastEntryKindValue = 2;

} // namespace rv
