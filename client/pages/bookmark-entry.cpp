#include "client/pages/bookmark-entry.h"

namespace rv
{

TWebPage BookmarkEntry(const BookmarkNode& node, const EntryDefaults& webDefaults)
{
    TWebPage entry = MakeEntry(EntryKind::Web);
    entry.Active = true;
    entry.EntryName = node.Text.substr(0, MaxCopiedTextLength);
    entry.NameSet = true;
    entry.FullRetrieval = true;
    entry.URL = node.Address;
    if (!webDefaults.IsSet)
    {
        entry.SpiderDepth = 1;
        entry.Images = false;
        entry.LocalOnly = true;
        entry.UserName.clear();
        entry.Password.clear();
        entry.SearchFor.clear();
        return entry;
    }
    entry.Active = webDefaults.Active;
    entry.Images = webDefaults.Images;
    entry.Frames = webDefaults.Frames;
    entry.Other = webDefaults.Other;
    entry.Applets = webDefaults.Applets;
    entry.PlugIns = webDefaults.PlugIns;
    entry.SpiderDepth = webDefaults.SpiderDepth;
    entry.LocalOnly = webDefaults.LocalOnly;
    entry.ExternalDepth = webDefaults.ExternalDepth;
    entry.FullRetrieval = webDefaults.FullRetrieval;
    entry.MarkDiffs = webDefaults.MarkDiffs;
    entry.SmartSearch = webDefaults.SmartSearch;
    entry.SearchFor = webDefaults.SearchFor;
    entry.CaseSensitive = webDefaults.CaseSensitive;
    return entry;
}

} // namespace rv
