// Completing an archive that a killed run left without its index.
#include "server-fixture.h"
#include "server/archive-completion.h"
#include "store/archive-reader.h"
#include "store/site-map-record.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

namespace rv::test
{
namespace
{

class ArchiveCompletionTest : public ServerTest
{
protected:
    void SetUp() override
    {
        ServerTest::SetUp();
        server->Dispatcher().SetCompleter(CompleteArchive);
    }

    // A run killed after storing two pages and noting its site map.
    std::filesystem::path KilledRun(const std::string& folder = "")
    {
        if (!folder.empty())
            std::filesystem::create_directories(PathOf(folder));
        const std::filesystem::path path = PathOf(folder + "Killed.rvd");
        {
            TKSDB store(FixedTime);
            EXPECT_TRUE(store.Open(path, "Killed"));
            StorePage(store, "index", "", "<html>summary</html>", 0, -1);
            StorePage(store, "www.x.com/", "<body>", "start page", 0x37, 2);
            store.AddTooDeep("www.x.com/deep", "Caption", 2, 0);
        } // destroyed open: no index, side files stay
        WriteFile(PathOf(folder + "Killed.smp"), EncodeSiteMapRecord("2", "", "", "", 0, "") +
                                                     EncodeSiteMapRecord("2", "Start", "www.x.com/", "", 0, "") +
                                                     EncodeSiteMapRecord("2.1", "Two", "file:///tmp/b.html", "#t", 1, "") +
                                                     EncodeSiteMapRecord("2.0", "One", "www.x.com/a", "", 1, "w1 w2"));
        return path;
    }
};

TEST_F(ArchiveCompletionTest, KilledRunIsCompletedOnFirstRequestAndServedAfter)
{
    const auto archive = KilledRun();
    EXPECT_TRUE(std::filesystem::exists(PathOf("Killed.ndx")));
    EXPECT_TRUE(GetPage(archive, "").ends_with("<html>summary</html>"));
    EXPECT_TRUE(GetPage(archive, "2/www.x.com/").ends_with("start page"));
    EXPECT_TRUE(GetPage(archive, "2/www.x.com/deep").starts_with("HTTP/1.0 302"));
    for (const char* side : {"Killed.ndx", "Killed.nd2", "Killed.smp"})
        EXPECT_FALSE(std::filesystem::exists(PathOf(side))) << side;

    const std::string toc = GetPage(archive, "TOC2");
    // What lies before the body tag (the head part) is not sent.
    EXPECT_TRUE(toc.ends_with("\"><body bgcolor=#FFFFFF text=\"0000FF\" link=\"FF0000\">"
                              "<title>Site Map</title><h1>Site Map</h1><ul>"
                              "<li><a href=\"www.x.com/\">Start</a></li>"
                              "<ul><li><a href=\"www.x.com/a\">One</a><b> Smart Search Match: (w1 w2)</b></li>"
                              "<li><a href=\"file&amp;colon;///tmp/b.html#t\">Two</a><b> Smart Search Match: </b></li></ul>"
                              "</body></html>"))
        << toc;
    EXPECT_TRUE(GetPage(archive, "Match2")
                    .ends_with("<h1>Smart Search Matches</h1><i>2 Matches found</i><br>\r\n<ul>"
                               "<li><a href=\"www.x.com/a\">One</a> (w1 w2)</li>"
                               "<li><a href=\"file&amp;colon;///tmp/b.html#t\">Two</a></li></ul></body></html>"));
    EXPECT_TRUE(GetPage(archive, "Match0").ends_with("<ul><i>No Matches Found</i></ul></body></html>"));

    // A second server finds an ordinary, complete archive.
    server->CloseFile(archive.string());
    EXPECT_TRUE(GetPage(archive, "TOC2").starts_with("HTTP/1.0 200"));
}

TEST_F(ArchiveCompletionTest, ArchiveWithoutSideFilesIsFileNotFound)
{
    const auto archive = KilledRun();
    std::filesystem::remove(PathOf("Killed.smp"));
    const auto before = std::filesystem::file_size(archive);
    EXPECT_TRUE(GetPage(archive, "").starts_with("HTTP/1.0 404"));
    EXPECT_EQ(std::filesystem::file_size(archive), before);
}

// Another user may own the folder a request names: completing must not
// follow a link placed there, nor touch a file the server's user does not
// own, so the files stay byte for byte and the archive stays unfinished.
TEST_F(ArchiveCompletionTest, LinkedOrForeignFilesAreNotCompleted)
{
    struct Case
    {
        const char* side;
        bool link; // else the file is given to another user
    };
    const Case cases[] = {{"ndx", true},  {"nd2", true},  {"smp", true},  {"rvd", true},
                          {"ndx", false}, {"nd2", false}, {"smp", false}, {"rvd", false}};
    int n = 0;
    for (const Case& c : cases)
    {
        const std::string folder = "case" + std::to_string(n++) + "/";
        SCOPED_TRACE(folder + c.side);
        const auto archive = KilledRun(folder);
        WriteFile(PathOf(folder + "Killed.nd2"), ""); // a run killed right after a flush
        const auto side = PathOf(folder + "Killed." + c.side);
        const auto victim = PathOf(folder + "victim");
        if (c.link)
        {
            std::filesystem::rename(side, victim);
            std::filesystem::create_symlink(victim, side);
        }
        else if (::chown(side.c_str(), 65534, 65534) != 0)
            GTEST_SKIP() << "cannot give a file to another user here (not root)";
        const auto watched = c.link ? victim : side;
        const std::string before = ReadFile(watched);
        const auto archiveBefore = std::filesystem::file_size(archive);
        EXPECT_FALSE(GetPage(archive, "").starts_with("HTTP/1.0 200"));
        EXPECT_EQ(ReadFile(watched), before);
        EXPECT_EQ(std::filesystem::file_size(archive), archiveBefore);
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(side)));
    }
}

// A completion cut short (here by a full disk) must leave the archive saying
// it has no index, as a writer's cut-short close does, rather than point the
// header at a partial index that a later load could take for a whole one.
TEST_F(ArchiveCompletionTest, CompletionCutShortLeavesTheArchiveWithoutIndex)
{
    const auto probe = KilledRun("probe/");
    ASSERT_TRUE(CompleteArchive(probe));
    const std::uint32_t dataEnd = ArchiveReader::OpenFile(probe).Header().IndexOffset;
    ASSERT_GT(dataEnd, 0u);

    const auto archive = KilledRun("cut/");
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old;
    limited.rlim_cur = dataEnd + 6; // the count fits, the blocks do not
    ::setrlimit(RLIMIT_FSIZE, &limited);
    const bool completed = CompleteArchive(archive);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(completed);
    EXPECT_EQ(ArchiveReader::OpenFile(archive).Header().IndexOffset, 0u);
    EXPECT_TRUE(std::filesystem::exists(PathOf("cut/Killed.ndx")));
}

} // namespace
} // namespace rv::test
