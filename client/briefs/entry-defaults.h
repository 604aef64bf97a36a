// Entry defaults: the values that "Set Default" in an entry setup dialog
// stores and that every new entry of that kind receives afterwards.
//
// One record per kind. While a record's IsSet is false, new entries of its
// kind get the fixed defaults of TWebPage instead. The name, the address,
// the credentials, the exclusion switch and its lists are never defaulted.
// The member defaults below equal the fixed entry defaults, so an unset
// record and a freshly constructed one describe the same entry.
//
// Plain values, no ownership or thread concerns; the settings store reads
// and writes these records, the brief model applies them.
#pragma once

#include "client/briefs/entry-kind.h"

#include <cstdint>
#include <string>

namespace rv
{

struct EntryDefaults
{
    bool IsSet = false;

    bool Active = true;
    bool Images = true;
    bool Frames = false;
    bool Other = false;
    bool Applets = false;
    bool ActiveX = false;
    bool PlugIns = false;
    std::int32_t SpiderDepth = 1;
    std::int32_t ExternalDepth = 1;
    bool LocalOnly = true;
    bool FullRetrieval = true;
    bool MarkDiffs = false;
    bool SmartSearch = false;
    std::string SearchFor;
    bool CaseSensitive = false;
    bool CheckHeader = false;
    bool SearchHTML = true;
    bool PreserveOnly = false;
    bool StayInSubdir = false;
    bool KeepUnfilteredPage = true;
    std::string UserAgent;
    bool BypassProxyCache = false;

    // Used by the search record only; ignored in the web and Yahoo records.
    bool SearchYahoo = false;
    std::string SearchQuery;      // name (query) of a new search entry
    std::string SearchEngineList; // packed engine names: a length byte, then the name, repeated
};

// The three records, one per kind.
struct EntryDefaultsRecords
{
    EntryDefaults Web;
    EntryDefaults Search;
    EntryDefaults Yahoo;

    EntryDefaults& For(EntryKind kind) { return kind == EntryKind::Search ? Search : kind == EntryKind::Yahoo ? Yahoo : Web; }
    const EntryDefaults& For(EntryKind kind) const
    {
        return kind == EntryKind::Search ? Search : kind == EntryKind::Yahoo ? Yahoo : Web;
    }
};

} // namespace rv
