#include "client/briefs/archive-catalogue.h"
#include "client/briefs/brief-file.h"
#include "client/briefs/brief-store.h"
#include "tests/briefs/brief-bytes.h"
#include "tests/support/sandbox.h"

#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace rv
{
namespace
{

namespace fs = std::filesystem;
using test::BriefBytes;
using test::ReadFile;
using test::WriteFile;

class BriefStore : public test::SandboxedTest
{
protected:
    std::string BriefPath(const std::string& name = "News") const { return PathOf(name + ".brf").string(); }

    TBrief MakeBrief(int entries = 2) const
    {
        TBrief brief;
        ResetBrief(brief, BriefPath());
        for (int i = 0; i < entries; ++i)
        {
            brief.Entries.Create(EntryKind::Web, -1);
            brief.Entries[i].URL = "http://example.com/" + std::to_string(i);
            brief.Entries[i].EntryName = UnnamedEntryName(brief.Entries[i]);
        }
        return brief;
    }

    void AddArchive(TBrief& brief, const std::string& file, bool create) const
    {
        brief.ArchiveFiles.push_back(file);
        brief.ArchiveCaptions.push_back("caption of " + file);
        for (int i = 0; i < brief.Entries.Count(); ++i)
        {
            brief.Entries[i].SummaryFragments.push_back({"fragment " + file, file});
        }
        if (create)
        {
            WriteFile(PathOf(file), "archive");
        }
    }

    std::vector<std::string> FolderListing() const
    {
        std::vector<std::string> names;
        for (const auto& item : fs::directory_iterator(Dir()))
        {
            names.push_back(item.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // Runs `body` in a child process; returns its exit status, or -signal.
    static int InChild(const std::function<int()>& body)
    {
        const pid_t pid = fork();
        if (pid == 0)
        {
            _exit(body());
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    }
};

// A brief whose file is bigger than the small limits of the failure tests.
TBrief BigBrief(const std::string& path)
{
    TBrief brief;
    ResetBrief(brief, path);
    for (int i = 0; i < 50; ++i)
    {
        brief.Entries.Create(EntryKind::Web, -1);
        brief.Entries[i].URL = std::string(2000, 'x');
    }
    return brief;
}

TEST_F(BriefStore, SavedBriefLoadsBackWithItsArchives)
{
    TBrief brief = MakeBrief();
    brief.BriefName = "Morning";
    AddArchive(brief, "News.1.rvd", true);
    ASSERT_EQ(SaveBrief(brief, false), SaveStatus::Saved);
    EXPECT_EQ(ReadFile(CataloguePath(BriefPath())), WriteCatalogue(brief));

    TBrief loaded;
    const LoadResult result = LoadBrief(BriefPath(), loaded);
    ASSERT_EQ(result.Status, LoadStatus::Loaded);
    EXPECT_FALSE(MessageFor(result).has_value());
    EXPECT_EQ(loaded.BriefName, "Morning");
    EXPECT_EQ(loaded.Folder, Dir().string() + "/");
    EXPECT_EQ(loaded.ArchiveFiles, brief.ArchiveFiles);
    EXPECT_EQ(loaded.Entries[1].SummaryFragments, brief.Entries[1].SummaryFragments);
    EXPECT_EQ(WriteBriefFile(loaded), WriteBriefFile(brief));
}

TEST_F(BriefStore, BriefWithoutPathAsksForOne)
{
    TBrief brief;
    EXPECT_EQ(SaveBrief(brief, false), SaveStatus::NeedsPath);
}

TEST_F(BriefStore, CredentialsMakeTheFileReadableByItsOwnerOnly)
{
    TBrief brief = MakeBrief();
    ASSERT_EQ(SaveBrief(brief, false), SaveStatus::Saved);
    EXPECT_EQ(fs::status(BriefPath()).permissions() & (fs::perms::group_write | fs::perms::others_write), fs::perms::none);
    brief.Entries[0].Password = "secret";
    ASSERT_EQ(SaveBrief(brief, false), SaveStatus::Saved);
    EXPECT_EQ(fs::status(BriefPath()).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(BriefStore, MissingFileFailsSilentlyAndUnreadableOneLoudly)
{
    TBrief brief;
    EXPECT_EQ(LoadBrief(BriefPath("absent"), brief).Status, LoadStatus::NotLoaded);
    fs::create_directory(PathOf("folder.brf"));
    const LoadResult result = LoadBrief(PathOf("folder.brf").string(), brief);
    EXPECT_EQ(result.Status, LoadStatus::Failed);
    EXPECT_EQ(MessageFor(result), BriefLoadingError);
    WriteFile(BriefPath("text"), "just some text");
    EXPECT_EQ(LoadBrief(BriefPath("text"), brief).Status, LoadStatus::Failed);
}

TEST_F(BriefStore, PlainUserNamesAreRewrittenScrambledAfterLoading)
{
    BriefBytes b;
    b.Header().Text(0, "Old").Value(8, 1).Text(10, "http://a/").Text(15, "bob").Text(16, "pw");
    WriteFile(BriefPath(), b.Bytes());
    TBrief brief;
    ASSERT_EQ(LoadBrief(BriefPath(), brief).Status, LoadStatus::Loaded);
    const std::string rewritten = ReadFile(BriefPath());
    EXPECT_EQ(rewritten, WriteBriefFile(brief));
    EXPECT_NE(rewritten.find(BriefBytes().Scrambled(30, "bob").Bytes()), std::string::npos);
    EXPECT_EQ(rewritten.find("bob"), std::string::npos);
    EXPECT_EQ(fs::status(BriefPath()).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(BriefStore, InterruptedRunsCatalogueBecomesTheCatalogue)
{
    TBrief brief = MakeBrief();
    ASSERT_EQ(SaveBrief(brief, false), SaveStatus::Saved);
    AddArchive(brief, "News.1.rvd", true);
    AddArchive(brief, "News.2.rvd", true);
    const std::string during = WriteCatalogue(brief);
    WriteFile(CataloguePath(BriefPath(), true), during);

    TBrief loaded;
    ASSERT_EQ(LoadBrief(BriefPath(), loaded).Status, LoadStatus::Loaded);
    EXPECT_EQ(loaded.ArchiveFiles, brief.ArchiveFiles);
    EXPECT_FALSE(fs::exists(CataloguePath(BriefPath(), true)));
    EXPECT_EQ(ReadFile(CataloguePath(BriefPath())), during);
}

TEST_F(BriefStore, SavingAfterARunRetiresTheRunsCatalogue)
{
    TBrief brief = MakeBrief();
    ASSERT_TRUE(SaveCatalogue(brief, CataloguePath(BriefPath(), true), false));
    AddArchive(brief, "News.1.rvd", true);
    ASSERT_EQ(SaveBriefAfterRun(brief, false), SaveStatus::Saved);
    EXPECT_FALSE(fs::exists(CataloguePath(BriefPath(), true)));
    TBrief loaded;
    ASSERT_EQ(LoadBrief(BriefPath(), loaded).Status, LoadStatus::Loaded);
    EXPECT_EQ(loaded.ArchiveFiles, brief.ArchiveFiles);
}

TEST_F(BriefStore, VanishedArchivesAreDroppedWithTheirFragmentsOnLoad)
{
    TBrief brief = MakeBrief();
    AddArchive(brief, "News.1.rvd", false);
    AddArchive(brief, "News.2.rvd", true);
    AddArchive(brief, "News.3.rvd", false);
    ASSERT_EQ(SaveBrief(brief, false), SaveStatus::Saved);

    TBrief loaded;
    ASSERT_EQ(LoadBrief(BriefPath(), loaded).Status, LoadStatus::Loaded);
    EXPECT_EQ(loaded.ArchiveFiles, std::vector<std::string>{"News.2.rvd"});
    EXPECT_EQ(loaded.ArchiveCaptions, std::vector<std::string>{"caption of News.2.rvd"});
    for (int i = 0; i < loaded.Entries.Count(); ++i)
    {
        ASSERT_EQ(loaded.Entries[i].SummaryFragments.size(), 1u);
        EXPECT_EQ(loaded.Entries[i].SummaryFragments[0].ArchiveFile, "News.2.rvd");
    }
    EXPECT_EQ(ReadFile(CataloguePath(BriefPath())), WriteCatalogue(loaded));

    fs::remove(PathOf("News.2.rvd"));
    ASSERT_EQ(LoadBrief(BriefPath(), loaded).Status, LoadStatus::Loaded);
    EXPECT_TRUE(loaded.ArchiveFiles.empty());
    EXPECT_EQ(ReadFile(CataloguePath(BriefPath())), std::string("\0\0", 2));
}

TEST_F(BriefStore, DamagedCatalogueLoadsTheBriefWithoutArchives)
{
    TBrief brief = MakeBrief();
    AddArchive(brief, "News.1.rvd", true);
    ASSERT_EQ(SaveBrief(brief, false), SaveStatus::Saved);
    const std::string catalogue = WriteCatalogue(brief);
    for (std::size_t length = 0; length < catalogue.size(); ++length)
    {
        WriteFile(CataloguePath(BriefPath()), catalogue.substr(0, length));
        TBrief loaded;
        ASSERT_EQ(LoadBrief(BriefPath(), loaded).Status, LoadStatus::Loaded) << "length " << length;
        EXPECT_TRUE(loaded.ArchiveFiles.empty()) << "length " << length;
    }
    fs::remove(CataloguePath(BriefPath()));
    TBrief loaded;
    EXPECT_EQ(LoadBrief(BriefPath(), loaded).Status, LoadStatus::Loaded);
}

TEST_F(BriefStore, SavingWithPurgeDropsVanishedArchives)
{
    TBrief brief = MakeBrief();
    AddArchive(brief, "News.1.rvd", true);
    AddArchive(brief, "News.2.rvd", false);
    ASSERT_EQ(SaveBrief(brief, true), SaveStatus::Saved);
    EXPECT_EQ(brief.ArchiveFiles, std::vector<std::string>{"News.1.rvd"});
    EXPECT_EQ(brief.Entries[0].SummaryFragments.size(), 1u);
}

// ---- failures while saving leave the previous file whole -------------------------

TEST_F(BriefStore, FolderThatIsAFileGivesTheSavingError)
{
    WriteFile(PathOf("plain"), "x");
    TBrief brief;
    ResetBrief(brief, PathOf("plain").string() + "/News.brf");
    EXPECT_EQ(SaveBrief(brief, false), SaveStatus::Failed);
}

TEST_F(BriefStore, FileSizeLimitLeavesTheOldFileWhole)
{
    TBrief brief = MakeBrief();
    ASSERT_EQ(SaveBrief(brief, false), SaveStatus::Saved);
    const std::string before = ReadFile(BriefPath());
    const std::string path = BriefPath();
    const int status = InChild(
        [&]
        {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{4096, 4096};
            setrlimit(RLIMIT_FSIZE, &limit);
            TBrief big = BigBrief(path);
            return SaveBrief(big, false) == SaveStatus::Failed ? 0 : 1;
        });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(BriefPath()), before);
    EXPECT_EQ(FolderListing(), (std::vector<std::string>{"News.brf", "News.cat"})) << "no temporary file is left";
}

TEST_F(BriefStore, KillInTheMiddleOfWritingLeavesTheOldFileWhole)
{
    TBrief brief = MakeBrief();
    ASSERT_EQ(SaveBrief(brief, false), SaveStatus::Saved);
    const std::string before = ReadFile(BriefPath());
    const std::string path = BriefPath();
    // Going past the size limit with SIGXFSZ at its default kills the writer
    // in the middle of its write.
    const int status = InChild(
        [&]
        {
            const rlimit limit{4096, 4096};
            setrlimit(RLIMIT_FSIZE, &limit);
            TBrief big = BigBrief(path);
            static_cast<void>(SaveBrief(big, false)); // killed in the middle of it
            return 0;
        });
    EXPECT_EQ(status, -SIGXFSZ);
    EXPECT_EQ(ReadFile(BriefPath()), before);
    TBrief loaded;
    EXPECT_EQ(LoadBrief(BriefPath(), loaded).Status, LoadStatus::Loaded);
}

// Runs `body` with a small tmpfs mounted on `folder` in a private mount
// namespace, so that nothing outlives the child. Exit 77 when mounting is
// not allowed here.
int WithSmallTmpfs(const std::string& folder, const std::function<int()>& body)
{
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0)
    {
        return 77;
    }
    return body();
}

TEST_F(BriefStore, FullDiskAndReadOnlyFolderLeaveTheOldFileWhole)
{
    const std::string folder = PathOf("disk").string();
    fs::create_directory(folder);
    const int status = InChild(
        [&]
        {
            return WithSmallTmpfs(folder,
                                  [&]
                                  {
                                      TBrief small;
                                      ResetBrief(small, folder + "/News.brf");
                                      small.Entries.Create(EntryKind::Web, -1);
                                      if (SaveBrief(small, false) != SaveStatus::Saved)
                                      {
                                          return 10;
                                      }
                                      const std::string before = ReadFile(small.FilePath);
                                      TBrief big = BigBrief(small.FilePath);
                                      if (SaveBrief(big, false) != SaveStatus::Failed || ReadFile(small.FilePath) != before)
                                      {
                                          return 11;
                                      }
                                      if (std::distance(fs::directory_iterator(folder), fs::directory_iterator()) != 2)
                                      {
                                          return 12;
                                      }
                                      if (mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
                                      {
                                          return 77;
                                      }
                                      small.BriefName = "changed";
                                      if (SaveBrief(small, false) != SaveStatus::Failed || ReadFile(small.FilePath) != before)
                                      {
                                          return 13;
                                      }
                                      return 0;
                                  });
        });
    if (status == 77)
    {
        GTEST_SKIP() << "mounting a tmpfs is not allowed here";
    }
    EXPECT_EQ(status, 0);
}

} // namespace
} // namespace rv
