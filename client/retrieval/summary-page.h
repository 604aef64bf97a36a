// The texts of the pages a brief run writes about itself: the brief summary
// page (stored as "index"), each entry's summary fragment for the
// cumulative page, and the navigation line of a kept frameset's header page
// ("FrameHead" + number).
//
// Pure functions: they read their inputs and return text; storing it is the
// caller's business. Texts are bytes, passed through unchanged.
#pragma once

#include <cstdint>
#include <string>

namespace rv
{

// What the navigation line of a frame header page shows.
struct FrameHeaderInput
{
    std::string Address;      // the framed page's address, as fetched
    bool SiteMapLink = false; // the entry's SpiderDepth exceeds 1 or LocalOnly is off
    bool SmartSearch = false; // the entry has Smart Search on
    std::string BriefName;
    std::string StampDate;        // StampDateText of the run's start, "3/7/5"
    std::string StampTime;        // StampTimeText of the run's start, "12:05:09AM"
    std::int32_t LinkNumber = -1; // the entry's link number; -1: only the Brief button
    std::string ProgramFolder;    // the client's own folder; its images/ hold the buttons
};

// The one navigation line: buttons for the brief, its site map, its Smart
// Search matches and the original address, then the brief name and stamp.
// Ends with CR LF.
std::string FrameNavigationHeader(const FrameHeaderInput& input);

// The whole "FrameHead" page: the navigation line between "<html><body>" and
// "</body></html>".
std::string FrameHeadPage(const FrameHeaderInput& input);

// A button picture read by the browser straight from the client's folder:
// "<img src=\"file:///<folder>/images/<file>\" ... alt=\"<text>\">". The
// folder's backslashes become slashes; a Unix folder's leading slashes are
// dropped so that the address has exactly three after "file:".
std::string ButtonImage(const std::string& programFolder, const std::string& file, const std::string& text);

} // namespace rv
