#include "client/briefs/web-page.h"

namespace rv
{

TWebPage MakeEntry(EntryKind kind)
{
    TWebPage entry;
    entry.Kind = kind;
    entry.EntryName = NewEntryName(kind);
    entry.NameSet = kind == EntryKind::Yahoo;
    return entry;
}

void ApplyEntryDefaults(TWebPage& entry, const EntryDefaults& defaults)
{
    entry.Active = defaults.Active;
    entry.Images = defaults.Images;
    entry.Frames = defaults.Frames;
    entry.Other = defaults.Other;
    entry.Applets = defaults.Applets;
    entry.ActiveX = defaults.ActiveX;
    entry.PlugIns = defaults.PlugIns;
    entry.SpiderDepth = defaults.SpiderDepth;
    entry.ExternalDepth = defaults.ExternalDepth;
    entry.LocalOnly = defaults.LocalOnly;
    entry.FullRetrieval = defaults.FullRetrieval;
    entry.MarkDiffs = defaults.MarkDiffs;
    entry.SmartSearch = defaults.SmartSearch;
    entry.SearchFor = defaults.SearchFor;
    entry.CaseSensitive = defaults.CaseSensitive;
    entry.CheckHeader = defaults.CheckHeader;
    entry.SearchHTML = defaults.SearchHTML;
    entry.PreserveOnly = defaults.PreserveOnly;
    entry.StayInSubdir = defaults.StayInSubdir;
    entry.KeepUnfilteredPage = defaults.KeepUnfilteredPage;
    entry.UserAgent = defaults.UserAgent;
    entry.BypassProxyCache = defaults.BypassProxyCache;
    if (entry.Kind == EntryKind::Search)
    {
        entry.SearchYahoo = defaults.SearchYahoo;
        entry.EntryName = defaults.SearchQuery;
        entry.EngineList = defaults.SearchEngineList;
        entry.EngineListLength = static_cast<std::int32_t>(entry.EngineList.size());
    }
}

const char* NewEntryName(EntryKind kind)
{
    switch (kind)
    {
    case EntryKind::Search:
        return "New Search";
    case EntryKind::Yahoo:
        return "New Yahoo! Entry";
    case EntryKind::Web:
        break;
    }
    return "New Page";
}

std::string UnnamedEntryName(const TWebPage& entry)
{
    if (!entry.URL.empty())
    {
        return entry.URL;
    }
    return entry.Kind == EntryKind::Yahoo ? NewEntryName(EntryKind::Yahoo) : NewEntryName(EntryKind::Web);
}

RetrievalTypeCell ComputeRetrievalTypeCell(const TWebPage& entry)
{
    RetrievalTypeCell cell;
    cell.DifferencesIcon = !entry.FullRetrieval;
    cell.MarkIcon = !entry.FullRetrieval && entry.MarkDiffs;
    cell.SmartSearchIcon = entry.SmartSearch;
    cell.Text = std::to_string(entry.SpiderDepth) + " / " + (entry.LocalOnly ? "0" : std::to_string(entry.ExternalDepth));
    return cell;
}

namespace
{

constexpr const char* RavelinAgent = "Ravelin/2.5";
constexpr const char* InternetExplorerAgent = "Mozilla/2.0 (compatible; MSIE 3.01)";
constexpr const char* NavigatorAgent = "Mozilla/3.01";

} // namespace

std::string UserAgentForChoice(UserAgentChoice choice, const std::string& typed)
{
    switch (choice)
    {
    case UserAgentChoice::Default:
        return {};
    case UserAgentChoice::Ravelin:
        return RavelinAgent;
    case UserAgentChoice::InternetExplorer:
        return InternetExplorerAgent;
    case UserAgentChoice::Navigator:
        return NavigatorAgent;
    case UserAgentChoice::UserSpecified:
        break;
    }
    return typed;
}

UserAgentChoice ChoiceForUserAgent(const std::string& agent)
{
    if (agent.empty())
    {
        return UserAgentChoice::Default;
    }
    if (agent == RavelinAgent)
    {
        return UserAgentChoice::Ravelin;
    }
    if (agent == InternetExplorerAgent)
    {
        return UserAgentChoice::InternetExplorer;
    }
    if (agent == NavigatorAgent)
    {
        return UserAgentChoice::Navigator;
    }
    return UserAgentChoice::UserSpecified;
}

} // namespace rv
