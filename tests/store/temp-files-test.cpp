#include "store/temp-files.h"
#include "tests/support/sandbox.h"

#include <cstdlib>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace rv
{
namespace
{

class TempFilesTest : public test::SandboxedTest
{
protected:
    void SetUp() override
    {
        SandboxedTest::SetUp();
        const char* old = std::getenv("XDG_CACHE_HOME");
        savedCache_ = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
        setenv("XDG_CACHE_HOME", PathOf("cache").c_str(), 1);
        program = PathOf("program");
        std::filesystem::create_directory(program);
    }
    void TearDown() override
    {
        if (savedCache_)
        {
            setenv("XDG_CACHE_HOME", savedCache_->c_str(), 1);
        }
        else
        {
            unsetenv("XDG_CACHE_HOME");
        }
        SandboxedTest::TearDown();
    }

    std::filesystem::path program;

private:
    std::optional<std::string> savedCache_;
};

TEST_F(TempFilesTest, NamesAreUniqueWithTheirPrefixInTheTempFolder)
{
    EXPECT_EQ(TempPrefixLinkCache.size(), 3u);
    EXPECT_EQ(TempPrefixQueue.size(), 3u);
    EXPECT_NE(TempPrefixLinkCache, TempPrefixQueue);
    EXPECT_NE(TempPrefixLinkCache, TempPrefixBinary);
    EXPECT_NE(TempPrefixQueue, TempPrefixBinary);

    std::set<std::filesystem::path> names;
    for (int n = 0; n < 20; ++n)
    {
        const auto path = CreateTempFile(program, TempPrefixBinary);
        EXPECT_EQ(path.parent_path(), program / "temp");
        const std::string name = path.filename().string();
        EXPECT_EQ(name.size(), 13u) << name;
        EXPECT_TRUE(name.starts_with("bin") && name.ends_with(".tmp")) << name;
        EXPECT_EQ(std::filesystem::file_size(path), 0u);
        const auto perms = std::filesystem::status(path).permissions();
        EXPECT_EQ(perms & (std::filesystem::perms::group_all | std::filesystem::perms::others_all),
                  std::filesystem::perms::none);
        names.insert(path);
    }
    EXPECT_EQ(names.size(), 20u);
}

TEST_F(TempFilesTest, FallsBackToTheProgramFolderThenTheUserCache)
{
    // A file named "temp" keeps the folder from being made.
    test::WriteFile(program / "temp", "in the way");
    EXPECT_EQ(TempFolder(program), program);
    EXPECT_EQ(CreateTempFile(program, TempPrefixQueue).parent_path(), program);

    // A program folder that is not a folder at all.
    const auto nowhere = PathOf("not-a-folder");
    test::WriteFile(nowhere, "");
    EXPECT_EQ(TempFolder(nowhere), PathOf("cache") / "ravelin");
    EXPECT_EQ(CreateTempFile(nowhere, TempPrefixLinkCache).parent_path(), PathOf("cache") / "ravelin");
}

TEST_F(TempFilesTest, StartUpCleanUpDeletesOnlyTmpFiles)
{
    const auto a = CreateTempFile(program, TempPrefixLinkCache);
    const auto b = CreateTempFile(program, TempPrefixQueue);
    test::WriteFile(program / "temp" / "other.tmpx", "");
    test::WriteFile(program / "temp" / "notes.txt", "");
    test::WriteFile(program / "left.tmp", "");
    test::WriteFile(program / "brief.brf", "");
    std::filesystem::create_directory(program / "temp" / "dir.tmp");
    std::filesystem::create_directories(PathOf("cache") / "ravelin");
    test::WriteFile(PathOf("cache") / "ravelin" / "lcs123456.tmp", "");

    EXPECT_EQ(DeleteLeftoverTempFiles(program), 4u);
    EXPECT_FALSE(std::filesystem::exists(a));
    EXPECT_FALSE(std::filesystem::exists(b));
    EXPECT_FALSE(std::filesystem::exists(program / "left.tmp"));
    EXPECT_TRUE(std::filesystem::exists(program / "temp" / "other.tmpx"));
    EXPECT_TRUE(std::filesystem::exists(program / "temp" / "notes.txt"));
    EXPECT_TRUE(std::filesystem::exists(program / "temp" / "dir.tmp"));
    EXPECT_TRUE(std::filesystem::exists(program / "brief.brf"));
    EXPECT_EQ(DeleteLeftoverTempFiles(PathOf("no-such-program")), 0u);
}

TEST_F(TempFilesTest, StartUpCleanUpLeavesTheFilesOfARunThatIsStillGoing)
{
    // Another process sharing the installation makes a file and keeps running.
    int made[2];
    int finish[2];
    ASSERT_EQ(::pipe(made), 0);
    ASSERT_EQ(::pipe(finish), 0);
    const pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0)
    {
        const std::string path = CreateTempFile(program, TempPrefixBinary).string();
        char done = 0;
        const bool told = ::write(made[1], path.data(), path.size()) == static_cast<ssize_t>(path.size());
        _exit(told && ::read(finish[0], &done, 1) == 1 ? 0 : 1);
    }
    char buffer[4096];
    const ssize_t length = ::read(made[0], buffer, sizeof buffer);
    ASSERT_GT(length, 0);
    const std::filesystem::path theirs(std::string(buffer, static_cast<std::size_t>(length)));
    test::WriteFile(program / "temp" / "left.tmp", "");

    EXPECT_EQ(DeleteLeftoverTempFiles(program), 0u);
    EXPECT_TRUE(std::filesystem::exists(theirs));
    EXPECT_TRUE(std::filesystem::exists(program / "temp" / "left.tmp"));

    // Once it has ended, what it left is a leftover like any other.
    ASSERT_EQ(::write(finish[1], "x", 1), 1);
    int status = 0;
    ASSERT_EQ(::waitpid(other, &status, 0), other);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(DeleteLeftoverTempFiles(program), 2u);
    EXPECT_FALSE(std::filesystem::exists(theirs));
    for (int fd : {made[0], made[1], finish[0], finish[1]})
        ::close(fd);
}

} // namespace
} // namespace rv
