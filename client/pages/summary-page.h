// The texts of the pages a brief run writes about itself: the brief summary
// page (stored as "index"), each entry's summary fragment for the
// cumulative page, and the navigation line of a kept frameset's header page
// ("FrameHead" + number).
//
// Pure functions: they read their inputs and return text; storing it is the
// caller's business. Texts are bytes, passed through unchanged.
#pragma once

#include "client/pages/entry-target.h"

#include <cstdint>
#include <string>
#include <vector>

namespace rv
{

struct TWebPage;

// The list layout is stored when the brief starts, so that it can be browsed
// while it runs; the table layout, with icons for the run's results, when
// the brief is finished.
enum class SummaryLayout
{
    List,
    Table,
};

// One active entry of the brief as the summary shows it.
struct SummaryEntry
{
    // The entry; must stay valid while the texts are made.
    const TWebPage* Entry = nullptr;
    // The addresses the entry's run started from: one for a web entry (its
    // caption and URL), one per engine or category otherwise.
    std::vector<EntryTarget> Targets;
    // The link number each target took, parallel to Targets; its pages are
    // reached under "n/".
    std::vector<std::int32_t> LinkNumbers;
    // The run's results, shown as icons by the table layout.
    bool DifferencesFound = false;
    bool MatchesFound = false;
};

struct SummaryInput
{
    std::string BriefName;
    std::string StartDate;             // ShortDateText of the run's start, "3/7/2005"
    std::string StartTime;             // StampTimeText of the run's start, "12:05:09AM"
    std::string Information;           // the brief's information text; empty: none
    std::string IncompletePages;       // IncompletePagesText of the finished run; empty: none
    std::vector<SummaryEntry> Entries; // the active entries, in brief order
};

// The placeholder a summary fragment holds where the archive's address goes;
// the server fills it when it shows the cumulative page.
inline constexpr const char* ArchivePlaceholder = "%%%%s";

// What the status log and the summary page say of pages stored without their
// whole body: "2 pages cut at the size limit, 1 page not decoded". Empty when
// both counts are 0.
std::string IncompletePagesText(std::int32_t cut, std::int32_t undecoded);

// The whole summary page ("index"): start and banner, one block per entry
// with "<hr size=1>" between blocks, and the end. Its links are relative.
std::string SummaryPageText(const SummaryInput& input, SummaryLayout layout);

// The pieces of the page, for a caller that writes it as it goes.
std::string SummaryPageStart(const SummaryInput& input);
std::string SummaryEntryBlock(const SummaryEntry& entry, SummaryLayout layout);
std::string SummaryPageEnd();

// The entry's block with absolute links, each starting with the
// placeholder: kept with the entry (TWebPage::SummaryFragments) for the
// cumulative page of all the brief's archives.
std::string EntrySummaryFragment(const SummaryEntry& entry, SummaryLayout layout);

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
