// The entry a bookmark becomes when the user copies it from the bookmarks
// window: the spare entry that Paste uses while the clipboard is empty.
// Pure function, any thread.
#pragma once

#include "client/briefs/entry-clipboard.h"
#include "client/briefs/entry-defaults.h"

namespace rv
{

// An active, named web entry for the node's address, with full retrieval.
// With the web defaults record set it takes that record's content,
// depth, difference and Smart Search choices; without it one level on the
// node's own site and no images, name and search texts.
TWebPage BookmarkEntry(const BookmarkNode& node, const EntryDefaults& webDefaults);

} // namespace rv
