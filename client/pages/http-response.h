// Reading what a server answered: where the header ends, the content type
// and length it announces, and the status.
//
// The parsers take bytes as received and never read past them. They return
// Ok, Incomplete (more bytes may finish the header) or Bad (the header is
// longer than anything a real server sends; the caller stops looking for its
// end and keeps the defaults).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace rv
{

enum class ParseStatus
{
    Ok,
    Incomplete,
    Bad
};

// A header that has not ended within this many bytes is given up on; no
// server sends one this long, and searching further would cost time on
// every received chunk.
constexpr std::size_t MaxHeaderBytes = 65536;

// An announced length reserves memory only up to this; a larger or lying
// Content-Length cannot make the client reserve gigabytes.
constexpr std::int64_t MaxReservedBodyBytes = 64LL * 1024 * 1024;

// A body kept in memory stops growing here; a larger one is cut off and the
// connection closed.
constexpr std::size_t MaxMemoryBodyBytes = 64u * 1024 * 1024;

// A body written to a temporary file stops here (archive offsets are 32-bit).
constexpr std::uint64_t MaxFileBodyBytes = 1024ull * 1024 * 1024;

struct ResponseHead
{
    std::size_t HeaderLength = 0; // bytes before the blank line
    std::size_t BodyOffset = 0;   // first byte after the blank line
    std::string ContentType = "text/html";
    bool HasContentType = false;
    std::string Charset;             // the type's "charset" parameter, lower case; empty when none or unusable
    std::int64_t ContentLength = -1; // -1: not announced
};

// Finds the end of the header: the earliest of CR LF CR LF, LF LF and
// LF CR LF. On Ok fills HeaderLength and BodyOffset.
ParseStatus FindHeaderEnd(std::string_view bytes, ResponseHead& head);

// Finds the header end and reads Content-Type and Content-Length from it.
// The type is the value after "content-type:" in lower case, blanks and tabs
// skipped, up to a blank, CR, LF, tab or ";". The length is the decimal
// number after "content-length:"; no number gives 1, 0 becomes 1. The
// type's "charset" parameter, if any, goes to Charset.
ParseStatus ParseResponseHead(std::string_view bytes, ResponseHead& head);

// The type a text page is stored under: `type` with the character set the
// origin declared for it, so that the archive is read back as the origin's
// bytes were; `type` alone when there is none or the type is not text.
std::string TypeWithCharset(std::string_view type, std::string_view charset);

// True for types the engine keeps in memory as text ("text..."); any other
// type is non-text.
bool IsTextType(std::string_view contentType);

// The bytes to reserve for a body announced with this length: the length
// plus 300, within MaxReservedBodyBytes.
std::size_t ReserveFor(std::int64_t contentLength);

// The status of a received answer: the three digits after "http/", the
// version and blanks or tabs (case does not matter); 404 when there is no
// "http/" or the digits are missing.
int ReadStatus(std::string_view response);

// The value of the first line named "location:" (case does not matter), with
// leading colons and blanks skipped, up to the line end; empty when none.
std::string FindLocation(std::string_view header);

} // namespace rv
