// One entry of a brief (`TWebPage`): what to fetch and how.
//
// An entry is owned by its brief's entry list (TWebList) and lives until it
// is deleted or the brief is closed; it has no identity apart from its
// position in that list. Texts are bytes, passed through unchanged.
//
// The run-time fields at the end are never stored; the retrieval engine sets
// and reads them during a run under its own locks. Everything else belongs
// to the thread that owns the brief (the main thread).
#pragma once

#include "client/briefs/entry-defaults.h"
#include "client/briefs/entry-kind.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rv
{

// Depth limits of the setup dialogs; loaded values are kept within them.
inline constexpr std::int32_t MinSpiderDepth = 1;
inline constexpr std::int32_t MaxSpiderDepth = 99;
inline constexpr std::int32_t MinExternalDepth = 1;
inline constexpr std::int32_t MaxExternalDepth = 5;

// The setup dialog warns above this internal depth.
inline constexpr std::int32_t RecommendedSpiderDepth = 5;

// One kept retrieval's part of an entry's summary: the HTML block of the
// entry, with the placeholder where the archive's address goes, and the file
// name of the archive it belongs to.
struct SummaryFragment
{
    std::string Fragment;
    std::string ArchiveFile;

    bool operator==(const SummaryFragment&) const = default;
};

struct TWebPage
{
    bool EntryLocked = false;
    std::string LockedText = "Locked Entry";
    std::int32_t LockedFontSize = 18;
    std::string LockCode;
    bool Active = true;
    std::string EntryName;
    bool FullRetrieval = true;
    bool MarkDiffs = false; // with FullRetrieval off: mark (true) or extract (false) differences
    bool SmartSearch = false;
    bool CaseSensitive = false;
    bool CheckHeader = false;
    bool SearchHTML = true;
    std::string URL;
    std::vector<std::string> PageRefs;
    std::int32_t ExternalDepth = 1;
    std::int32_t SpiderDepth = 1;
    bool Images = true;
    bool PlugIns = false;
    bool Applets = false;
    bool ActiveX = false;
    bool Other = false;
    bool Frames = false;
    std::string UserName;
    std::string Password;
    std::string SearchFor;
    bool LocalOnly = true; // true: do not follow links that leave the site
    bool NameSet = false;
    // Packed engine names (a length byte, then the name). EngineListLength is
    // the buffer's size, or -1 for a new search entry whose engines have not
    // been chosen yet (then EngineList is empty).
    std::int32_t EngineListLength = 0;
    std::string EngineList;
    bool SearchYahoo = false;
    EntryKind Kind = EntryKind::Web;
    std::optional<std::string> YahooSearch;
    std::string CategoryList; // packed category names, like EngineList
    bool PreserveOnly = false;
    bool StayInSubdir = false;
    bool KeepUnfilteredPage = true;
    bool ExclusionLists = false;
    std::vector<std::string> ExList; // "Exclude just:"
    std::vector<std::string> InList; // "Exclude all except:"
    // One per kept retrieval, in the order of the brief's ArchiveFiles.
    std::vector<SummaryFragment> SummaryFragments;
    std::string UserAgent; // empty: the default agent
    bool BypassProxyCache = false;

    // Row is selected in the brief window; never stored or copied.
    bool Selected = false;
};

// A new entry of the kind with the fixed defaults (no defaults record).
TWebPage MakeEntry(EntryKind kind);

// Overwrites the entry's defaultable fields with the record's values. The
// search record also gives a search entry its query (as its name), its
// engine list and SearchYahoo.
void ApplyEntryDefaults(TWebPage& entry, const EntryDefaults& defaults);

// The name a row shows while the user has not named the entry: its address,
// or the kind's new-entry name when it has none.
std::string UnnamedEntryName(const TWebPage& entry);

// The fixed new-entry name of a kind: "New Page", "New Search" or
// "New Yahoo! Entry".
const char* NewEntryName(EntryKind kind);

// What the retrieval-type cell of a row shows.
struct RetrievalTypeCell
{
    bool DifferencesIcon = false; // a differences mode is on
    bool MarkIcon = false;        // ... and it marks them
    bool SmartSearchIcon = false;
    std::string Text; // "3 / 0" or "3 / 2"
};

RetrievalTypeCell ComputeRetrievalTypeCell(const TWebPage& entry);

// The user agent choices of the setup dialogs.
enum class UserAgentChoice
{
    Default,
    Ravelin,
    InternetExplorer,
    Navigator,
    UserSpecified,
};

// The agent text stored for a choice; `typed` is used for UserSpecified.
std::string UserAgentForChoice(UserAgentChoice choice, const std::string& typed);

// The choice a stored agent text selects when the dialog shows it.
UserAgentChoice ChoiceForUserAgent(const std::string& agent);

} // namespace rv
