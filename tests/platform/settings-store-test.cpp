#include "platform/settings-store.h"
#include "tests/support/sandbox.h"

#include <QSettings>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>

namespace rv
{
namespace
{

namespace fs = std::filesystem;

class SettingsStoreTest : public test::SandboxedTest
{
protected:
    QString ConfPath() const { return QString::fromStdString(PathOf("Marrowby Works/Ravelin.conf").string()); }
    std::string ConfBytes() const { return test::ReadFile(PathOf("Marrowby Works/Ravelin.conf")); }
    unsigned ConfMode() const
    {
        struct stat info = {};
        EXPECT_EQ(::stat(PathOf("Marrowby Works/Ravelin.conf").c_str(), &info), 0);
        return info.st_mode & 0777;
    }
};

TEST_F(SettingsStoreTest, KeysAreWrittenAsAreaSectionsWithTheSubKeyPathBelow)
{
    {
        SettingsStore store(ConfPath());
        store.SetValue("Servers/Ravelin Server Port", "1888");
        store.SetValue("Servers\\Proxy\\Proxy Port", "8080");
        store.SetValue("Default/Web Properties/IsSet", "Yes");
        EXPECT_TRUE(store.Sync());
    }
    EXPECT_EQ(ConfBytes(), "[Default]\nWeb%20Properties\\IsSet=\"Yes\"\n\n"
                           "[Servers]\nProxy\\Proxy%20Port=\"8080\"\nRavelin%20Server%20Port=\"1888\"\n");

    // Any QSettings reader of the file sees the same keys, whichever separator it uses.
    QSettings plain(ConfPath(), QSettings::IniFormat);
    EXPECT_EQ(plain.value("Servers/Proxy/Proxy Port").toString(), "8080");
    SettingsStore again(ConfPath());
    EXPECT_EQ(again.Value("Servers\\Proxy/Proxy Port"), "8080");
    EXPECT_EQ(again.Value("Default\\Web Properties\\IsSet"), "Yes");
    EXPECT_EQ(again.Value("Servers/Display Header"), std::nullopt);
}

TEST_F(SettingsStoreTest, EveryByteValueReadsBackAsWritten)
{
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
    {
        all.push_back(static_cast<char>(byte));
    }
    const std::string utf8 = "/home/jos\xc3\xa9/Briefs/News.brf";
    const std::vector<std::string> values = {all,
                                             utf8,
                                             std::string("\x05"
                                                         "abc\0"
                                                         "9",
                                                         6),
                                             "@start",
                                             "a,b;c=d",
                                             "  padded  ",
                                             "\\0\\\\",
                                             ""};
    {
        SettingsStore store(ConfPath());
        for (std::size_t i = 0; i < values.size(); ++i)
        {
            store.SetValue("Startup/V" + std::to_string(i), values[i]);
        }
    }
    SettingsStore store(ConfPath());
    for (std::size_t i = 0; i < values.size(); ++i)
    {
        EXPECT_EQ(store.Value("Startup/V" + std::to_string(i)), values[i]) << "value " << i;
    }
    // Plain UTF-8 text stays readable in the file.
    EXPECT_NE(ConfBytes().find(utf8), std::string::npos);
}

TEST_F(SettingsStoreTest, EmptyValuesCountAsAbsentAndOneCharacterValuesCount)
{
    SettingsStore store(ConfPath());
    store.SetValue("Briefs/LongTimeouts", "1");
    store.SetValue("Briefs/UserAgent", "");
    EXPECT_EQ(store.Setting("Briefs/LongTimeouts"), "1");
    EXPECT_EQ(store.Setting("Briefs/UserAgent"), std::nullopt);
    EXPECT_EQ(store.Value("Briefs/UserAgent"), "");
    EXPECT_EQ(store.Setting("Briefs/Missing"), std::nullopt);
}

TEST_F(SettingsStoreTest, TwoHandlesSeeAndKeepEachOthersChanges)
{
    SettingsStore client(ConfPath());
    SettingsStore server(ConfPath());
    client.SetValue("Servers/Display Header", "No");
    server.SetValue("Servers/Shutdown Warning", "No");
    EXPECT_TRUE(client.Sync());
    EXPECT_TRUE(server.Sync());
    EXPECT_EQ(server.Value("Servers/Display Header"), "No");
    client.SetValue("Servers/Display Header", "Yes");
    EXPECT_TRUE(client.Sync());
    EXPECT_TRUE(server.Sync());
    EXPECT_EQ(server.Value("Servers/Display Header"), "Yes");
    EXPECT_EQ(client.Value("Servers/Shutdown Warning"), "No");
}

TEST_F(SettingsStoreTest, TheFileIsReadableByItsOwnerOnly)
{
    const mode_t old = ::umask(0);
    {
        SettingsStore store(ConfPath());
        store.SetValue("Briefs/Password", "secret");
    }
    ::umask(old);
    EXPECT_EQ(ConfMode(), 0600u);

    // A file left open to others by an older program is closed at the next write.
    ::chmod(PathOf("Marrowby Works/Ravelin.conf").c_str(), 0644);
    {
        SettingsStore store(ConfPath());
        EXPECT_TRUE(store.Sync());
    }
    EXPECT_EQ(ConfMode(), 0600u);
}

TEST_F(SettingsStoreTest, AFailedWriteLeavesTheOldFileWhole)
{
    {
        SettingsStore store(ConfPath());
        store.SetValue("Briefs/UserAgent", "Ravelin/2.6");
    }
    const std::string before = ConfBytes();

    // A file-size limit stands in for a full disk; it stops root as well.
    SettingsStore store(ConfPath());
    store.SetValue("Startup/Open Briefs", std::string(100000, 'x'));
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved = {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const bool written = store.Sync();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(ConfBytes(), before);
    for (const auto& entry : fs::directory_iterator(PathOf("Marrowby Works")))
    {
        EXPECT_EQ(entry.path().filename(), "Ravelin.conf") << "left behind";
    }
    // The value is still there in memory and reaches the file once writing works again.
    EXPECT_EQ(store.Value("Startup/Open Briefs")->size(), 100000u);
    EXPECT_TRUE(store.Sync());
    EXPECT_NE(ConfBytes().find(std::string(100000, 'x')), std::string::npos);
}

TEST_F(SettingsStoreTest, TheDefaultFileIsTheOneQSettingsUsesForTheOrganisationAndProgram)
{
    ::setenv("XDG_CONFIG_HOME", Dir().c_str(), 1);
    EXPECT_EQ(DefaultSettingsPath(), ConfPath());
    QSettings native("Marrowby Works", "Ravelin");
    EXPECT_EQ(native.fileName(), ConfPath());
    ::setenv("XDG_CONFIG_HOME", "relative/dir", 1);
    EXPECT_TRUE(DefaultSettingsPath().endsWith("/.config/Marrowby Works/Ravelin.conf"));
    EXPECT_FALSE(DefaultSettingsPath().startsWith("relative"));
    ::unsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace rv
