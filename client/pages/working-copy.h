// The tag-marked working copy of a page: the received body with every "<"
// replaced by byte 1 and every ">" by byte 2. Tags are found in the working
// copy while text is copied from the received body, so markup written into
// the stored page later (difference markers) is never taken for a tag of the
// page, and parts of the page that were already dealt with (head scripts,
// the base and body tags) are blanked in the copy so that the scan passes
// over them.
//
// Bytes 1 and 2 that the page itself holds become byte 3 in the copy, so
// that a page cannot fake a tag boundary with them.
//
// Pure functions on byte strings; any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rv
{

inline constexpr char kTagOpen = '\x01';
inline constexpr char kTagClose = '\x02';
inline constexpr std::ptrdiff_t kNoTag = -1;

// Fills `copy` (reusing its capacity) with the working copy of body.
void MakeWorkingCopy(std::string_view body, std::string& copy);

// True for the bytes that end a tag name or separate attributes: space, tab,
// CR and LF.
inline bool IsHtmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// True when the tag whose byte-1 marker is at `at` has the given name
// (compared without regard to case) followed by white space or the end of the
// tag. A name ending in "*" matches any tag whose name begins with the rest
// ("noframe*" finds "noframes").
bool TagNameIs(std::string_view copy, std::size_t at, std::string_view name);

// Offset of the byte-1 marker of the first tag with the given name at or
// after `from`, or kNoTag.
std::ptrdiff_t FindTag(std::string_view copy, std::size_t from, std::string_view name);

// Offset of the byte-2 marker that ends the tag starting at `at`, or kNoTag
// when the page ends first.
std::ptrdiff_t TagEnd(std::string_view copy, std::size_t at);

} // namespace rv
