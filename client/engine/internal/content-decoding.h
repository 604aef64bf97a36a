// Undoing the compression a server applied to a body ("Content-Encoding:
// gzip" or "deflate"). The client asks for no coding, but servers that
// compress regardless exist, and a compressed page would be stored as
// unreadable bytes with none of its links followed.
//
// Pure functions over byte strings; any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rv
{

enum class ContentCoding
{
    Identity, // no coding, or none that is understood: the body is kept as received
    Gzip,     // "gzip" or "x-gzip"
    Deflate,  // "deflate": zlib-wrapped, or raw as some servers send it
};

// The coding named by the header's first "Content-Encoding:" line (name and
// value in any letter case).
ContentCoding CodingOf(std::string_view header);

enum class DecodeStatus
{
    Ok,
    Damaged,  // not a stream of that coding, or cut short
    TooLarge, // would expand beyond the limit
};

// Expands `body` into `out` (replaced). Several gzip members one after the
// other expand into one body. On anything but Ok, `out` is to be ignored.
DecodeStatus DecodeBody(ContentCoding coding, std::string_view body, std::size_t limit, std::string& out);

} // namespace rv
