// The two pages generated for every entry of a retrieval from its site-map
// tree (store/site-map-tree.h): the site map ("TOC" + entry number), a
// nested list of every page found, in the order their links were found; and
// the Smart Search match page ("Match" + entry number), listing the pages
// whose Smart Search matched.
//
// The client writes them when a brief is finished and knows the entry: its
// pages then also name the entry's address, the search terms and whether
// some pages could not be fetched. The server writes them, without those
// details, when it completes an archive that a run left unfinished.
//
// Links are relative, in the form stored pages use, so that the browser
// asks the local server for them: a "file:" address (any case) with a drive
// letter loses "file:" and the slashes after it, every ":" becomes
// "&colon;", and the page's anchor follows. Titles, addresses and match texts are written as
// noted, unchanged. Any thread; those reading an index (store/site-map-index.h)
// read its site-map file, the others are pure functions.
#pragma once

#include "store/site-map-index.h"
#include "store/site-map-record.h"
#include "store/toc-list.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace rv
{

// A page's text and where its body tag (its head part) lies in it.
struct GeneratedPage
{
    std::string Text;
    std::size_t HeadOffset = 0;
    std::size_t HeadLength = 0;
};

// What the client knows about the entry when it writes the pages.
struct SiteMapEntryDetails
{
    std::string Address;       // the address of the entry's first request
    std::string SearchTerms;   // the entry's Smart Search expression
    bool Inaccessible = false; // some page of the entry could not be fetched
};

// The relative link to a noted page, in the stored form ("&colon;" for ":");
// the pages write it attribute-escaped.
std::string SiteMapHref(const SiteMapRecord& record);

// Pages with a title whose Smart Search matched, in the whole tree.
std::size_t CountMatches(const TOCNode* root);

// The site map of a tree; a null root gives the page without items.
GeneratedPage TocPage(const TOCNode* root, const SiteMapEntryDetails* entry = nullptr);

// Receives a generated page's text piece by piece, in order; the view is
// valid during the call only.
using PageSink = std::function<void(std::string_view piece)>;

// The same site map handed to sink in pieces of some 64 KB, for a run whose
// map is too large to hold whole. Its head part lies where TocPage's does.
void WriteTocPage(const TOCNode* root, const SiteMapEntryDetails* entry, const PageSink& sink);
// The same from an index, for the tree of entry number entryNumber; records
// are read back from the site-map file as they are written. Throws
// SiteMapError.
void WriteTocPage(const SiteMapIndex& index, std::size_t entryNumber, const SiteMapEntryDetails* entry, const PageSink& sink);
constexpr std::size_t TocPageHeadOffset = 6;
constexpr std::size_t TocPageHeadLength = 50;

// The match page of a tree; a null root gives "No Matches Found".
GeneratedPage MatchPage(const TOCNode* root, const SiteMapEntryDetails* entry = nullptr);
GeneratedPage MatchPage(const SiteMapIndex& index, std::size_t entryNumber, const SiteMapEntryDetails* entry);

} // namespace rv
