// Where a package's entries come from, in the packaging tool's two modes.
//
// Organizer mode takes a brief file's catalogue: for every entry of the brief
// its summary fragments, each with the archive it belongs to. Custom mode
// takes chosen entries of one archive: its summary page ("index") is cut into
// one section per entry, and each section's links are turned into the
// fragment form, with the placeholder where the archive's address goes.
//
// Errors: the functions return a clear message instead of a value; archive
// reading failures come back with the reader's own text. Nothing here writes.
#pragma once

#include "client/briefs/web-page.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

// One entry of the package: its fragments (archive files as full paths),
// oldest first; the package takes the newest whose archive still exists.
struct PackageSource
{
    std::vector<SummaryFragment> Fragments;
};

struct PackageInput
{
    std::string Title;       // the brief's name, or CustomPackageTitle
    std::string Information; // the brief's comments; empty: none
    std::vector<PackageSource> Entries;
};

// The title of a package made of chosen entries of one archive.
inline constexpr std::string_view CustomPackageTitle = "Packaged Brief";

// Organizer mode: reads the catalogue of the brief file (".ca~" when it
// exists, else ".cat"). Returns false with `error` set when there is none or
// it cannot be read.
[[nodiscard]] bool OrganizerSources(const std::filesystem::path& briefFile, PackageInput& input, std::string& error);

// One entry as an archive's summary page shows it.
struct SummarySection
{
    // The text after "Web Entry:", "Search Engine Query:" or "Yahoo! Entry:",
    // or that label without its colon when no text follows it.
    std::string Name;
    // The section with "%%%%s/" put in front of every link target.
    std::string Fragment;
};

// Cuts a summary page into its entries: the text between the end of one
// "<hr size" tag and the next "<hr size".
std::vector<SummarySection> SummarySections(std::string_view summaryPage);

// The sections of an archive's summary page (its last "index" record). Throws
// ArchiveError when the archive cannot be read.
std::vector<SummarySection> ArchiveSections(const std::filesystem::path& archive);

// Custom mode: the chosen sections of one archive, in the order given.
PackageInput CustomSources(const std::filesystem::path& archive, const std::vector<SummarySection>& chosen);

} // namespace rv
