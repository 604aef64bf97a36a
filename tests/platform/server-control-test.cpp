// The runtime folder that holds the server's control socket and lock.
#include "platform/server-control.h"
#include "tests/support/sandbox.h"

#include <QDir>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace rv
{
namespace
{

namespace fs = std::filesystem;

// Without $XDG_RUNTIME_DIR the folder lies under $TMPDIR, else under $HOME.
class RuntimeDirTest : public test::SandboxedTest
{
protected:
    void SetUp() override
    {
        SandboxedTest::SetUp();
        saved_ = {Saved("XDG_RUNTIME_DIR"), Saved("TMPDIR"), Saved("HOME")};
        ::unsetenv("XDG_RUNTIME_DIR");
        fs::create_directories(PathOf("tmp"));
        fs::create_directories(PathOf("home"));
        ::setenv("TMPDIR", PathOf("tmp").c_str(), 1);
        ::setenv("HOME", PathOf("home").c_str(), 1);
    }

    void TearDown() override
    {
        for (const auto& [name, value] : saved_)
        {
            if (value)
                ::setenv(name, value->c_str(), 1);
            else
                ::unsetenv(name);
        }
        SandboxedTest::TearDown();
    }

    std::string TmpFolder() const { return PathOf("tmp").string() + "/ravelin-" + std::to_string(::geteuid()); }

    // True when the folder is the user's own, not a link, and closed to others.
    static bool Private(const std::string& folder)
    {
        struct stat status = {};
        return ::lstat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() &&
               (status.st_mode & 0777) == 0700;
    }

private:
    static std::pair<const char*, std::optional<std::string>> Saved(const char* name)
    {
        const char* value = std::getenv(name);
        return {name, value ? std::optional<std::string>(value) : std::nullopt};
    }

    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST_F(RuntimeDirTest, FolderIsMadePrivate)
{
    EXPECT_EQ(UserRuntimeDir().toStdString(), TmpFolder());
    EXPECT_TRUE(Private(TmpFolder()));
    EXPECT_EQ(ServerControlSocketPath().toStdString(), TmpFolder() + "/RVServer");
}

// A folder in the shared temporary folder that is not safely the user's is
// never used; the user's home folder holds a private one instead.
TEST_F(RuntimeDirTest, FolderOthersCanReachIsRefused)
{
    enum class Make
    {
        OtherOwner,
        OpenToAll,
        Link,
    };
    for (const Make make : {Make::OtherOwner, Make::OpenToAll, Make::Link})
    {
        SCOPED_TRACE(static_cast<int>(make));
        fs::remove_all(TmpFolder());
        if (make == Make::Link)
        {
            fs::create_directories(PathOf("elsewhere"));
            ::chmod(PathOf("elsewhere").c_str(), 0700);
            fs::create_directory_symlink(PathOf("elsewhere"), TmpFolder());
        }
        else
        {
            ASSERT_EQ(::mkdir(TmpFolder().c_str(), 0700), 0);
            ASSERT_EQ(::chmod(TmpFolder().c_str(), make == Make::OpenToAll ? 0777 : 0700), 0);
            if (make == Make::OtherOwner && ::chown(TmpFolder().c_str(), 65534, 65534) != 0)
                GTEST_SKIP() << "cannot give a folder to another user here (not root)";
        }
        QString problem;
        const std::string used = UserRuntimeDir(&problem).toStdString();
        EXPECT_NE(used, TmpFolder());
        EXPECT_TRUE(used.starts_with(PathOf("home").string())) << used;
        EXPECT_TRUE(Private(used)) << used;
        EXPECT_FALSE(ServerLockPath().toStdString().starts_with(TmpFolder()));

        // With the home folder unusable as well there is no runtime folder.
        ::chmod(used.c_str(), 0755);
        EXPECT_EQ(UserRuntimeDir(&problem), QString());
        EXPECT_EQ(ServerControlSocketPath(), QString());
        EXPECT_FALSE(problem.isEmpty());
        fs::remove_all(used);
    }
}

} // namespace
} // namespace rv
