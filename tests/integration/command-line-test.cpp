// RVClient --generate as scripts and terminals meet it: the live line, the
// summary against the archive's own index, and the exit statuses.
#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "store/archive-format.h"
#include "store/archive-reader.h"
#include "tests/support/nginx-server.h"
#include "tests/support/sandbox.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <poll.h>
#include <pty.h>
#include <pwd.h>
#include <regex>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace rv
{
namespace
{

struct Outcome
{
    int Status = -1;
    std::string Output; // standard output and error together
};

enum class Through
{
    Pipe,
    Terminal
};

// Runs the program to its end with its output read through a pipe or a
// pseudo-terminal. With asUser, a root test drops to that user first, so
// that file permissions hold for the program.
Outcome RunProgram(const std::vector<std::string>& arguments, Through through, const passwd* asUser = nullptr)
{
    int reader = -1;
    pid_t pid = -1;
    if (through == Through::Terminal)
    {
        winsize size{.ws_row = 24, .ws_col = 100, .ws_xpixel = 0, .ws_ypixel = 0};
        pid = forkpty(&reader, nullptr, nullptr, &size);
    }
    else
    {
        int ends[2];
        if (pipe(ends) != 0)
            return {};
        pid = fork();
        if (pid == 0)
        {
            dup2(ends[1], 1);
            dup2(ends[1], 2);
            close(ends[0]);
        }
        close(ends[1]);
        reader = ends[0];
    }
    if (pid == 0)
    {
        if (asUser && (setgid(asUser->pw_gid) != 0 || setuid(asUser->pw_uid) != 0))
            _exit(126);
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    Outcome outcome;
    char buffer[4096];
    for (;;)
    {
        pollfd ready{reader, POLLIN, 0};
        if (poll(&ready, 1, 60000) <= 0)
            break;
        const ssize_t got = read(reader, buffer, sizeof buffer);
        if (got <= 0)
            break; // EOF, or EIO once the terminal's last writer is gone
        outcome.Output.append(buffer, static_cast<std::size_t>(got));
    }
    close(reader);
    int status = 0;
    waitpid(pid, &status, 0);
    outcome.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

int Figure(const std::string& output, const std::string& label)
{
    std::smatch found;
    if (!std::regex_search(output, found, std::regex(label + "[: ]+([0-9]+)")))
        return -1;
    return std::stoi(found[1]);
}

class CommandLineTest : public test::SandboxedTest
{
protected:
    void SetUp() override
    {
        SandboxedTest::SetUp();
        setenv("XDG_CONFIG_HOME", PathOf("config").c_str(), 1);
        std::filesystem::create_directories(PathOf("run"));
        std::filesystem::permissions(PathOf("run"), std::filesystem::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", PathOf("run").c_str(), 1);
        nginx = std::make_unique<test::NginxServer>(PathOf("nginx"), "  location /slow/ { limit_rate 40k; }\n");
        ASSERT_TRUE(nginx->Running());
        const std::filesystem::path root = nginx->Root();
        std::filesystem::create_directories(root / "dir");
        std::filesystem::create_directories(root / "other");
        std::filesystem::create_directories(root / "slow");
        test::WriteFile(root / "dir" / "start.html", "<html><body><a href=\"a.html\">a</a> <a href=\"b.html\">b</a> "
                                                     "<a href=\"private.html\">p</a> <a href=\"../other/c.html\">c</a> "
                                                     "<img src=\"pic.gif\"></body></html>\n");
        test::WriteFile(root / "dir" / "a.html", "<html><body><a href=\"deep1.html\">1</a> <a href=\"deep2.html\">2</a>"
                                                 "</body></html>\n");
        test::WriteFile(root / "dir" / "b.html", "<html><body><a href=\"a.html\">a</a></body></html>\n");
        test::WriteFile(root / "dir" / "private.html", "<html><body>Kept out</body></html>\n");
        test::WriteFile(root / "slow" / "big.html", "<html><body>" + std::string(120000, 'x') + "</body></html>\n");
    }

    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(nginx->Port()) + "/" + path; }

    std::string MakeBrief(const std::filesystem::path& path, const std::vector<std::string>& urls)
    {
        TBrief brief;
        SetBriefPath(brief, path.string());
        brief.BriefName = path.stem().string();
        for (const std::string& url : urls)
        {
            TWebPage entry = MakeEntry(EntryKind::Web);
            entry.URL = url;
            entry.SpiderDepth = 2;
            entry.StayInSubdir = true;
            entry.ExclusionLists = true;
            entry.ExList = {"*private*\x01G"};
            brief.Entries.Insert(entry, brief.Entries.Count());
        }
        EXPECT_EQ(SaveBrief(brief, false), SaveStatus::Saved);
        return brief.FilePath;
    }

    std::string Client() const { return (test::BinDir() / "RVClient").string(); }

    std::unique_ptr<test::NginxServer> nginx;
};

TEST_F(CommandLineTest, LiveLineIsDrawnOnATerminalButNotThroughAPipe)
{
    const std::string brief = MakeBrief(PathOf("Live.brf"), {Url("slow/big.html")});
    for (Through through : {Through::Terminal, Through::Pipe})
    {
        const Outcome run = RunProgram({Client(), "--generate", brief}, through);
        SCOPED_TRACE(run.Output);
        EXPECT_EQ(run.Status, 0);
        EXPECT_NE(run.Output.find("  Loading..."), std::string::npos);
        EXPECT_NE(run.Output.find("Summary of Live: Available"), std::string::npos);
        const bool live = run.Output.find("pages/s") != std::string::npos && run.Output.find("\033[") != std::string::npos;
        EXPECT_EQ(live, through == Through::Terminal);
        if (live)
        {
            EXPECT_NE(run.Output.find("slow/big.html"), std::string::npos);
        }
    }
}

TEST_F(CommandLineTest, SummaryCountsWhatTheArchiveIndexHolds)
{
    const std::string path = MakeBrief(PathOf("Counted.brf"), {Url("dir/start.html")});
    const Outcome run = RunProgram({Client(), "--generate", "--verbose", path}, Through::Pipe);
    ASSERT_EQ(run.Status, 0) << run.Output;
    TBrief ran;
    ASSERT_EQ(LoadBrief(path, ran).Status, LoadStatus::Loaded);
    ASSERT_EQ(ran.ArchiveFiles.size(), 1u);
    const std::string archive = (std::filesystem::path(ran.Folder) / ran.ArchiveFiles[0]).string();

    // The index read on its own: pages by their distinct offsets (aliases
    // share one), other records by what their offset says.
    std::set<std::int32_t> stored;
    std::map<std::int32_t, int> notStored;
    ArchiveReader::OpenFile(archive).ReadIndex(
        [&](IndexRecord&& record)
        {
            if (record.Key.find('/') == std::string::npos || record.Key.find("KSDiffOrig") != std::string::npos)
                return; // pages the run made itself
            if (record.Offset > 0)
                stored.insert(record.Offset);
            else
                ++notStored[record.Offset];
        });
    // A page that could not be fetched is stored as a page that says why.
    EXPECT_EQ(Figure(run.Output, "Pages stored") + Figure(run.Output, "inaccessible"), int(stored.size())) << run.Output;
    EXPECT_EQ(Figure(run.Output, "Pages stored"), 3) << run.Output; // start, a and b
    EXPECT_EQ(Figure(run.Output, "inaccessible"), 1) << run.Output; // pic.gif
    EXPECT_EQ(Figure(run.Output, "too deep"), notStored[OffsetTooDeep]) << run.Output;
    EXPECT_EQ(Figure(run.Output, "other site"), notStored[OffsetOutOfTree]) << run.Output;
    EXPECT_EQ(Figure(run.Output, "excluded"), notStored[OffsetExcluded]) << run.Output;
    EXPECT_EQ(Figure(run.Output, "skipped") + Figure(run.Output, "over a limit"), notStored[OffsetSkipped]) << run.Output;
    EXPECT_GT(notStored[OffsetTooDeep], 0);
    EXPECT_EQ(Figure(run.Output, "Entries run"), 1);
    EXPECT_NE(run.Output.find("Archive:        " + archive + "\n"), std::string::npos) << run.Output;
    EXPECT_NE(run.Output.find("Summary page:   http://127.0.0.1:"), std::string::npos) << run.Output;
    EXPECT_NE(
        run.Output.find("Counted: not retrieved (excluded) 127.0.0.1:" + std::to_string(nginx->Port()) + "/dir/private.html\n"),
        std::string::npos)
        << run.Output;
}

TEST_F(CommandLineTest, UnreachableEntryPageIsNamedAndFailsOnlyAStrictRun)
{
    const std::string refused = "http://127.0.0.1:" + std::to_string(test::FreeLoopbackPort()) + "/gone.html";
    const std::string path = MakeBrief(PathOf("Refused.brf"), {refused, Url("dir/b.html")});
    for (const auto& [strict, status] : {std::pair{false, 0}, std::pair{true, 3}})
    {
        std::vector<std::string> arguments = {Client(), "--generate", "--quiet", path};
        if (strict)
            arguments.insert(arguments.begin() + 1, "--strict");
        const Outcome run = RunProgram(arguments, Through::Pipe);
        SCOPED_TRACE(run.Output);
        EXPECT_EQ(run.Status, status);
        EXPECT_NE(run.Output.find("  The page of entry 1 (" + refused + ") could not be retrieved: " + refused + "\n"),
                  std::string::npos);
        EXPECT_EQ(Figure(run.Output, "inaccessible"), 1);
        EXPECT_EQ(run.Output.find("Loading..."), std::string::npos); // --quiet: no status-log lines
    }
}

TEST_F(CommandLineTest, BriefInAReadOnlyFolderFails)
{
    // Root writes through any permission: the program runs as "nobody" then.
    const passwd* nobody = geteuid() == 0 ? getpwnam("nobody") : nullptr;
    if (geteuid() == 0 && !nobody)
        GTEST_SKIP() << "running as root without a user nobody";
    const std::filesystem::path folder = PathOf("readonly");
    std::filesystem::create_directories(folder);
    const std::string path = MakeBrief(folder / "Locked.brf", {Url("dir/b.html")});
    std::filesystem::permissions(Dir(), std::filesystem::perms::owner_all | std::filesystem::perms::group_exec |
                                            std::filesystem::perms::others_exec);
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read | std::filesystem::perms::others_read);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                             std::filesystem::perms::group_read | std::filesystem::perms::group_exec |
                                             std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
    if (nobody)
    {
        for (const char* own : {"nobody-config", "nobody-run", "nobody-cache"})
        {
            std::filesystem::create_directories(PathOf(own));
            ASSERT_EQ(chown(PathOf(own).c_str(), nobody->pw_uid, nobody->pw_gid), 0);
            std::filesystem::permissions(PathOf(own), std::filesystem::perms::owner_all);
        }
        setenv("XDG_CONFIG_HOME", PathOf("nobody-config").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", PathOf("nobody-run").c_str(), 1);
        setenv("XDG_CACHE_HOME", PathOf("nobody-cache").c_str(), 1);
    }
    const Outcome run = RunProgram({Client(), "--generate", path}, Through::Pipe, nobody);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    EXPECT_EQ(run.Status, 1) << run.Output;
    EXPECT_NE(run.Output.find("RVClient: the brief Locked did not run: its archive could not be written in " + folder.string()),
              std::string::npos)
        << run.Output;
}

TEST_F(CommandLineTest, BadArgumentsAndUnreadableBriefFilesExitTwoWithTheReason)
{
    test::WriteFile(PathOf("Damaged.brf"), std::string("\x01\x00garbage", 9));
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--generate", PathOf("Missing.brf").string()}, ": missing\n"},
        {{"--generate", PathOf("Damaged.brf").string()},
         ": damaged: Brief Organizer File Loading Error: This file is either corrupt or is not a Brief Organizer file. "
         "Ravelin Pro cannot load it.\n"},
        {{"--generate"}, "RVClient: no brief file given.\n"},
        {{"--generate", "--loud", "x.brf"}, "RVClient: unknown option --loud.\n"},
    };
    for (const auto& [arguments, message] : cases)
    {
        std::vector<std::string> line = {Client()};
        line.insert(line.end(), arguments.begin(), arguments.end());
        const Outcome run = RunProgram(line, Through::Pipe);
        EXPECT_EQ(run.Status, 2) << run.Output;
        EXPECT_NE(run.Output.find(message), std::string::npos) << run.Output;
    }
}

TEST_F(CommandLineTest, HelpListsEveryModeAndExitsZero)
{
    const Outcome run = RunProgram({Client(), "--help"}, Through::Pipe);
    EXPECT_EQ(run.Status, 0);
    for (const char* word : {"--generate", "--schedule", "--package OUT.rvd BRIEF.brf", "--package OUT.rvd ARCHIVE.rvd ENTRY",
                             "--quiet", "--verbose", "--strict", "--version", "RVServer [--no-window]", "  3  "})
        EXPECT_NE(run.Output.find(word), std::string::npos) << word;
}

} // namespace
} // namespace rv
