// The character set a stored page is served in. The server adds its header
// bar and a base tag in front of the page's own text, which moves the
// page's byte-order mark and <meta charset> away from where a browser looks
// for them; the Content-Type line says it instead, so that the page decodes
// as the original did.
//
// Pure functions; any thread.
#pragma once

#include <string>
#include <string_view>

namespace rv
{

// How far into the page's own text a <meta> declaration is looked for; the
// browser gives up on its own search sooner.
inline constexpr std::size_t CharsetScanBytes = 8192;

// A character set name as declared (blanks and quotes before it skipped,
// cut at a blank, ";", quote, "," or ">"), in lower case; empty when it holds
// anything but letters, digits and "-_.:+" or is too long to be a name.
std::string CharsetName(std::string_view declared);

// The character set the page's own text declares: a byte-order mark, else
// the first <meta charset> or <meta http-equiv="Content-Type" content="...;
// charset=..."> in its first kilobyte or, after that, before its body.
// Empty when it declares none.
std::string DeclaredCharset(std::string_view text);

// The Content-Type value for a stored page: `storedType` (or "text/html"
// when the page is shown as HTML), with the character set that decides how
// the original was read: the byte-order mark, then the origin's header
// (kept in `storedType`), then, for HTML, the page's <meta> declaration.
std::string ServedType(std::string_view storedType, bool asHtml, std::string_view text);

} // namespace rv
