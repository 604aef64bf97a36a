// CRC-32 as zlib computes it (the reflected polynomial 0xEDB88320), with a
// carry-less-multiply path on processors that have one: archive blocks are
// checked as they are expanded, and zlib's own loop takes a third of the
// time of the expansion.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rv
{

// Continues crc over count bytes; Crc32(0, ...) starts a new one, and
// Crc32(Crc32(0, a), b) is the CRC of a followed by b, as with zlib's crc32.
// Safe from any thread.
std::uint32_t Crc32(std::uint32_t crc, const void* bytes, std::size_t count);

} // namespace rv
