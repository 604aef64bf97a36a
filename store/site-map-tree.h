// The site-map trees of one retrieval: the pages noted in the site-map file
// (store/site-map.h), arranged per entry in the order their links were found.
//
// A record's Group is its request's numbered path: the entry's link number,
// then one child position per level ("3.1.2": entry 3, the entry page's
// child 1, that page's child 2). Positions that nobody noted (yet) hold
// placeholders, nodes without a title, so that a child noted before its
// elder siblings still lands in its place.
//
// Both programs build the trees the same way: the client when a brief is
// finished, the server when it completes an archive a run left unfinished.
// Not thread-safe: one thread builds and reads a forest.
#pragma once

#include "store/site-map-record.h"
#include "store/toc-list.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace rv
{

// Paths deeper than this, positions above MaxSiteMapPosition and entry
// numbers above MaxSiteMapEntry are ignored: a damaged note must not build a
// huge tree. The depth leaves room for the deepest run a brief allows (99
// levels inside a site and 5 outside).
constexpr std::size_t MaxSiteMapDepth = 256;
constexpr std::size_t MaxSiteMapPosition = 100000;
constexpr std::size_t MaxSiteMapEntry = 32767;

// "3.1.2" -> {3, 1, 2}; nothing when a part is empty, not a decimal number or
// beyond the limits above.
std::optional<std::vector<std::size_t>> SiteMapPath(std::string_view group);

class SiteMapForest
{
public:
    // Puts the record in its entry's tree. A record of the entry page itself
    // (a path of one number) fills the tree's root while the root is still a
    // placeholder; any other fills the node at its path, making placeholders
    // on the way. Returns false, ignoring the record, when its Group is not a
    // usable path.
    bool Insert(SiteMapRecord record);

    // The highest entry number inserted plus one; 0 when nothing was.
    std::size_t Count() const { return roots_.size(); }
    // The entry page of an entry's tree, or null when nothing was noted for
    // that entry. Valid while the forest lives.
    const TOCNode* Root(std::size_t entry) const;

private:
    std::vector<std::unique_ptr<TOCNode>> roots_;
};

} // namespace rv
