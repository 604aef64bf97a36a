#include "client/shell/client-settings.h"

#include "client/pages/retrieval-settings.h"
#include "client/shell/setting-texts.h"
#include "platform/settings-store.h"
#include "platform/settings-table.h"

#include <limits>
#include <optional>

namespace rv
{

namespace
{

constexpr std::int64_t HighestInt32 = std::numeric_limits<std::int32_t>::max();

// A dialer retry text that is not a number means these, not the usual defaults.
constexpr std::int32_t NumRetriesForText = 3;
constexpr std::int32_t RetriesWaitForText = 5;

std::string Key(std::string_view area, std::string_view name)
{
    return std::string(area) + "/" + std::string(name);
}

void ReadText(const SettingsStore& store, const std::string& key, std::string& value)
{
    if (const std::optional<std::string> stored = store.Setting(key))
    {
        value = *stored;
    }
}

void ReadYesNo(const SettingsStore& store, const std::string& key, bool& value)
{
    if (const std::optional<std::string> stored = store.Setting(key))
    {
        value = IsYes(*stored);
    }
}

void ReadCredential(const SettingsStore& store, const std::string& key, std::string& value)
{
    if (const std::optional<std::string> stored = store.Setting(key))
    {
        value = CredentialFromStored(*stored);
    }
}

template <typename Number>
void ReadNumber(const SettingsStore& store, const std::string& key, std::int64_t low, std::int64_t high, Number& value,
                std::optional<Number> forText = std::nullopt)
{
    if (const std::optional<std::string> stored = store.Setting(key))
    {
        const std::optional<std::int64_t> number = ParseNumberInRange(*stored, low, high);
        if (number || forText)
        {
            value = number ? static_cast<Number>(*number) : *forText;
        }
    }
}

void PutNumber(SettingsStore& store, const std::string& key, std::int64_t value)
{
    store.SetValue(key, std::to_string(value));
}

void PutYesNo(SettingsStore& store, const std::string& key, bool value)
{
    store.SetValue(key, YesNo(value));
}

void ReadBrowser(const SettingsStore& store, BrowserSettings& browser)
{
    if (const std::optional<std::string> stored = store.Setting(BrowserPathSetting.key))
    {
        browser.Path = BrowserPathFromStored(*stored);
        browser.Service = BrowserServiceOf(browser.Path);
    }
    ReadText(store, "Browser/Browser Service", browser.Service);
    ReadYesNo(store, "Browser/AutoLoad Browser", browser.AutoLoad);
    ReadSetting(store, BrowserDevToolsPortSetting, browser.DevToolsPort);
}

void ReadDialer(const SettingsStore& store, DialerSettings& dialer)
{
    ReadText(store, "Dialer/Selection", dialer.Selection);
    ReadYesNo(store, "Dialer/UsingDialer", dialer.UsingDialer);
    ReadNumber(store, "Dialer/NumRetries", 0, 100, dialer.NumRetries, std::optional(NumRetriesForText));
    ReadNumber(store, "Dialer/RetriesWait", 1, 999, dialer.RetriesWait, std::optional(RetriesWaitForText));
}

void ReadDiskBuffer(const SettingsStore& store, DiskBufferSettings& disk)
{
    std::int64_t megaBytes = disk.MinFreeBytes / BytesPerMegaByte;
    ReadNumber(store, "Disk Buffer/MegaBytes", 1, 999999, megaBytes);
    disk.MinFreeBytes = megaBytes * BytesPerMegaByte;
}

void ReadProxy(const SettingsStore& store, ProxySettings& proxy)
{
    ReadText(store, "Servers/Proxy/Proxy Server", proxy.Server);
    proxy.Server = ProxyHostWithoutScheme(proxy.Server);
    ReadSetting(store, ProxyPortSetting, proxy.Port);
    ReadCredential(store, "Servers/Proxy/UserName", proxy.UserName);
    ReadCredential(store, "Servers/Proxy/Password", proxy.Password);
}

void ReadBriefs(const SettingsStore& store, BriefDefaultsSettings& briefs)
{
    ReadNumber(store, "Briefs/Retries", 1, 10, briefs.Retries);
    if (const std::optional<std::string> stored = store.Setting("Briefs/LongTimeouts"))
    {
        briefs.LongTimeouts = ParseDecimal(TrimSpaceOrTab(*stored)).value_or(0) != 0;
    }
    ReadCredential(store, "Briefs/UserName", briefs.UserName);
    ReadCredential(store, "Briefs/Password", briefs.Password);
    ReadText(store, "Briefs/UserAgent", briefs.UserAgent);
    if (const std::optional<std::string> stored = store.Setting("Briefs/NoProxyFor"))
    {
        briefs.NoProxyFor = UnpackList(*stored);
    }
}

void ReadItems(const SettingsStore& store, const std::string& key, std::vector<std::string>& items)
{
    if (const std::optional<std::string> stored = store.Setting(key))
    {
        items = SplitItemList(*stored);
    }
}

std::string DefaultsArea(EntryKind kind)
{
    switch (kind)
    {
    case EntryKind::Search:
        return "Default/Search Properties";
    case EntryKind::Yahoo:
        return "Default/Yahoo Properties";
    case EntryKind::Web:
        break;
    }
    return "Default/Web Properties";
}

// The Yes/No fields of an entry defaults record with their sub-key names.
struct FlagField
{
    const char* Name;
    bool EntryDefaults::*Field;
};
constexpr FlagField FlagFields[] = {
    {"Active", &EntryDefaults::Active},
    {"SmartSearch", &EntryDefaults::SmartSearch},
    {"Images", &EntryDefaults::Images},
    {"PlugIns", &EntryDefaults::PlugIns},
    {"Applets", &EntryDefaults::Applets},
    {"ActiveX", &EntryDefaults::ActiveX},
    {"Frames", &EntryDefaults::Frames},
    {"Other", &EntryDefaults::Other},
    {"FollowExternal", &EntryDefaults::LocalOnly}, // "Yes": do not follow links that leave the site
    {"MarkDiffs", &EntryDefaults::MarkDiffs},
    {"CaseSensitive", &EntryDefaults::CaseSensitive},
    {"CheckHeader", &EntryDefaults::CheckHeader},
    {"PreserveOnly", &EntryDefaults::PreserveOnly},
    {"SearchHTML", &EntryDefaults::SearchHTML},
    {"StayInSubdir", &EntryDefaults::StayInSubdir},
    {"KeepUnfilteredPage", &EntryDefaults::KeepUnfilteredPage},
    {"BypassProxyCache", &EntryDefaults::BypassProxyCache},
};

void ReadSearchDefaults(const SettingsStore& store, const std::string& area, EntryDefaults& record)
{
    ReadText(store, Key(area, "SearchQuery"), record.SearchQuery);
    ReadYesNo(store, Key(area, "SearchYahoo"), record.SearchYahoo);
    std::string list;
    ReadText(store, Key(area, "SearchEngineList"), list);
    const std::optional<std::string> length = store.Setting(Key(area, "SearchEnginesLength"));
    const std::optional<std::int64_t> count = length ? ParseDecimal(TrimSpaceOrTab(*length)) : std::nullopt;
    if (count && *count < 0)
    {
        list.clear();
    }
    else if (count && static_cast<std::uint64_t>(*count) < list.size())
    {
        list.resize(static_cast<std::size_t>(*count));
    }
    record.SearchEngineList = list;
}

void ReadEntryDefaults(const SettingsStore& store, EntryKind kind, EntryDefaults& record)
{
    const std::string area = DefaultsArea(kind);
    ReadYesNo(store, Key(area, "IsSet"), record.IsSet);
    if (!record.IsSet)
    {
        return;
    }
    for (const FlagField& flag : FlagFields)
    {
        ReadYesNo(store, Key(area, flag.Name), record.*flag.Field);
    }
    ReadNumber(store, Key(area, "SpiderDepth"), 0, HighestInt32, record.SpiderDepth);
    ReadNumber(store, Key(area, "ExternalDepth"), 0, HighestInt32, record.ExternalDepth);
    if (const std::optional<std::string> stored = store.Setting(Key(area, "RetrievalType")))
    {
        record.FullRetrieval = ParseDecimal(TrimSpaceOrTab(*stored)).value_or(1) == 1;
    }
    ReadText(store, Key(area, "SearchFor"), record.SearchFor);
    ReadText(store, Key(area, "UserAgent"), record.UserAgent);
    if (kind == EntryKind::Search)
    {
        ReadSearchDefaults(store, area, record);
    }
}

} // namespace

void ReadStartupSettings(const SettingsStore& store, ClientSettings& settings)
{
    ReadBrowser(store, settings.Browser);
    ReadDialer(store, settings.Dialer);
    ReadDiskBuffer(store, settings.DiskBuffer);
    ReadProxy(store, settings.Proxy);
    ReadNumber(store, "Network/Max Sockets", 1, 20, settings.Network.MaxSockets);
    ReadServerSettings(store, settings.Servers);
    ReadBriefs(store, settings.Briefs);
    ReadItems(store, "Startup/ExclusionItems", settings.Startup.ExclusionItems);
    ReadItems(store, "Startup/InclusionItems", settings.Startup.InclusionItems);
    for (const EntryKind kind : {EntryKind::Web, EntryKind::Search, EntryKind::Yahoo})
    {
        ReadEntryDefaults(store, kind, settings.EntryDefaults.For(kind));
    }
}

void ReadFirstActivationSettings(const SettingsStore& store, StartupSettings& startup)
{
    if (const std::optional<std::string> stored = store.Setting("Startup/Open Briefs"))
    {
        startup.OpenBriefs = LayoutFromText(*stored);
    }
    ReadYesNo(store, "Startup/Show Log", startup.ShowLog);
    ReadYesNo(store, "Startup/First Start", startup.FirstStart);
    if (const std::optional<std::string> stored = store.Setting("Startup/Previous Briefs"))
    {
        startup.PreviousBriefs = UnpackPreviousBriefs(*stored);
    }
}

bool WriteBrowserSettings(SettingsStore& store, const BrowserSettings& browser)
{
    WriteSetting(store, BrowserPathSetting, QuotedBrowserPath(browser.Path));
    store.SetValue("Browser/Browser Service", BrowserServiceOf(browser.Path));
    PutYesNo(store, "Browser/AutoLoad Browser", browser.AutoLoad);
    WriteSetting(store, BrowserDevToolsPortSetting, browser.DevToolsPort);
    return store.Sync();
}

bool WriteDialerSettings(SettingsStore& store, const DialerSettings& dialer)
{
    store.SetValue("Dialer/Selection", dialer.Selection);
    PutYesNo(store, "Dialer/UsingDialer", dialer.UsingDialer);
    PutNumber(store, "Dialer/NumRetries", dialer.NumRetries);
    PutNumber(store, "Dialer/RetriesWait", dialer.RetriesWait);
    return store.Sync();
}

bool WriteDiskBufferSettings(SettingsStore& store, const DiskBufferSettings& disk)
{
    PutNumber(store, "Disk Buffer/MegaBytes", disk.MinFreeBytes / BytesPerMegaByte);
    return store.Sync();
}

bool WriteProxySettings(SettingsStore& store, const ProxySettings& proxy)
{
    store.SetValue("Servers/Proxy/Proxy Server", ProxyHostWithoutScheme(proxy.Server));
    WriteSetting(store, ProxyPortSetting, proxy.Port);
    return store.Sync();
}

bool WriteProxyCredentials(SettingsStore& store, const ProxySettings& proxy)
{
    store.SetValue("Servers/Proxy/UserName", StoredCredential(proxy.UserName));
    store.SetValue("Servers/Proxy/Password", StoredCredential(proxy.Password));
    return store.Sync();
}

bool WriteNetworkSettings(SettingsStore& store, const NetworkSettings& network)
{
    PutNumber(store, "Network/Max Sockets", network.MaxSockets);
    return store.Sync();
}

bool WriteServerSettings(SettingsStore& store, const ServerSettings& servers)
{
    WriteSetting(store, ServerPortSetting, servers.port);
    WriteSetting(store, DisplayHeaderSetting, servers.displayHeader);
    WriteSetting(store, DisplayWarningSetting, servers.displayWarning);
    WriteSetting(store, CloseServerSetting, servers.closeServer);
    WriteSetting(store, ShutdownWarningSetting, servers.shutdownWarning);
    return store.Sync();
}

bool WriteBriefSettings(SettingsStore& store, const BriefDefaultsSettings& briefs)
{
    PutNumber(store, "Briefs/Retries", briefs.Retries);
    store.SetValue("Briefs/LongTimeouts", briefs.LongTimeouts ? "1" : "0");
    store.SetValue("Briefs/UserAgent", briefs.UserAgent);
    return store.Sync();
}

bool WriteBriefCredentials(SettingsStore& store, const BriefDefaultsSettings& briefs)
{
    store.SetValue("Briefs/UserName", StoredCredential(briefs.UserName));
    store.SetValue("Briefs/Password", StoredCredential(briefs.Password));
    return store.Sync();
}

bool WriteNoProxyFor(SettingsStore& store, const std::vector<std::string>& hosts)
{
    store.SetValue("Briefs/NoProxyFor", PackList(hosts));
    return store.Sync();
}

bool WriteOpenBriefs(SettingsStore& store, const WindowLayout& layout)
{
    store.SetValue("Startup/Open Briefs", LayoutText(layout));
    return store.Sync();
}

bool WritePreviousBriefs(SettingsStore& store, const std::vector<std::string>& paths)
{
    store.SetValue("Startup/Previous Briefs", PackPreviousBriefs(paths));
    return store.Sync();
}

bool WriteShowLog(SettingsStore& store, bool shown)
{
    PutYesNo(store, "Startup/Show Log", shown);
    return store.Sync();
}

bool WriteFirstStart(SettingsStore& store, bool firstStart)
{
    PutYesNo(store, "Startup/First Start", firstStart);
    return store.Sync();
}

bool WriteExclusionItems(SettingsStore& store, const std::vector<std::string>& items)
{
    store.SetValue("Startup/ExclusionItems", JoinItemList(items));
    return store.Sync();
}

bool WriteInclusionItems(SettingsStore& store, const std::vector<std::string>& items)
{
    store.SetValue("Startup/InclusionItems", JoinItemList(items));
    return store.Sync();
}

bool WriteEntryDefaults(SettingsStore& store, EntryKind kind, const EntryDefaults& record)
{
    const std::string area = DefaultsArea(kind);
    PutYesNo(store, Key(area, "IsSet"), true);
    for (const FlagField& flag : FlagFields)
    {
        PutYesNo(store, Key(area, flag.Name), record.*flag.Field);
    }
    PutNumber(store, Key(area, "SpiderDepth"), record.SpiderDepth);
    PutNumber(store, Key(area, "ExternalDepth"), record.ExternalDepth);
    store.SetValue(Key(area, "RetrievalType"), record.FullRetrieval ? "1" : "0");
    store.SetValue(Key(area, "SearchFor"), record.SearchFor);
    store.SetValue(Key(area, "UserAgent"), record.UserAgent);
    if (kind == EntryKind::Search)
    {
        store.SetValue(Key(area, "SearchQuery"), record.SearchQuery);
        PutNumber(store, Key(area, "SearchEnginesLength"), static_cast<std::int64_t>(record.SearchEngineList.size()));
        store.SetValue(Key(area, "SearchEngineList"), record.SearchEngineList);
        PutYesNo(store, Key(area, "SearchYahoo"), record.SearchYahoo);
    }
    return store.Sync();
}

std::string EnteredProxyServer(std::string_view text)
{
    return ProxyHostWithoutScheme(text);
}

void FillRetrievalSettings(const ClientSettings& settings, RetrievalSettings& retrieval)
{
    retrieval.ProxyHost = settings.Proxy.Server;
    retrieval.ProxyPort = settings.Proxy.Port;
    retrieval.ProxyUserName = settings.Proxy.UserName;
    retrieval.ProxyPassword = settings.Proxy.Password;
    retrieval.DefaultUserName = settings.Briefs.UserName;
    retrieval.DefaultPassword = settings.Briefs.Password;
    retrieval.DefaultUserAgent = settings.Briefs.UserAgent;
    retrieval.Retries = settings.Briefs.Retries;
    retrieval.LongTimeouts = settings.Briefs.LongTimeouts;
    retrieval.NoProxyFor = settings.Briefs.NoProxyFor;
    retrieval.NumSocks = settings.Network.MaxSockets;
    retrieval.DiskBuffer = static_cast<std::int32_t>(settings.DiskBuffer.MinFreeBytes / BytesPerMegaByte);
    retrieval.ServerPort = settings.Servers.port;
}

SharedClientSettings& SharedClientSettings::Instance()
{
    static SharedClientSettings instance;
    return instance;
}

ClientSettings SharedClientSettings::Copy() const
{
    std::lock_guard lock(mutex_);
    return settings_;
}

void SharedClientSettings::Replace(const ClientSettings& settings)
{
    std::lock_guard lock(mutex_);
    settings_ = settings;
}

} // namespace rv
