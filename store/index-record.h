// One record of an archive's index and its byte form.
//
// Byte form, in this order (integers little-endian, texts as a 16-bit length
// and the bytes): Key (text), Offset (32), Length (32), ContentType (text),
// Number (16), Flags (8), Extra1 (text), Stamp (text), Caption (text),
// HeadOffset (32), HeadLength (32), and in subversions 3 and 4 Value (32).
// The same form is used in the ".nd2" working file and, compressed, in the
// archive's index blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rv
{

struct IndexRecord
{
    // The URL (without scheme or fragment) or special page name ("index", "TOC3").
    std::string Key;
    // Archive offset of the page's first block; 0 or negative for URLs that
    // were not stored (OffsetTooDeep, OffsetOutOfTree, OffsetSkipped, OffsetExcluded).
    std::int32_t Offset = 0;
    // Compressed length of the page's last block (plain length in subversions 0 and 1).
    std::int32_t Length = 0;
    std::string ContentType = "text/html";
    // The link number of the entry the page belongs to; -1 for the summary page.
    std::int16_t Number = 0;
    std::uint8_t Flags = 0;
    // Empty, but for a stored page whose body is not whole: then the words
    // of BodyNotes below.
    std::string Extra1;
    // Local date and time of writing ("12/7/99 4:05:09 PM").
    std::string Stamp;
    std::string Caption;
    // The marked head part of the page's plain bytes; -1 when there is none.
    std::int32_t HeadOffset = -1;
    std::int32_t HeadLength = 0;
    // Set by change detection while the page is open; absent before subversion 3.
    std::int32_t Value = 0;

    bool operator==(const IndexRecord&) const = default;
};

// Longer texts are cut to these lengths when a record is written, so that a
// record never exceeds what one read window can hold beside a full block
// (about 3.5 KB at most). The page server never receives a page name longer
// than the key limit, so a cut key costs nothing that could be asked for.
constexpr std::size_t MaxKeyBytes = 2048;
constexpr std::size_t MaxCaptionBytes = 1024;
constexpr std::size_t MaxContentTypeBytes = 256;
constexpr std::size_t MaxExtraBytes = 256;
constexpr std::size_t MaxStampBytes = 64;

// The words Extra1 holds for a stored page whose body is not whole,
// separated by a blank when both apply. They live there rather than in Flags
// because the server gives each of the eight flag bits a meaning.
inline constexpr std::string_view BodyCutNote = "cut";              // the body reached the size limit
inline constexpr std::string_view BodyNotDecodedNote = "undecoded"; // kept in the content coding it came in
std::string BodyNotes(bool cut, bool notDecoded);

// True when records of this subversion carry the Value field.
constexpr bool RecordHasValue(std::uint16_t subversion)
{
    return subversion >= 3;
}

// Cuts every text of the record to its limit above.
void BoundRecordTexts(IndexRecord& record);

// Appends the record's byte form to out (with Value: the writer's layout).
// Texts longer than 65535 bytes are cut; call BoundRecordTexts first to cut
// them to the record limits instead.
void EncodeIndexRecord(const IndexRecord& record, std::string& out, bool withValue = true);

// Decodes one record from bytes at pos. Returns it and advances pos past it,
// or returns nothing and leaves pos unchanged when the bytes end inside the
// record. Every length is checked against the bytes given before it is used.
std::optional<IndexRecord> DecodeIndexRecord(std::string_view bytes, std::size_t& pos, bool withValue);

// The key as the index keeps it: every backslash that stands before a double
// quote removed, then cut at the first blank, tab, CR or LF.
std::string CleanIndexKey(std::string_view key);

// The URL as a page record keeps it: every CR, LF and tab removed.
std::string StripUrlControls(std::string_view url);

} // namespace rv
