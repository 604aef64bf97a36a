// The content type a fetched file is stored under. Sites often send style
// sheets, fonts, SVG pictures and media as "text/plain" or
// "application/octet-stream", or with no type at all; a browser refuses a
// style sheet or a font served so from the archive. When the origin's type
// says nothing, the file's first bytes, then its name, decide.
//
// Pure functions; any thread.
#pragma once

#include <string>
#include <string_view>

namespace rv
{

// How many leading bytes of a file the decision reads.
inline constexpr std::size_t SniffBytes = 512;

// True for a type that says nothing about the file: none, "text/plain" or
// "application/octet-stream", with or without parameters.
bool IsGenericType(std::string_view type);

// `given` unless it is empty or generic and `head` (the file's first bytes)
// or `address` (its name, before any "?" or "#") says what the file is.
std::string StoredContentType(std::string_view given, std::string_view address, std::string_view head);

} // namespace rv
