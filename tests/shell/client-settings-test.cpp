#include "client/pages/retrieval-settings.h"
#include "client/shell/client-settings.h"
#include "client/shell/setting-texts.h"
#include "platform/settings-store.h"
#include "tests/support/sandbox.h"

#include <sys/stat.h>

namespace rv
{
namespace
{

class ClientSettingsTest : public test::SandboxedTest
{
protected:
    QString ConfPath() const { return QString::fromStdString(PathOf("Marrowby Works/Ravelin.conf").string()); }
    std::string ConfBytes() const { return test::ReadFile(PathOf("Marrowby Works/Ravelin.conf")); }

    // Reads everything back through a new handle, as the next start of the program would.
    ClientSettings ReadBack() const
    {
        SettingsStore store(ConfPath());
        ClientSettings settings;
        ReadStartupSettings(store, settings);
        ReadFirstActivationSettings(store, settings.Startup);
        return settings;
    }
};

// Every value differs from its default, so a row that is not written or not read shows.
ClientSettings Changed()
{
    ClientSettings s;
    s.Browser = {"/opt/web browser/bin/browse", "BROWSE", true};
    s.Dialer = {"Office line", true, 7, 30};
    s.DiskBuffer.MinFreeBytes = 250 * BytesPerMegaByte;
    s.Proxy = {"cache.example.net", 3128, "proxy\\user", std::string("pass\0word", 9)};
    s.Network.MaxSockets = 9;
    s.Servers = {1999, false, false, false, false};
    s.Briefs = {5, true, "ann", "passwordj", "Mozilla/4.05", {"localhost", "intranet:8080", "10.0.0.1"}};
    s.Startup.OpenBriefs = {{-4, -4, 1032, 776, WindowState::Maximised},
                            {{"/home/ann/Briefs/News.brf", {10, 20, 300, 200, WindowState::Normal}},
                             {"/home/ann/Briefs/Gov.brf", {30, 40, 310, 210, WindowState::Minimised}}}};
    s.Startup.PreviousBriefs = {"/home/ann/Briefs/News.brf", "/home/ann/Briefs/Gov.brf"};
    s.Startup.ShowLog = true;
    s.Startup.FirstStart = true;
    s.Startup.ExclusionItems = {"/cgi-bin/", "ads"};
    s.Startup.InclusionItems = {"/news/"};
    for (const EntryKind kind : {EntryKind::Web, EntryKind::Search, EntryKind::Yahoo})
    {
        EntryDefaults& r = s.EntryDefaults.For(kind);
        r.IsSet = true;
        r.Active = r.Images = r.SearchHTML = r.LocalOnly = r.FullRetrieval = r.KeepUnfilteredPage = false;
        r.Frames = r.Other = r.Applets = r.ActiveX = r.PlugIns = r.MarkDiffs = r.SmartSearch = true;
        r.CaseSensitive = r.CheckHeader = r.PreserveOnly = r.StayInSubdir = r.BypassProxyCache = true;
        r.SpiderDepth = 3 + static_cast<int>(kind);
        r.ExternalDepth = 2;
        r.SearchFor = "rain AND snow";
        r.UserAgent = "Ravelin/2.5";
    }
    s.EntryDefaults.Search.SearchYahoo = true;
    s.EntryDefaults.Search.SearchQuery = "weather";
    s.EntryDefaults.Search.SearchEngineList = std::string("\x05"
                                                          "Alpha\x04"
                                                          "Beta",
                                                          11);
    return s;
}

void WriteAll(SettingsStore& store, const ClientSettings& s)
{
    EXPECT_TRUE(WriteBrowserSettings(store, s.Browser));
    EXPECT_TRUE(WriteDialerSettings(store, s.Dialer));
    EXPECT_TRUE(WriteDiskBufferSettings(store, s.DiskBuffer));
    EXPECT_TRUE(WriteProxySettings(store, s.Proxy));
    EXPECT_TRUE(WriteProxyCredentials(store, s.Proxy));
    EXPECT_TRUE(WriteNetworkSettings(store, s.Network));
    EXPECT_TRUE(WriteServerSettings(store, s.Servers));
    EXPECT_TRUE(WriteBriefSettings(store, s.Briefs));
    EXPECT_TRUE(WriteBriefCredentials(store, s.Briefs));
    EXPECT_TRUE(WriteNoProxyFor(store, s.Briefs.NoProxyFor));
    EXPECT_TRUE(WriteOpenBriefs(store, s.Startup.OpenBriefs));
    EXPECT_TRUE(WritePreviousBriefs(store, s.Startup.PreviousBriefs));
    EXPECT_TRUE(WriteShowLog(store, s.Startup.ShowLog));
    EXPECT_TRUE(WriteFirstStart(store, s.Startup.FirstStart));
    EXPECT_TRUE(WriteExclusionItems(store, s.Startup.ExclusionItems));
    EXPECT_TRUE(WriteInclusionItems(store, s.Startup.InclusionItems));
    for (const EntryKind kind : {EntryKind::Web, EntryKind::Search, EntryKind::Yahoo})
    {
        EXPECT_TRUE(WriteEntryDefaults(store, kind, s.EntryDefaults.For(kind)));
    }
}

void ExpectSame(const EntryDefaults& a, const EntryDefaults& b)
{
    EXPECT_EQ(a.IsSet, b.IsSet);
    for (const auto field :
         {&EntryDefaults::Active, &EntryDefaults::Images, &EntryDefaults::Frames, &EntryDefaults::Other,
          &EntryDefaults::Applets, &EntryDefaults::ActiveX, &EntryDefaults::PlugIns, &EntryDefaults::LocalOnly,
          &EntryDefaults::FullRetrieval, &EntryDefaults::MarkDiffs, &EntryDefaults::SmartSearch, &EntryDefaults::CaseSensitive,
          &EntryDefaults::CheckHeader, &EntryDefaults::SearchHTML, &EntryDefaults::PreserveOnly, &EntryDefaults::StayInSubdir,
          &EntryDefaults::KeepUnfilteredPage, &EntryDefaults::BypassProxyCache, &EntryDefaults::SearchYahoo})
    {
        EXPECT_EQ(a.*field, b.*field);
    }
    EXPECT_EQ(a.SpiderDepth, b.SpiderDepth);
    EXPECT_EQ(a.ExternalDepth, b.ExternalDepth);
    EXPECT_EQ(a.SearchFor, b.SearchFor);
    EXPECT_EQ(a.UserAgent, b.UserAgent);
    EXPECT_EQ(a.SearchQuery, b.SearchQuery);
    EXPECT_EQ(a.SearchEngineList, b.SearchEngineList);
}

void ExpectSame(const ClientSettings& a, const ClientSettings& b)
{
    EXPECT_EQ(a.Browser.Path, b.Browser.Path);
    EXPECT_EQ(a.Browser.Service, b.Browser.Service);
    EXPECT_EQ(a.Browser.AutoLoad, b.Browser.AutoLoad);
    EXPECT_EQ(a.Dialer.Selection, b.Dialer.Selection);
    EXPECT_EQ(a.Dialer.UsingDialer, b.Dialer.UsingDialer);
    EXPECT_EQ(a.Dialer.NumRetries, b.Dialer.NumRetries);
    EXPECT_EQ(a.Dialer.RetriesWait, b.Dialer.RetriesWait);
    EXPECT_EQ(a.DiskBuffer.MinFreeBytes, b.DiskBuffer.MinFreeBytes);
    EXPECT_EQ(a.Proxy.Server, b.Proxy.Server);
    EXPECT_EQ(a.Proxy.Port, b.Proxy.Port);
    EXPECT_EQ(a.Proxy.UserName, b.Proxy.UserName);
    EXPECT_EQ(a.Proxy.Password, b.Proxy.Password);
    EXPECT_EQ(a.Network.MaxSockets, b.Network.MaxSockets);
    EXPECT_EQ(a.Servers.port, b.Servers.port);
    EXPECT_EQ(a.Servers.displayHeader, b.Servers.displayHeader);
    EXPECT_EQ(a.Servers.displayWarning, b.Servers.displayWarning);
    EXPECT_EQ(a.Servers.closeServer, b.Servers.closeServer);
    EXPECT_EQ(a.Servers.shutdownWarning, b.Servers.shutdownWarning);
    EXPECT_EQ(a.Briefs.Retries, b.Briefs.Retries);
    EXPECT_EQ(a.Briefs.LongTimeouts, b.Briefs.LongTimeouts);
    EXPECT_EQ(a.Briefs.UserName, b.Briefs.UserName);
    EXPECT_EQ(a.Briefs.Password, b.Briefs.Password);
    EXPECT_EQ(a.Briefs.UserAgent, b.Briefs.UserAgent);
    EXPECT_EQ(a.Briefs.NoProxyFor, b.Briefs.NoProxyFor);
    EXPECT_EQ(a.Startup.OpenBriefs, b.Startup.OpenBriefs);
    EXPECT_EQ(a.Startup.PreviousBriefs, b.Startup.PreviousBriefs);
    EXPECT_EQ(a.Startup.ShowLog, b.Startup.ShowLog);
    EXPECT_EQ(a.Startup.FirstStart, b.Startup.FirstStart);
    EXPECT_EQ(a.Startup.ExclusionItems, b.Startup.ExclusionItems);
    EXPECT_EQ(a.Startup.InclusionItems, b.Startup.InclusionItems);
    for (const EntryKind kind : {EntryKind::Web, EntryKind::Search, EntryKind::Yahoo})
    {
        SCOPED_TRACE(static_cast<int>(kind));
        ExpectSame(a.EntryDefaults.For(kind), b.EntryDefaults.For(kind));
    }
}

TEST_F(ClientSettingsTest, EveryGroupRoundTripsThroughTheSettingsFile)
{
    const ClientSettings written = Changed();
    {
        SettingsStore store(ConfPath());
        WriteAll(store, written);
    }
    ExpectSame(ReadBack(), written);
}

TEST_F(ClientSettingsTest, DefaultsRoundTripAndAnEmptyFileKeepsThem)
{
    ExpectSame(ReadBack(), ClientSettings());
    {
        SettingsStore store(ConfPath());
        WriteAll(store, ClientSettings());
    }
    ClientSettings expected;
    expected.Dialer.RetriesWait = 1; // the default 0 lies outside the range a stored number is brought into
    for (const EntryKind kind : {EntryKind::Web, EntryKind::Search, EntryKind::Yahoo})
    {
        expected.EntryDefaults.For(kind).IsSet = true;
    }
    ExpectSame(ReadBack(), expected);
}

TEST_F(ClientSettingsTest, TextsAreStoredUnderTheirKeysInTheirStoredForms)
{
    {
        SettingsStore store(ConfPath());
        WriteAll(store, Changed());
    }
    SettingsStore store(ConfPath());
    EXPECT_EQ(store.Value("Browser/Browser Path"), "\"/opt/web browser/bin/browse\"");
    EXPECT_EQ(store.Value("Browser/Browser Service"), "BROWSE");
    EXPECT_EQ(store.Value("Browser/AutoLoad Browser"), "Yes");
    EXPECT_EQ(store.Value("Disk Buffer/MegaBytes"), "250");
    EXPECT_EQ(store.Value("Servers/Ravelin Server Port"), "1999");
    EXPECT_EQ(store.Value("Servers/Display Header"), "No");
    EXPECT_EQ(store.Value("Briefs/LongTimeouts"), "1");
    EXPECT_EQ(store.Value("Briefs/Password"), std::string("\x0e\x5c\x5c\x36\x6c\x26\x82\xa9\x23\xbe\xd6\x40\x6d\x5c\x30", 15));
    EXPECT_EQ(store.Value("Briefs/NoProxyFor"), std::string("\x0alocalhost\x0eintranet:8080\x09"
                                                            "10.0.0.1\0",
                                                            34));
    EXPECT_EQ(store.Value("Startup/ExclusionItems"), "9//cgi-bin/3/ads");
    EXPECT_EQ(store.Value("Default/Web Properties/IsSet"), "Yes");
    EXPECT_EQ(store.Value("Default/Web Properties/FollowExternal"), "No");
    EXPECT_EQ(store.Value("Default/Web Properties/RetrievalType"), "0");
    EXPECT_EQ(store.Value("Default/Search Properties/SearchEnginesLength"), "11");
    EXPECT_EQ(store.Value("Default/Web Properties/SearchQuery"), std::nullopt);
    EXPECT_EQ(store.Value("Default/Yahoo Properties/SearchYahoo"), std::nullopt);
    // The file holds credentials.
    struct stat info = {};
    ASSERT_EQ(::stat(PathOf("Marrowby Works/Ravelin.conf").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(ClientSettingsTest, AProxyEnteredWithASchemeIsStoredWithout)
{
    ProxySettings proxy;
    proxy.Server = EnteredProxyServer("http://cache.example.net");
    EXPECT_EQ(proxy.Server, "cache.example.net");
    proxy.Server = "ftp://other.example.net";
    {
        SettingsStore store(ConfPath());
        WriteProxySettings(store, proxy);
        EXPECT_EQ(store.Value("Servers/Proxy/Proxy Server"), "other.example.net");
        store.SetValue("Servers/Proxy/Proxy Server", "http://hand.edited:8000");
    }
    EXPECT_EQ(ReadBack().Proxy.Server, "hand.edited:8000");
}

TEST_F(ClientSettingsTest, MissingEmptyAndOddValuesKeepDefaultsOrTakeTheirRules)
{
    {
        SettingsStore store(ConfPath());
        store.SetValue("Browser/Browser Path", "/usr/bin/chromium --incognito");
        store.SetValue("Dialer/NumRetries", "many");
        store.SetValue("Dialer/RetriesWait", "soon");
        store.SetValue("Disk Buffer/MegaBytes", "");
        store.SetValue("Servers/Proxy/Proxy Port", "99999");
        store.SetValue("Network/Max Sockets", "5000");
        store.SetValue("Servers/Ravelin Server Port", "abc");
        store.SetValue("Servers/Display Header", "");
        store.SetValue("Briefs/Retries", "0");
        store.SetValue("Briefs/UserAgent", "");
        store.SetValue("Default/Web Properties/IsSet", "No");
        store.SetValue("Default/Web Properties/SpiderDepth", "9");
        store.SetValue("Default/Search Properties/IsSet", "Yes");
        store.SetValue("Default/Search Properties/RetrievalType", "full");
        store.SetValue("Default/Search Properties/SearchEnginesLength", "-1");
        store.SetValue("Default/Search Properties/SearchEngineList", "\x05"
                                                                     "Alpha");
        store.SetValue("Default/Yahoo Properties/IsSet", "Yes");
        store.SetValue("Default/Yahoo Properties/RetrievalType", "0");
    }
    const ClientSettings read = ReadBack();
    const ClientSettings defaults;
    EXPECT_EQ(read.Browser.Path, "/usr/bin/chromium");
    EXPECT_EQ(read.Browser.Service, "CHROMIUM");
    EXPECT_EQ(read.Dialer.NumRetries, 3);
    EXPECT_EQ(read.Dialer.RetriesWait, 5);
    EXPECT_EQ(read.DiskBuffer.MinFreeBytes, BytesPerMegaByte);
    EXPECT_EQ(read.Proxy.Port, 80);
    EXPECT_EQ(read.Network.MaxSockets, 20);
    EXPECT_EQ(read.Servers.port, 1888);
    EXPECT_TRUE(read.Servers.displayHeader);
    EXPECT_EQ(read.Briefs.Retries, 1);
    EXPECT_EQ(read.Briefs.UserAgent, "Ravelin/2.6");
    EXPECT_FALSE(read.EntryDefaults.Web.IsSet);
    EXPECT_EQ(read.EntryDefaults.Web.SpiderDepth, defaults.EntryDefaults.Web.SpiderDepth);
    EXPECT_TRUE(read.EntryDefaults.Search.IsSet);
    EXPECT_TRUE(read.EntryDefaults.Search.FullRetrieval);
    EXPECT_EQ(read.EntryDefaults.Search.SearchEngineList, "");
    EXPECT_FALSE(read.EntryDefaults.Yahoo.FullRetrieval);
    EXPECT_EQ(read.Dialer.Selection, defaults.Dialer.Selection);
    EXPECT_EQ(read.Startup.OpenBriefs, defaults.Startup.OpenBriefs);
}

TEST_F(ClientSettingsTest, DiskBufferOfTheLargestSizeIsHeldInBytesWithoutOverflow)
{
    {
        SettingsStore store(ConfPath());
        store.SetValue("Disk Buffer/MegaBytes", "999999");
    }
    EXPECT_EQ(ReadBack().DiskBuffer.MinFreeBytes, 999999LL * 1048576LL);
}

TEST(SharedClientSettingsTest, EngineSettingsComeFromTheProcessWideSettings)
{
    ClientSettings settings = Changed();
    SharedClientSettings::Instance().Replace(settings);
    SharedClientSettings::Instance().Update([](ClientSettings& s) { s.Briefs.Retries = 8; });
    RetrievalSettings retrieval;
    retrieval.DirectoryHost = "dir.example";
    FillRetrievalSettings(SharedClientSettings::Instance().Copy(), retrieval);
    EXPECT_EQ(retrieval.ProxyHost, "cache.example.net");
    EXPECT_EQ(retrieval.ProxyPort, 3128);
    EXPECT_EQ(retrieval.ProxyPassword, std::string("pass\0word", 9));
    EXPECT_EQ(retrieval.DefaultUserName, "ann");
    EXPECT_EQ(retrieval.DefaultUserAgent, "Mozilla/4.05");
    EXPECT_EQ(retrieval.Retries, 8);
    EXPECT_TRUE(retrieval.LongTimeouts);
    EXPECT_EQ(retrieval.NoProxyFor.size(), 3u);
    EXPECT_EQ(retrieval.DirectoryHost, "dir.example");
}

} // namespace
} // namespace rv
