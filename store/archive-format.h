// Constants of the retrieval archive (".rvd") and its working files.
//
// An archive is a header, the pages in compressed blocks, and at its end the
// index: a 32-bit record count followed by compressed blocks of index
// records and a 16-bit 0. Every integer is little-endian; every text is a
// 16-bit length followed by that many single-byte characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rv
{

constexpr std::string_view ArchiveMagic = "KSDB-MWR";
constexpr std::uint16_t ArchiveVersion = 1;
// The writer always writes the newest subversion; readers accept all five.
constexpr std::uint16_t ArchiveSubversion = 4;
constexpr std::uint16_t OldestArchiveSubversion = 0;

// Magic, version, subversion and the length of the information text; the
// text and the 32-bit index offset follow.
constexpr std::size_t ArchiveFixedHeaderBytes = 14;

// Index offsets below this cannot point past a header: the field is written
// as 0 until the archive is closed, and such an archive has no index yet.
constexpr std::uint32_t SmallestIndexOffset = 11;

// A page block holds at most this many plain bytes, so that its compressed
// form always fits the 16-bit length in front of it.
constexpr std::size_t PageBlockPlainBytes = 20000;

// Index records are gathered into one compressed block until more than this
// many plain bytes are in it.
constexpr std::size_t IndexBlockThreshold = 19000;

// Plain records (the ".nd2" working file and the index of subversions 0 and
// 1) are read in windows of this size; records starting in the first
// IndexBlockThreshold bytes of a window are parsed, and the next window
// starts where parsing stopped.
constexpr std::size_t RecordWindowBytes = 20000;

// The ".nd2" working file is moved into ".ndx" blocks once more than this
// many bytes were written to it since the last move.
constexpr std::size_t WorkingIndexFlushBytes = 20000;

// Working files are copied into the archive in pieces of this size.
constexpr std::size_t CopyPieceBytes = 20000;

// What a reader accepts from an archive written by someone else: one block
// never expands to more than this (the writer's blocks hold at most
// PageBlockPlainBytes plus one index record), and one page never to more than
// the limit its caller passes (DefaultMaxPageBytes unless told otherwise).
constexpr std::size_t MaxReadBlockBytes = std::size_t{1} << 20;
constexpr std::size_t DefaultMaxPageBytes = std::size_t{256} << 20;

// The largest index a reader loads, far beyond what a run writes (a run of
// thousands of pages and their refused links stays under a tenth of it).
// Larger indexes are refused as damaged before anything is read, so loading
// one costs less time than reading one large page, and a server that keeps
// an index in memory needs for it at most about 2 * (MaxIndexRecords * 300
// bytes + MaxIndexPlainBytes), some 100 MB.
constexpr std::uint32_t MaxIndexRecords = 100000;
constexpr std::uint64_t MaxIndexPlainBytes = std::uint64_t{16} << 20;
// The smallest stored record: every text empty, no Value field.
constexpr std::uint64_t SmallestIndexRecordBytes = 2 + 4 + 4 + 2 + 2 + 1 + 2 + 2 + 2 + 4 + 4;

// The values of an index record's Offset for URLs that were not stored.
constexpr std::int32_t OffsetTooDeep = 0;
constexpr std::int32_t OffsetOutOfTree = -1;
constexpr std::int32_t OffsetSkipped = -2;
constexpr std::int32_t OffsetExcluded = -3;

} // namespace rv
