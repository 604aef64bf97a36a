// Turns an attribute value found on a page into the full address of its
// target in the store's form: without scheme ("host/dir/page.html",
// "host:8080/a"), "file:" and drive-letter addresses kept as they are.
// Pure functions on byte strings; any thread. They read only the bytes of
// their arguments and their results are at most a few bytes longer than
// base and value together.
#pragma once

#include <string>
#include <string_view>

namespace rv
{

// The value resolved against base, the address of the page it was found on
// (with or without scheme). Entity references in the value are decoded first;
// white space and quotes around it and white space inside it are dropped;
// "." and ".." path segments are folded; a scheme other than "file:" is
// removed with the ":" and "/" after it. An empty value gives the base.
std::string ResolveAddress(std::string_view base, std::string_view value);

// Folds "." and ".." segments of the path ("/" and "\" both separate),
// never climbing above the host, removes CR, LF, tab and space, and decodes
// entity references. The query and fragment are left alone.
std::string NormaliseAddress(std::string_view address);

// The address in store form: a scheme other than "file:" and the ":" and "/"
// right after it removed; a web address whose host has no path gets "/".
// Trailing white space is dropped.
std::string StoreForm(std::string_view address);

} // namespace rv
