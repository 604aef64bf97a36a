// Style sheet text rewritten for the store: every address a url(...) or an
// @import names is resolved against the sheet's own address, decided on by
// the link policy like any embedded file, and written back so that it leads
// to the stored copy through the local server (or to "images/NotLoaded").
// Addresses with another scheme ("data:") and jumps within the document
// ("#id") stay as they are.
//
// The retrieval thread, with the policy of the page or file being stored.
#pragma once

#include <string>
#include <string_view>

namespace rv
{

class LinkPolicy;

struct StyleSheetPlace
{
    std::string Base;   // store form: what the sheet's addresses resolve against
    std::string Prefix; // written in front of every stored address: the way back to the archive's root
    int Nesting = 0;    // imports above this sheet (0: a page's own)
};

std::string RewriteStyleSheet(std::string_view css, const StyleSheetPlace& place, LinkPolicy& policy);

// True when a stored file is a style sheet by its content type.
bool IsStyleSheetType(std::string_view contentType);

} // namespace rv
