// Page fates: tells the observer what became of every address a brief's
// archive records (PageRecorded), from the archive's own records, so that
// what the user is told and what the archive holds cannot differ.
//
// Threads: the records are written, and the observer called, on the thread
// that writes the archive; the observer given relays to the main thread.
#pragma once

#include "client/pages/run-observer.h"
#include "store/index-record.h"

#include <optional>
#include <string_view>

namespace rv
{

struct BriefRun;

// True for the names of pages the run makes itself: the summary "index",
// "TOC", "Match" and "FrameHead" with their numbers, and the previous and
// unfiltered copies of entry pages.
bool IsGeneratedPageName(std::string_view key);

// The fate of the address a record names; nothing for generated pages.
// inaccessible: the page being stored is the explanatory page of a failed
// fetch; overLimit: the brief is being stopped by one of its limits.
std::optional<PageFate> FateOf(const IndexRecord& record, bool inaccessible, bool overLimit);

// From now on every record of the run's archive is reported to observer.
void ReportPageFates(BriefRun& run, RunObserver& observer);

} // namespace rv
