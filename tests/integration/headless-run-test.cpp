// RVClient --generate as a user runs it: a real process against nginx,
// killed in the middle of a run, and the archive it left read back through
// a real RVServer.
#include "client/briefs/archive-catalogue.h"
#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "store/archive-name.h"
#include "tests/support/nginx-server.h"
#include "tests/support/sandbox.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace rv
{
namespace
{

using namespace std::chrono_literals;

// A child process with its output in a file.
class Child
{
public:
    Child(const std::vector<std::string>& arguments, const std::filesystem::path& output)
    {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child()
    {
        if (pid_ > 0)
        {
            kill(pid_, SIGKILL);
            Wait();
        }
    }
    pid_t Pid() const { return pid_; }
    // The exit status, or -1 when it did not end normally.
    int Wait()
    {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // CPU seconds used so far (user and system), from /proc.
    double CpuSeconds() const
    {
        std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string field;
        long ticks = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i)
            if (i == 14 || i == 15)
                ticks += std::stol(field);
        return double(ticks) / double(sysconf(_SC_CLK_TCK));
    }

private:
    pid_t pid_ = -1;
};

class HeadlessRunTest : public test::SandboxedTest
{
protected:
    void SetUp() override
    {
        SandboxedTest::SetUp();
        // The programs keep their settings and control socket in the sandbox.
        setenv("XDG_CONFIG_HOME", PathOf("config").c_str(), 1);
        std::filesystem::create_directories(PathOf("run"));
        std::filesystem::permissions(PathOf("run"), std::filesystem::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", PathOf("run").c_str(), 1);
        nginx = std::make_unique<test::NginxServer>(PathOf("nginx"), "  location /slow/ { limit_rate 20k; }\n"
                                                                     "  location = /stall { return 444; }\n");
        ASSERT_TRUE(nginx->Running());
        std::filesystem::create_directories(nginx->Root() / "slow");
        for (int i = 0; i < 4; ++i)
        {
            test::WriteFile(nginx->Root() / ("page" + std::to_string(i) + ".html"),
                            "<html><head><title>Page " + std::to_string(i) + "</title></head><body>Text " + std::to_string(i) +
                                "</body></html>\n");
            test::WriteFile(nginx->Root() / "slow" / ("big" + std::to_string(i) + ".html"),
                            "<html><body>" + std::string(200000, 'x') + "</body></html>\n");
        }
    }

    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(nginx->Port()) + "/" + path; }

    std::string MakeBrief(const std::string& name, const std::vector<std::string>& paths)
    {
        TBrief brief;
        SetBriefPath(brief, PathOf(name + ".brf").string());
        brief.BriefName = name;
        for (const std::string& path : paths)
        {
            TWebPage entry = MakeEntry(EntryKind::Web);
            entry.EntryName = path;
            entry.URL = Url(path);
            brief.Entries.Insert(entry, brief.Entries.Count());
        }
        EXPECT_EQ(SaveBrief(brief, false), SaveStatus::Saved);
        return brief.FilePath;
    }

    std::string Client() const { return (test::BinDir() / "RVClient").string(); }

    std::unique_ptr<test::NginxServer> nginx;
};

TEST_F(HeadlessRunTest, GeneratePrintsEachStatusLineAndSucceedsWhenEveryBriefIsAvailable)
{
    std::string news = MakeBrief("News", {"page0.html", "page1.html"});
    std::string sport = MakeBrief("Sport", {"page2.html"});
    Child client({Client(), "--generate", news, sport}, PathOf("out.txt"));
    EXPECT_EQ(client.Wait(), 0);
    std::string out = test::ReadFile(PathOf("out.txt"));
    EXPECT_NE(out.find("News  "), std::string::npos) << out;
    EXPECT_NE(out.find("  Loading...\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Sport  "), std::string::npos) << out;
    EXPECT_NE(out.find("  Available " + PathOf("").string()), std::string::npos) << out;

    TBrief loaded;
    ASSERT_EQ(LoadBrief(news, loaded).Status, LoadStatus::Loaded);
    EXPECT_EQ(loaded.ArchiveFiles.size(), 1u);
}

TEST_F(HeadlessRunTest, GenerateFailsWhenTheBriefCannotBeSavedAfterItsRun)
{
    const std::string path = MakeBrief("Unsaved", {"page0.html", "slow/medium.html"});
    test::WriteFile(nginx->Root() / "slow" / "medium.html", "<html><body>" + std::string(40000, 'y') + "</body></html>\n");
    Child client({Client(), "--generate", path}, PathOf("out.txt"));
    const std::string duringRun = CataloguePath(path, true);
    for (int i = 0; i < 100 && !std::filesystem::exists(duringRun); ++i)
        std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(std::filesystem::exists(duringRun)) << test::ReadFile(PathOf("out.txt"));
    // A folder that holds a file cannot be replaced by a file, not even by
    // root: the save at the end of the run fails.
    std::filesystem::remove(path);
    std::filesystem::create_directories(path + "/held");

    EXPECT_EQ(client.Wait(), 1);
    const std::string out = test::ReadFile(PathOf("out.txt"));
    EXPECT_NE(out.find("Unsaved  "), std::string::npos) << out;
    EXPECT_NE(out.find("  Disk Error\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("Available"), std::string::npos) << out;
    EXPECT_NE(out.find("Brief Organizer File Saving Error: Failed to save Brief Organizer File.\n"), std::string::npos) << out;
}

TEST_F(HeadlessRunTest, GenerateFailsOnABriefFileItCannotOpen)
{
    Child client({Client(), "--generate", PathOf("missing.brf").string()}, PathOf("out.txt"));
    EXPECT_EQ(client.Wait(), 2);
}

TEST_F(HeadlessRunTest, RunWaitingOnTheNetworkUsesNoCpu)
{
    std::string brief = MakeBrief("Waiting", {"slow/big0.html", "slow/big1.html"});
    Child client({Client(), "--generate", brief}, PathOf("out.txt"));
    std::this_thread::sleep_for(1s);
    double before = client.CpuSeconds();
    std::this_thread::sleep_for(3s);
    double after = client.CpuSeconds();
    // The transfers trickle in at 20 KB/s: receiving them costs next to
    // nothing, and a spinning loop would burn the whole three seconds.
    EXPECT_LT(after - before, 0.5);
}

TEST_F(HeadlessRunTest, KilledRunLeavesWholeBriefAndSideFilesThatTheServerCompletes)
{
    std::string path = MakeBrief("Killed", {"page0.html", "slow/big0.html", "slow/big1.html", "slow/big2.html"});
    {
        Child client({Client(), "--generate", path}, PathOf("out.txt"));
        const std::string duringRun = CataloguePath(path, true);
        for (int i = 0; i < 100 && !std::filesystem::exists(duringRun); ++i)
            std::this_thread::sleep_for(50ms);
        std::this_thread::sleep_for(1500ms);
        kill(client.Pid(), SIGKILL);
        client.Wait();
    }
    TBrief brief;
    ASSERT_EQ(LoadBrief(path, brief).Status, LoadStatus::Loaded);
    ASSERT_EQ(brief.ArchiveFiles.size(), 1u) << "the run's catalogue was not picked up";
    const std::filesystem::path archive = std::filesystem::path(brief.Folder) / brief.ArchiveFiles[0];
    EXPECT_TRUE(std::filesystem::exists(archive));
    for (const char* side : {".nd2", ".ndx", ".smp"})
        EXPECT_TRUE(std::filesystem::exists(SideFilePath(archive, side))) << side;

    // The server completes the archive from its side files and serves it.
    const std::uint16_t port = test::FreeLoopbackPort();
    std::filesystem::create_directories(PathOf("config") / "Marrowby Works");
    test::WriteFile(PathOf("config") / "Marrowby Works" / "Ravelin.conf",
                    "[Servers]\nRavelin%20Server%20Port=" + std::to_string(port) + "\n");
    Child server({(test::BinDir() / "RVServer").string(), "--no-window"}, PathOf("server.txt"));
    ASSERT_TRUE(test::WaitForPort(port, 5000));
    Child fetch({"/usr/bin/curl", "-s", "http://127.0.0.1:" + std::to_string(port) + archive.string() + "/"},
                PathOf("summary.html"));
    EXPECT_EQ(fetch.Wait(), 0);
    std::string summary = test::ReadFile(PathOf("summary.html"));
    EXPECT_NE(summary.find("Killed"), std::string::npos) << summary.substr(0, 400);
}

TEST_F(HeadlessRunTest, SecondClientRefusesWhileAFirstRunsAndLeavesItsRunWhole)
{
    const std::string first = MakeBrief("First", {"page0.html", "slow/big0.html"});
    const std::string second = MakeBrief("Second", {"page1.html"});
    Child running({Client(), "--generate", first}, PathOf("first.txt"));
    const std::string duringRun = CataloguePath(first, true);
    for (int i = 0; i < 100 && !std::filesystem::exists(duringRun); ++i)
        std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(std::filesystem::exists(duringRun)) << test::ReadFile(PathOf("first.txt"));

    Child refused({Client(), "--generate", second}, PathOf("second.txt"));
    EXPECT_EQ(refused.Wait(), 1);
    EXPECT_NE(test::ReadFile(PathOf("second.txt"))
                  .find("already running for this user (process " + std::to_string(running.Pid()) + ")"),
              std::string::npos)
        << test::ReadFile(PathOf("second.txt"));
    EXPECT_EQ(running.Wait(), 0) << test::ReadFile(PathOf("first.txt"));

    TBrief untouched;
    ASSERT_EQ(LoadBrief(second, untouched).Status, LoadStatus::Loaded);
    EXPECT_TRUE(untouched.ArchiveFiles.empty());
    // The lock goes with the process that held it.
    Child next({Client(), "--generate", second}, PathOf("next.txt"));
    EXPECT_EQ(next.Wait(), 0) << test::ReadFile(PathOf("next.txt"));
}

// A daily schedule entry for the current minute of the wall clock.
std::string EntryForThisMinute()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    if (local.tm_sec >= 50)
    {
        std::this_thread::sleep_for(std::chrono::seconds(61 - local.tm_sec));
        now = std::time(nullptr);
        localtime_r(&now, &local);
    }
    const int hour = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    char text[64];
    std::snprintf(text, sizeof text, "Daily\\%d:%02d%s\\\\", hour, local.tm_min, local.tm_hour < 12 ? "AM" : "PM");
    return text;
}

TEST_F(HeadlessRunTest, ScheduleRunsADueBriefAndSigtermLetsTheRunFinish)
{
    test::WriteFile(nginx->Root() / "slow" / "medium.html", "<html><body>" + std::string(60000, 'y') + "</body></html>\n");
    std::string path = MakeBrief("Scheduled", {"page0.html", "slow/medium.html"});
    TBrief brief;
    ASSERT_EQ(LoadBrief(path, brief).Status, LoadStatus::Loaded);
    brief.Schedule.push_back(EntryForThisMinute());
    brief.ScheduleState.push_back("-1");
    ASSERT_EQ(SaveBrief(brief, false), SaveStatus::Saved);

    Child client({Client(), "--schedule", path}, PathOf("out.txt"));
    const std::string duringRun = CataloguePath(path, true);
    for (int i = 0; i < 100 && !std::filesystem::exists(duringRun); ++i)
        std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(std::filesystem::exists(duringRun)) << test::ReadFile(PathOf("out.txt"));
    kill(client.Pid(), SIGTERM);
    EXPECT_EQ(client.Wait(), 0);

    TBrief after;
    ASSERT_EQ(LoadBrief(path, after).Status, LoadStatus::Loaded);
    EXPECT_EQ(after.ArchiveFiles.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(duringRun));
    EXPECT_NE(test::ReadFile(PathOf("out.txt")).find("Scheduled  "), std::string::npos);
    EXPECT_NE(test::ReadFile(PathOf("out.txt")).find("Available"), std::string::npos);
}

} // namespace
} // namespace rv
