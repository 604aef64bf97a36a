// RVClient's preferences and RVServer read and write the same settings file: what one program stores, the
// other reads the same way.
#include "client/shell/client-settings.h"
#include "platform/settings-store.h"
#include "server/server-settings.h"
#include "tests/support/sandbox.h"

namespace rv
{
namespace
{

class SharedSettingsTest : public test::SandboxedTest
{
protected:
    QString ConfPath() const { return QString::fromStdString(PathOf("Ravelin.conf").string()); }

    ServerSettings ReadByClient() const
    {
        ClientSettings settings;
        ReadStartupSettings(SettingsStore(ConfPath()), settings);
        return settings.Servers;
    }
};

TEST_F(SharedSettingsTest, WhatTheClientStoresTheServerReadsAndBack)
{
    ServerSettings written{65535, false, true, false, true};
    {
        SettingsStore store(ConfPath());
        ASSERT_TRUE(WriteServerSettings(store, written));
    }
    ServerSettingsReader server(ConfPath());
    ServerSettings read = server.Read();
    EXPECT_EQ(read.port, 65535);
    EXPECT_FALSE(read.displayHeader);
    EXPECT_TRUE(read.displayWarning);
    EXPECT_TRUE(read.shutdownWarning);

    read.displayHeader = true;
    read.shutdownWarning = false;
    ASSERT_TRUE(server.SaveSwitches(read));
    written.displayHeader = true;
    written.shutdownWarning = false;
    EXPECT_EQ(ReadByClient(), written);
}

TEST_F(SharedSettingsTest, BothProgramsRefuseAPortThatIsNoTcpPort)
{
    for (const char* text : {"0", "65536", "99999", "-1"})
    {
        {
            SettingsStore store(ConfPath());
            store.SetValue("Servers/Ravelin Server Port", text);
        }
        EXPECT_EQ(ReadByClient().port, 1888) << text;
        EXPECT_EQ(ServerSettingsReader(ConfPath()).Read().port, 1888) << text;
    }
}

TEST_F(SharedSettingsTest, AMissingSwitchIsOnInThePreferencesAndOffInTheServer)
{
    const ServerSettings client = ReadByClient();
    EXPECT_TRUE(client.displayHeader && client.displayWarning && client.closeServer && client.shutdownWarning);
    const ServerSettings server = ServerSettingsReader(ConfPath()).Read();
    EXPECT_FALSE(server.displayHeader || server.displayWarning || server.shutdownWarning);
}

} // namespace
} // namespace rv
