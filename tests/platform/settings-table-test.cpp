#include "platform/settings-store.h"
#include "platform/settings-table.h"
#include "tests/support/sandbox.h"

#include <optional>

namespace rv
{
namespace
{

class SettingsTableTest : public test::SandboxedTest
{
protected:
    QString ConfPath() const { return QString::fromStdString(PathOf("Ravelin.conf").string()); }

    // Stores text under the key (nothing: no value), then reads it into a value that starts as held.
    template <typename Setting, typename Value>
    Value ReadBack(const Setting& setting, std::optional<std::string> text, Value held) const
    {
        {
            SettingsStore store(ConfPath());
            if (text)
                store.SetValue(setting.key, *text);
            else
                store.Remove(setting.key);
        }
        ReadSetting(SettingsStore(ConfPath()), setting, held);
        return held;
    }
};

TEST_F(SettingsTableTest, PortsAreTcpPortsAndAnythingElseReadsAsTheDefault)
{
    struct Row
    {
        std::optional<std::string> text;
        int server; // ServerPortSetting, starting from 7
        int proxy;  // ProxyPortSetting, starting from 7
    };
    const Row rows[] = {
        {std::nullopt, 7, 7}, {"", 7, 7},          {"1", 1, 1},         {"65535", 65535, 65535},
        {"0", 1888, 80},      {"65536", 1888, 80}, {"99999", 1888, 80}, {"-80", 1888, 80},
        {"abc", 1888, 80},    {" 80", 1888, 80},   {"8080x", 1888, 80}, {"99999999999999999999", 1888, 80},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.text.value_or("(none)"));
        EXPECT_EQ(ReadBack(ServerPortSetting, row.text, 7), row.server);
        EXPECT_EQ(ReadBack(ProxyPortSetting, row.text, 7), row.proxy);
    }
}

TEST_F(SettingsTableTest, SwitchesReadYesOnlyAndAMissingOneLeavesTheValue)
{
    for (const BoolSetting& setting : {DisplayHeaderSetting, DisplayWarningSetting, CloseServerSetting, ShutdownWarningSetting})
    {
        SCOPED_TRACE(std::string(setting.key));
        EXPECT_TRUE(ReadBack(setting, "Yes", false));
        EXPECT_FALSE(ReadBack(setting, "No", true));
        EXPECT_FALSE(ReadBack(setting, "yes", true));
        EXPECT_TRUE(ReadBack(setting, std::nullopt, true));
        EXPECT_FALSE(ReadBack(setting, "", false));
        SettingsStore store(ConfPath());
        WriteSetting(store, setting, true);
        EXPECT_EQ(store.Value(setting.key), "Yes");
        WriteSetting(store, setting, false);
        EXPECT_EQ(store.Value(setting.key), "No");
    }
}

} // namespace
} // namespace rv
