// What an entry setup dialog shows for the selected entries and how its
// Apply writes them back.
//
// A dialog edits every selected entry at once. It shows a value only where
// all selected entries agree, and on Apply writes only the controls the user
// changed, to every selected entry. Name and address belong to one entry and
// are shown and written only when exactly one is selected. Locked entries
// are read-only and are never written.
//
// Main thread only, like the rest of the brief model.
#pragma once

#include "client/briefs/user-message.h"
#include "client/briefs/web-list.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rv
{

// One value per control. In what GatherEntrySetup returns, an empty field
// means the selected entries disagree: the dialog shows an unchecked box, an
// empty text or a depth of 1. In what ApplyEntrySetup takes, an empty field
// means the user left that control alone.
struct EntrySetupFields
{
    std::optional<bool> Active;
    std::optional<bool> FullRetrieval;
    std::optional<bool> MarkDiffs;
    std::optional<bool> SmartSearch;
    std::optional<bool> CaseSensitive;
    std::optional<bool> CheckHeader;
    std::optional<bool> SearchHTML;
    std::optional<bool> Images;
    std::optional<bool> PlugIns;
    std::optional<bool> Applets;
    std::optional<bool> ActiveX;
    std::optional<bool> Other;
    std::optional<bool> Frames;
    std::optional<bool> LocalOnly;
    std::optional<bool> SearchYahoo;
    std::optional<bool> PreserveOnly;
    std::optional<bool> StayInSubdir;
    std::optional<bool> KeepUnfilteredPage;
    std::optional<bool> ExclusionLists;
    std::optional<bool> BypassProxyCache;
    std::optional<std::int32_t> SpiderDepth;
    std::optional<std::int32_t> ExternalDepth;
    std::optional<std::string> EntryName;
    std::optional<std::string> URL;
    std::optional<std::string> SearchFor;
    std::optional<std::string> UserAgent;
    std::optional<std::string> YahooSearch;
    std::optional<std::vector<std::string>> ExList;
    std::optional<std::vector<std::string>> InList;
    std::optional<std::string> UserName;
    std::optional<std::string> Password;
};

// The values the dialog shows for the list's selected entries.
EntrySetupFields GatherEntrySetup(const TWebList& list);

// Writes the changed controls to every selected entry that is not locked.
// A change of the user name or of the password stores both: the one not
// changed keeps what the dialog showed. Nothing at all is written, and the
// message is returned for the dialog to show while it stays open, when a
// changed password differs from `passwordConfirmation` or when an entry
// would end with Smart Search on and a query the parser rejects.
std::optional<UserMessage> ApplyEntrySetup(TWebList& list, const EntrySetupFields& changed,
                                           const std::string& passwordConfirmation);

} // namespace rv
