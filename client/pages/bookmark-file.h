// Readers for the files a user imports addresses from: a browser's bookmark
// export (an HTML file of nested definition lists, in the form browsers have
// written since the earliest ones and still write today) and any HTML file
// whose links are listed.
//
// Both take the whole file as bytes and return the nodes of the bookmarks
// tree in tree order, each with its depth (0 for the top level), so that a
// node's children are the nodes after it that lie deeper. Titles and
// addresses are bytes as the file holds them, with the character references
// of the file decoded (numeric references become UTF-8). The input is
// hostile: nothing is read outside it and every result is bounded by it.
//
// Errors: the reader returns a status and the message the window shows.
// Pure functions, any thread.
#pragma once

#include "client/briefs/entry-clipboard.h"
#include "client/briefs/user-message.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

// Nesting deeper than this is shown at this depth: a hostile file cannot
// make a tree that no window can draw.
inline constexpr int MaxBookmarkDepth = 100;

// Files larger than this are refused; real exports with icons stay far below.
inline constexpr std::size_t MaxBookmarkFileBytes = 128u * 1024 * 1024;

inline const UserMessage BookmarkFileError{
    "Bookmark File Loading Error", "This file is either corrupt or is not a Bookmark file. Ravelin Pro cannot load it."};
inline const UserMessage NoLinksError{"HTML File Loading Error", "This file contains no links."};
inline const UserMessage LinkFileError{"HTML File Loading Error",
                                       "This file is either corrupt or is not an HTML file. Ravelin Pro cannot load it."};

struct BookmarkTree
{
    bool Ok = false;
    UserMessage Error;               // set when !Ok
    std::string Title;               // the file's HTML title, empty when it has none
    std::vector<BookmarkNode> Nodes; // tree order; a folder has an empty address
};

// A bookmark file: every "<dt>" item takes its title and address from the
// tag after it; "<dl>" and "</dl>" open and close a level. No item at all
// fails.
BookmarkTree ReadBookmarkFile(std::string_view text);

// A link file: every "<a ...>...</a>" with an address, as top-level nodes in
// file order. A link that holds an image and no other text is titled with
// its address.
BookmarkTree ReadLinkFile(std::string_view text);

// The text with "&amp;", "&lt;", "&gt;", "&quot;", "&apos;", "&nbsp;" and
// numeric references decoded (numbers as UTF-8); anything else is kept.
std::string DecodeCharacterReferences(std::string_view text);

} // namespace rv
