// The site map ("TOC" + n) and Smart Search match ("Match" + n) pages that
// the server writes when it completes an archive a run left unfinished,
// built from the run's site-map notes.
#pragma once

#include "store/site-map-record.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace rv
{

// One item of a site-map tree; a position nobody noted stays empty.
struct SiteMapItem
{
    std::string title;
    std::string address;
    std::string suffix;
    bool match = false;
    std::string note;
    std::vector<std::unique_ptr<SiteMapItem>> children;
};

// Site-map trees by list number (the first number of a record's group).
using SiteMapTrees = std::map<int, std::unique_ptr<SiteMapItem>>;

// Paths deeper than this, or positions beyond MaxSiteMapPosition, are
// ignored: a damaged note must not make the server build a huge tree.
constexpr std::size_t MaxSiteMapDepth = 64;
constexpr int MaxSiteMapPosition = 100000;
constexpr int MaxSiteMapList = 32767;

SiteMapTrees BuildSiteMapTrees(const std::vector<SiteMapRecord>& records);

// The pages' text, and where their body tag (the head part) lies.
struct GeneratedPage
{
    std::string text;
    std::size_t headOffset = 0;
    std::size_t headLength = 0;
};

GeneratedPage TocPage(const SiteMapItem* root);
GeneratedPage MatchPage(const SiteMapItem* root);

} // namespace rv
