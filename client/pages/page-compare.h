// Change detection between two copies of an entry page.
//
// The new page is split into blocks at block boundaries: the tags p, br, tr,
// td, li, dt, h1 to h6, /tr, /td, div, /div, table, /table, applet, /applet,
// object and /object (any letter case, followed by white space or ">"), and
// inside a pre block every CR and LF. Each block's text is looked up in the
// previous copy with white space made flexible: its first word must occur
// there literally, and from that place the texts must agree once every space,
// tab, CR and LF is ignored. A passage of the previous copy answers for one
// block of the new page at most, so a paragraph that occurs twice in the new
// page but once before counts once as changed.
//
// Pure functions on byte strings, no Qt: any thread, reentrant.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

// Only this many bytes of a block's text (with its lead-in) are compared;
// the rest of a longer block is taken on trust.
inline constexpr std::size_t MaxCompareTextBytes = 4999;

// With extraction a block counts as unchanged only after the same bytes: the
// text searched starts this many bytes before the block.
inline constexpr std::size_t ExtractLeadInBytes = 11;

// What an image in an unchanged block of an extracted page points to: the
// local server answers it with an image that shows nothing.
inline constexpr std::string_view BlankImageSource = ",.gif";

// The kind of a block boundary and where it is.
struct PageBlock
{
    std::size_t Start = 0; // the boundary tag's "<" or the line end; 0 for the first block
    std::size_t End = 0;   // where the next block starts, or the page's end
    bool AtLineEnd = false;
};

// The page's blocks in page order; they cover the page without gaps. The
// first block starts at 0 even when no boundary is there.
std::vector<PageBlock> SplitIntoBlocks(std::string_view page);

struct CompareOptions
{
    // Extract the differences (unchanged blocks reduced, no markers) rather
    // than mark them.
    bool Extract = false;
    // Search each block's text by scanning the previous copy's free passages
    // from the start instead of through an index of the copy. The decisions
    // are the same; the scan is slower on large pages and kept as the
    // reference the index is checked against, so its work is not bounded.
    bool LiteralSearch = false;
    // Asked before each block; true abandons the comparison (a stop or a
    // skip of the entry).
    std::function<bool()> ShouldStop;
};

struct CompareResult
{
    // At least one non-empty block was not found in the previous copy.
    bool DifferencesFound = false;
    // The comparison was abandoned; nothing else in the result is complete.
    bool Stopped = false;
    // Marking only: where each changed block's marker goes, ascending and
    // without repeats, as offsets in the new page. A marker goes just past
    // the block's boundary tag or line end, and never into the page's head.
    std::vector<std::size_t> MarkerPositions;
    // Extraction only: the new page with every unchanged block reduced to
    // blanks, except its img, image, hr, form, /form, area, a and /a tags; a
    // kept img or image tag has its src value replaced by BlankImageSource.
    // The head (up to the end of the body tag) is never reduced.
    std::string Extracted;
};

// Compares the new page with the previous copy. Neither is changed.
//
// The work is bounded: once the searches of one comparison have looked at
// more than a fixed multiple of the two pages' sizes (pages built to defeat
// the search), the blocks not yet compared count as changed.
CompareResult ComparePages(std::string_view page, std::string_view previous, const CompareOptions& options);

} // namespace rv
