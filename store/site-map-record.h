// The record of the site-map working file (".smp") and its byte form.
//
// The file is a plain sequence of records with no header. A record is six
// items in this order: Group, Title, Url, Fragment, Kind, Note. Every item is
// a 32-bit little-endian length followed by that many bytes; texts carry no
// terminator and length 0 means empty. Kind is always one byte (1 when the
// page matched the Smart Search expression, else 0). The client writes the
// file during a run and the server reads it back to finish an archive the
// client left behind, so both programs go through the functions below.
//
// Errors: every input/output failure on a site-map file is reported by
// throwing SiteMapError. Bytes that do not form a complete record are not an
// error: readers report them through SiteMapReadStatus and keep what they
// read before them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace rv
{

class SiteMapError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// One page noted for the site maps.
struct SiteMapRecord
{
    std::string Group;    // the request's numbered path, "3.1.2": entry number, then child positions
    std::string Title;    // page title, "Inaccessible File (...)" or the address
    std::string Url;      // the address, with "#" and the anchor when one was given
    std::string Fragment; // the part of Url after its first "#", or empty
    std::uint8_t Kind = 0;
    std::string Note; // the Smart Search match text, or empty

    bool operator==(const SiteMapRecord&) const = default;
};

constexpr std::size_t SiteMapLengthBytes = 4;
// Five empty texts and the one-byte Kind.
constexpr std::size_t MinSiteMapRecordBytes = 6 * SiteMapLengthBytes + 1;

// The bytes of one record. Throws SiteMapError when a text is too long for
// its 32-bit length.
std::string EncodeSiteMapRecord(std::string_view group, std::string_view title, std::string_view url, std::string_view fragment,
                                std::uint8_t kind, std::string_view note);
std::string EncodeSiteMapRecord(const SiteMapRecord& record);

enum class SiteMapReadStatus
{
    Record,    // a whole record was read
    End,       // no bytes were left
    Truncated, // a length points past the available bytes: the writer stopped mid-record
    Malformed, // the Kind item is not one byte long
};

// Reads one record from the current position of `in`, which is known to hold
// `available` more bytes. Every length is checked against what is left before
// any memory is reserved for it. On Record, `used` is the record's size; on
// any other status `record` and the position of `in` are unspecified. Throws
// SiteMapError when the stream fails before `available` bytes were read.
SiteMapReadStatus ReadSiteMapRecord(std::istream& in, std::uint64_t available, SiteMapRecord& record, std::uint64_t& used);

} // namespace rv
