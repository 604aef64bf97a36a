#include "store/temp-files.h"
#include "tests/support/sandbox.h"

#include <cstdlib>
#include <set>

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

} // namespace
} // namespace rv
