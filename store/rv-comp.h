// RVComp: the compression interface both programs use for archive blocks.
//
// Storages are growable in-memory byte buffers; compressors and
// decompressors turn one whole input storage into one output storage.
// Handles are opaque 32-bit values (0 is never a valid handle); a status of
// 0 means success, a negative status names no particular cause: an unknown
// handle or one of another kind, a write to a closed storage, a compression
// of a storage still open for writing, or bytes that are not a valid block.
// Size and read calls on an unknown handle give 0. Every function is safe to
// call from any thread; one handle is used by one thread at a time. A
// storage owns its bytes until it is deleted.
//
// The compressed form of a block is a zstd frame made with the dictionary
// built into both programs; the frame names the dictionary it needs, so a
// block made with another dictionary is refused rather than misread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rv
{

using ALHandle = std::uint32_t;
using ALStatus = int;

// A block of at most this many plain bytes always compresses to a length
// that fits the 16-bit length field in front of every stored block.
constexpr std::size_t MaxBlockPlainBytes = 20000;

// A stored block's length field is 16 bits, and 0 ends a page; CompressBlock
// refuses a block whose compressed form would not fit.
constexpr std::size_t MaxBlockStoredBytes = 0xFFFF;

// The most one decompression produces unless a smaller limit is set: a
// frame that claims more is refused before anything is reserved for it.
constexpr std::size_t MaxExpandedBytes = std::size_t{1} << 24;

// label: a name for diagnostics ("In", "Out", "IndexIn", ...); the other two
// arguments are kept for the caller's call shape and must be null and 0.
ALHandle newALWinMemory(const char* label, void* buffer, long bufferSize);
ALStatus ALStorageCreate(ALHandle storage, long sizeHint);
ALStatus ALStorageWriteBuffer(ALHandle storage, const void* bytes, long count);
ALStatus ALStorageClose(ALHandle storage);
ALStatus ALStorageOpen(ALHandle storage);
// Reads up to count bytes from the read position; returns the number read.
long ALStorageReadBuffer(ALHandle storage, void* buffer, long count);
long ALStorageGetSize(ALHandle storage);
// Starts a CRC-32 over everything written to the storage after this call.
ALStatus ALStorageInitCrc32(ALHandle storage, std::int32_t seed);
std::uint32_t ALStorageGetCrc32(ALHandle storage);
void ALStorageDelete(ALHandle storage);

// level, window bits, memory level: accepted for the caller's call shape;
// the compressor always uses the settings that suit 20000-byte blocks.
// ALCompress and ALDecompress need a closed input and append to a writable
// output; the input is left as it was.
ALHandle newALPkCompressor(int level, int windowBits, int memLevel);
ALStatus ALCompress(ALHandle compressor, ALHandle input, ALHandle output);
void deleteALCompressor(ALHandle compressor);

ALHandle newALPkDecompressor();
// Lowers the most plain bytes one ALDecompress of this decompressor may
// produce (never above MaxExpandedBytes); a frame claiming more is refused.
ALStatus ALDecompressorSetLimit(ALHandle decompressor, std::size_t maxPlain);
ALStatus ALDecompress(ALHandle decompressor, ALHandle input, ALHandle output, long compressedLength);
void deleteALDecompressor(ALHandle decompressor);

// The two block operations of the archive, in the storage call order the
// archive writer and readers use. CompressBlock returns nothing when the
// compressor fails or the result would not fit MaxBlockStoredBytes (only
// possible for inputs well above MaxBlockPlainBytes); ExpandBlock returns
// nothing for bytes that are not exactly one valid block, and never reserves
// or produces more than maxPlain bytes. crc is the CRC-32 of the plain bytes
// (the same value as zlib's crc32).
std::optional<std::string> CompressBlock(ALHandle compressor, std::string_view plain);

struct ExpandedBlock
{
    std::string bytes;
    std::uint32_t crc = 0;
};
std::optional<ExpandedBlock> ExpandBlock(std::string_view compressed, std::size_t maxPlain = MaxExpandedBytes);
// The same expansion straight onto the end of plain, for readers that want
// neither the CRC nor a buffer of their own; false, with plain as it was,
// where ExpandBlock returns nothing.
bool AppendExpandedBlock(std::string_view compressed, std::size_t maxPlain, std::string& plain);

} // namespace rv
