// The settings of RVClient: what the preferences dialog edits, the entry defaults, the window layout and the
// recent briefs, the "No Proxy For" list and the exclusion suggestions. They are read from the settings file
// once (ReadStartupSettings at start-up, ReadFirstActivationSettings when the main window first shows) into
// one ClientSettings that the windows and the engine use; each group is written back when the user applies
// it, with the matching Write function.
#pragma once

#include "client/briefs/entry-defaults.h"
#include "client/shell/window-layout.h"
#include "platform/settings-table.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

class SettingsStore;
struct RetrievalSettings;

struct BrowserSettings
{
    std::string Path;    // full path of the browser program; empty: none chosen
    std::string Service; // the browser's service name, derived from Path
    bool AutoLoad = false;
    // The local port of the browser's DevTools endpoint that "Add Page from
    // Browser" asks for its current page; 0: none.
    std::int32_t DevToolsPort = 0;
};

struct DialerSettings
{
    std::string Selection; // connection name
    bool UsingDialer = false;
    std::int32_t NumRetries = 0;  // 0 to 100
    std::int32_t RetriesWait = 0; // seconds, 1 to 999
};

inline constexpr std::int64_t BytesPerMegaByte = 1048576;

struct DiskBufferSettings
{
    // Free disk space a run must leave, in bytes; stored as whole megabytes, 1 to 999999.
    std::int64_t MinFreeBytes = BytesPerMegaByte;
};

struct ProxySettings
{
    std::string Server; // host without scheme; empty: no proxy
    std::int32_t Port = ProxyPortSetting.fallback;
    std::string UserName;
    std::string Password;
};

struct NetworkSettings
{
    std::int32_t MaxSockets = 4; // 1 to 20
};

struct BriefDefaultsSettings
{
    std::int32_t Retries = 3; // 1 to 10
    bool LongTimeouts = false;
    std::string UserName;
    std::string Password;
    std::string UserAgent = "Ravelin/2.6";
    std::vector<std::string> NoProxyFor; // "host" or "host:port", in the order typed
};

struct StartupSettings
{
    WindowLayout OpenBriefs;
    std::vector<std::string> PreviousBriefs; // at most 4, most recent first
    bool ShowLog = false;
    bool FirstStart = false;
    std::vector<std::string> ExclusionItems;
    std::vector<std::string> InclusionItems;
};

struct ClientSettings
{
    BrowserSettings Browser;
    DialerSettings Dialer;
    DiskBufferSettings DiskBuffer;
    ProxySettings Proxy;
    NetworkSettings Network;
    ServerSettings Servers = PreferredServerSettings();
    BriefDefaultsSettings Briefs;
    StartupSettings Startup;
    EntryDefaultsRecords EntryDefaults;
};

// Reading: a value that is missing or empty keeps what the settings object holds (the defaults above, for a
// new object); a port outside 1 to 65535 reads as its default; another number is brought into its range;
// the dialer's retry numbers become 3 and 5 when their text is not a number. Order: browser, dialer, disk
// buffer, proxy, network, servers, briefs with "NoProxyFor", exclusion and inclusion items, entry defaults.
void ReadStartupSettings(const SettingsStore& store, ClientSettings& settings);

// "Open Briefs", "Show Log", "First Start" and "Previous Briefs".
void ReadFirstActivationSettings(const SettingsStore& store, StartupSettings& startup);

// One function per group as the preferences dialog and the main window store them. Each sets the values in
// the store and syncs it; the result is false when the file could not be written (the values stay in the
// store and reach the file with its next successful sync). Texts are stored as the settings file keeps them:
// the browser path quoted, the proxy host without scheme, credentials scrambled, megabytes for the disk
// buffer.
bool WriteBrowserSettings(SettingsStore& store, const BrowserSettings& browser);
bool WriteDialerSettings(SettingsStore& store, const DialerSettings& dialer);
bool WriteDiskBufferSettings(SettingsStore& store, const DiskBufferSettings& disk);
bool WriteProxySettings(SettingsStore& store, const ProxySettings& proxy); // server and port
bool WriteProxyCredentials(SettingsStore& store, const ProxySettings& proxy);
bool WriteNetworkSettings(SettingsStore& store, const NetworkSettings& network);
// Port, header and warning switches, close and shutdown switches.
bool WriteServerSettings(SettingsStore& store, const ServerSettings& servers);
bool WriteBriefSettings(SettingsStore& store, const BriefDefaultsSettings& briefs); // retries, time-outs, agent
bool WriteBriefCredentials(SettingsStore& store, const BriefDefaultsSettings& briefs);
bool WriteNoProxyFor(SettingsStore& store, const std::vector<std::string>& hosts);
bool WriteOpenBriefs(SettingsStore& store, const WindowLayout& layout);
bool WritePreviousBriefs(SettingsStore& store, const std::vector<std::string>& paths);
bool WriteShowLog(SettingsStore& store, bool shown);
bool WriteFirstStart(SettingsStore& store, bool firstStart);
bool WriteExclusionItems(SettingsStore& store, const std::vector<std::string>& items);
bool WriteInclusionItems(SettingsStore& store, const std::vector<std::string>& items);

// Set Default of a setup dialog: writes the whole record of that kind with "IsSet" "Yes".
bool WriteEntryDefaults(SettingsStore& store, EntryKind kind, const EntryDefaults& record);

// Text entered for the proxy server: the scheme is dropped as it is entered, not only when stored.
std::string EnteredProxyServer(std::string_view text);

// Copies what the retrieval engine reads into its settings; the engine's other fields are left alone.
void FillRetrievalSettings(const ClientSettings& settings, RetrievalSettings& retrieval);

// The one ClientSettings of the process. The main thread reads it at start-up and replaces groups when the
// user applies them; the retrieval thread takes a copy when a run starts. Every call locks, so a copy is
// never half old and half new.
class SharedClientSettings
{
public:
    static SharedClientSettings& Instance();

    ClientSettings Copy() const;
    void Replace(const ClientSettings& settings);

    // Runs change on the settings under the lock; keep it short.
    template <typename Change> void Update(Change&& change)
    {
        std::lock_guard lock(mutex_);
        change(settings_);
    }

private:
    mutable std::mutex mutex_;
    ClientSettings settings_;
};

} // namespace rv
