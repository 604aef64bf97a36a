#include "client/briefs/entry-setup.h"

#include "client/briefs/smart-search-query.h"

namespace rv
{

namespace
{

template <typename T> struct Binding
{
    std::optional<T> EntrySetupFields::*Field;
    T TWebPage::*Entry;
};

constexpr Binding<bool> FlagBindings[] = {
    {&EntrySetupFields::Active, &TWebPage::Active},
    {&EntrySetupFields::FullRetrieval, &TWebPage::FullRetrieval},
    {&EntrySetupFields::MarkDiffs, &TWebPage::MarkDiffs},
    {&EntrySetupFields::SmartSearch, &TWebPage::SmartSearch},
    {&EntrySetupFields::CaseSensitive, &TWebPage::CaseSensitive},
    {&EntrySetupFields::CheckHeader, &TWebPage::CheckHeader},
    {&EntrySetupFields::SearchHTML, &TWebPage::SearchHTML},
    {&EntrySetupFields::Images, &TWebPage::Images},
    {&EntrySetupFields::PlugIns, &TWebPage::PlugIns},
    {&EntrySetupFields::Applets, &TWebPage::Applets},
    {&EntrySetupFields::ActiveX, &TWebPage::ActiveX},
    {&EntrySetupFields::Other, &TWebPage::Other},
    {&EntrySetupFields::Frames, &TWebPage::Frames},
    {&EntrySetupFields::LocalOnly, &TWebPage::LocalOnly},
    {&EntrySetupFields::SearchYahoo, &TWebPage::SearchYahoo},
    {&EntrySetupFields::PreserveOnly, &TWebPage::PreserveOnly},
    {&EntrySetupFields::StayInSubdir, &TWebPage::StayInSubdir},
    {&EntrySetupFields::KeepUnfilteredPage, &TWebPage::KeepUnfilteredPage},
    {&EntrySetupFields::ExclusionLists, &TWebPage::ExclusionLists},
    {&EntrySetupFields::BypassProxyCache, &TWebPage::BypassProxyCache},
};

constexpr Binding<std::int32_t> DepthBindings[] = {
    {&EntrySetupFields::SpiderDepth, &TWebPage::SpiderDepth},
    {&EntrySetupFields::ExternalDepth, &TWebPage::ExternalDepth},
};

// Texts shared by all selected entries. Name and address are handled apart:
// they belong to one entry.
constexpr Binding<std::string> TextBindings[] = {
    {&EntrySetupFields::SearchFor, &TWebPage::SearchFor},
    {&EntrySetupFields::UserAgent, &TWebPage::UserAgent},
};

constexpr Binding<std::vector<std::string>> ListBindings[] = {
    {&EntrySetupFields::ExList, &TWebPage::ExList},
    {&EntrySetupFields::InList, &TWebPage::InList},
};

// The value all entries share, or nothing when they differ.
template <typename T, typename Get> std::optional<T> Common(const TWebList& list, const std::vector<int>& at, Get get)
{
    if (at.empty())
    {
        return std::nullopt;
    }
    T first = get(list[at.front()]);
    for (const int position : at)
    {
        if (!(get(list[position]) == first))
        {
            return std::nullopt;
        }
    }
    return first;
}

template <typename T, std::size_t N>
void GatherAll(EntrySetupFields& view, const TWebList& list, const std::vector<int>& at, const Binding<T> (&bindings)[N])
{
    for (const Binding<T>& b : bindings)
    {
        view.*b.Field = Common<T>(list, at, [&](const TWebPage& e) { return e.*b.Entry; });
    }
}

template <typename T, std::size_t N>
void ApplyAll(TWebPage& entry, const EntrySetupFields& changed, const Binding<T> (&bindings)[N])
{
    for (const Binding<T>& b : bindings)
    {
        if (changed.*b.Field)
        {
            entry.*b.Entry = *(changed.*b.Field);
        }
    }
}

std::vector<int> WritablePositions(const TWebList& list)
{
    std::vector<int> positions;
    for (const int position : list.SelectedPositions())
    {
        if (!list[position].EntryLocked)
        {
            positions.push_back(position);
        }
    }
    return positions;
}

bool SmartSearchRejected(const TWebPage& entry, const EntrySetupFields& changed)
{
    const bool on = changed.SmartSearch.value_or(entry.SmartSearch);
    return on && !SmartSearchQueryUnderstood(changed.SearchFor.value_or(entry.SearchFor));
}

void ApplyNameAndAddress(TWebPage& entry, const EntrySetupFields& changed)
{
    if (changed.URL)
    {
        entry.URL = *changed.URL;
    }
    if (changed.EntryName)
    {
        entry.NameSet = !changed.EntryName->empty();
        entry.EntryName = *changed.EntryName;
    }
    if (!entry.NameSet && (changed.EntryName || changed.URL))
    {
        entry.EntryName = UnnamedEntryName(entry);
    }
}

} // namespace

EntrySetupFields GatherEntrySetup(const TWebList& list)
{
    EntrySetupFields view;
    const std::vector<int> at = list.SelectedPositions();
    GatherAll(view, list, at, FlagBindings);
    GatherAll(view, list, at, DepthBindings);
    GatherAll(view, list, at, TextBindings);
    GatherAll(view, list, at, ListBindings);
    view.YahooSearch = Common<std::string>(list, at, [](const TWebPage& e) { return e.YahooSearch.value_or(std::string()); });
    view.UserName = Common<std::string>(list, at, [](const TWebPage& e) { return e.UserName; });
    view.Password = Common<std::string>(list, at, [](const TWebPage& e) { return e.Password; });
    if (at.size() == 1)
    {
        view.EntryName = list[at.front()].EntryName;
        view.URL = list[at.front()].URL;
    }
    return view;
}

std::optional<UserMessage> ApplyEntrySetup(TWebList& list, const EntrySetupFields& changed,
                                           const std::string& passwordConfirmation)
{
    if (changed.Password && *changed.Password != passwordConfirmation)
    {
        return PasswordNotConfirmed;
    }
    const std::vector<int> at = WritablePositions(list);
    for (const int position : at)
    {
        if (SmartSearchRejected(list[position], changed))
        {
            return SmartSearchNotUnderstood;
        }
    }
    // The credential left alone keeps what the dialog showed for it.
    const EntrySetupFields shown = GatherEntrySetup(list);
    const bool credentials = changed.UserName || changed.Password;
    for (const int position : at)
    {
        TWebPage& entry = list[position];
        ApplyAll(entry, changed, FlagBindings);
        ApplyAll(entry, changed, DepthBindings);
        ApplyAll(entry, changed, TextBindings);
        ApplyAll(entry, changed, ListBindings);
        if (changed.YahooSearch)
        {
            entry.YahooSearch = changed.YahooSearch->empty() ? std::nullopt : changed.YahooSearch;
        }
        if (credentials)
        {
            entry.UserName = changed.UserName.value_or(shown.UserName.value_or(std::string()));
            entry.Password = changed.Password.value_or(shown.Password.value_or(std::string()));
        }
        if (list.SelectedCount() == 1)
        {
            ApplyNameAndAddress(entry, changed);
        }
    }
    return std::nullopt;
}

} // namespace rv
