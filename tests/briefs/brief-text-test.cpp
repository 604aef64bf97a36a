#include "client/briefs/brief-file.h"
#include "client/briefs/brief-text.h"
#include "client/briefs/user-message.h"
#include "tests/support/sandbox.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace rv
{
namespace
{

// Every stored field of two briefs and of their entries.
void ExpectSameBrief(const TBrief& a, const TBrief& b)
{
#define RV_SAME(field) EXPECT_EQ(a.field, b.field) << #field
    RV_SAME(BriefName);
    RV_SAME(TimersLocked);
    RV_SAME(LockedTimersText);
    RV_SAME(LockedTimersFontSize);
    RV_SAME(BriefComments);
    RV_SAME(BriefFlag2);
    RV_SAME(BriefTag3Text);
    RV_SAME(BriefActive);
    RV_SAME(ArchiveFiles);
    RV_SAME(ArchiveCaptions);
    RV_SAME(Schedule);
    RV_SAME(ScheduleState);
    RV_SAME(NumMegs);
    RV_SAME(MaxMins);
    RV_SAME(MaxHours);
    RV_SAME(NumArchives);
    RV_SAME(Entries.Count());
#undef RV_SAME
    for (int i = 0; i < std::min(a.Entries.Count(), b.Entries.Count()); ++i)
    {
        const TWebPage& x = a.Entries[i];
        const TWebPage& y = b.Entries[i];
#define RV_SAME(field) EXPECT_EQ(x.field, y.field) << "entry " << i << " " #field
        RV_SAME(EntryLocked);
        RV_SAME(LockedText);
        RV_SAME(LockedFontSize);
        RV_SAME(LockCode);
        RV_SAME(Active);
        RV_SAME(EntryName);
        RV_SAME(FullRetrieval);
        RV_SAME(MarkDiffs);
        RV_SAME(SmartSearch);
        RV_SAME(CaseSensitive);
        RV_SAME(CheckHeader);
        RV_SAME(SearchHTML);
        RV_SAME(URL);
        RV_SAME(PageRefs);
        RV_SAME(ExternalDepth);
        RV_SAME(SpiderDepth);
        RV_SAME(Images);
        RV_SAME(PlugIns);
        RV_SAME(Applets);
        RV_SAME(ActiveX);
        RV_SAME(Other);
        RV_SAME(Frames);
        RV_SAME(UserName);
        RV_SAME(Password);
        RV_SAME(SearchFor);
        RV_SAME(LocalOnly);
        RV_SAME(NameSet);
        RV_SAME(EngineListLength);
        RV_SAME(EngineList);
        RV_SAME(SearchYahoo);
        RV_SAME(Kind);
        RV_SAME(YahooSearch);
        RV_SAME(CategoryList);
        RV_SAME(PreserveOnly);
        RV_SAME(StayInSubdir);
        RV_SAME(KeepUnfilteredPage);
        RV_SAME(ExclusionLists);
        RV_SAME(ExList);
        RV_SAME(InList);
        RV_SAME(SummaryFragments);
        RV_SAME(UserAgent);
        RV_SAME(BypassProxyCache);
#undef RV_SAME
    }
}

// Bytes that need escaping, UTF-8 and Latin-1 bytes, and blanks at both ends.
const std::string Awkward = std::string(" a\\b\t\r\n\x01\x7F caf\xC3\xA9 caf\xE9 | # x: \\x41 ") + '\0' + " ";

// A brief with every stored field away from its default, one entry per kind.
void FillBrief(TBrief& brief)
{
    ResetBrief(brief, "/briefs/Full.brf");
    brief.BriefName = "Full" + Awkward;
    brief.TimersLocked = true;
    brief.LockedTimersText = "Hands off" + Awkward;
    brief.LockedTimersFontSize = 30;
    brief.BriefComments = "Comments" + Awkward;
    brief.BriefFlag2 = 200;
    brief.BriefTag3Text = "t\xE9g\\";
    brief.BriefActive = false;
    brief.Schedule = {"Daily 07:30", "Once" + Awkward};
    brief.ScheduleState = {"-1", "7:30/8"};
    brief.NumMegs = 20;
    brief.MaxMins = 15;
    brief.MaxHours = 2;
    brief.NumArchives = 3;
    brief.ArchiveFiles = {"Full-1.rvd", "Full-2.rvd"};
    brief.ArchiveCaptions = {"first", Awkward};

    for (const EntryKind kind : {EntryKind::Web, EntryKind::Search, EntryKind::Yahoo})
    {
        TWebPage e = MakeEntry(kind);
        e.EntryLocked = true;
        e.LockedText = "Locked" + Awkward;
        e.LockedFontSize = 11;
        e.LockCode = "code" + Awkward;
        e.Active = false;
        e.EntryName = "Entry" + Awkward;
        e.FullRetrieval = false;
        e.MarkDiffs = true;
        e.SmartSearch = true;
        e.CaseSensitive = true;
        e.CheckHeader = true;
        e.SearchHTML = false;
        e.URL = kind == EntryKind::Web ? "http://example.com/a b" : "";
        e.PageRefs = {"ref1", Awkward};
        e.ExternalDepth = 5;
        e.SpiderDepth = 99;
        e.Images = false;
        e.PlugIns = true;
        e.Applets = true;
        e.ActiveX = true;
        e.Other = true;
        e.Frames = true;
        e.UserName = "ann" + Awkward;
        e.Password = "pw" + Awkward;
        e.SearchFor = "linux AND kernel";
        e.LocalOnly = false;
        e.NameSet = kind != EntryKind::Yahoo;
        e.EngineList = kind == EntryKind::Web ? std::string("\x05"
                                                            "bad")
                                              : std::string("\x04"
                                                            "Alta\x03"
                                                            "Hot\x00",
                                                            10);
        e.EngineListLength = static_cast<std::int32_t>(e.EngineList.size());
        e.SearchYahoo = true;
        e.YahooSearch = kind == EntryKind::Yahoo ? std::optional<std::string>(Awkward) : std::nullopt;
        e.CategoryList = "\x04"
                         "Arts\x07"
                         "Science";
        e.PreserveOnly = true;
        e.StayInSubdir = true;
        e.KeepUnfilteredPage = false;
        e.ExclusionLists = true;
        e.ExList = {"*.zip", Awkward};
        e.InList = {"http://example.com/*"};
        e.SummaryFragments = {{"<p>one</p>", "Full-1.rvd"}, {Awkward, "Full-2.rvd"}};
        e.UserAgent = "Mozilla/3.01";
        e.BypassProxyCache = true;
        brief.Entries.Insert(e, -1);
    }
    TWebPage unchosen = MakeEntry(EntryKind::Search);
    unchosen.EngineListLength = -1;
    brief.Entries.Insert(unchosen, -1);
}

void ExpectTextRoundTrip(const TBrief& brief)
{
    const std::string text = WriteBriefText(brief, true);
    TBrief again;
    ResetBrief(again, brief.FilePath);
    const BriefTextResult read = ReadBriefText(text, again);
    ASSERT_TRUE(read.Ok) << read.Line << ": " << read.Message << "\n" << text;
    ExpectSameBrief(brief, again);
    EXPECT_EQ(WriteBriefFile(again), WriteBriefFile(brief));
}

TEST(BriefText, BriefWithEveryFieldSetReadsBackEqual)
{
    TBrief brief;
    FillBrief(brief);
    ExpectTextRoundTrip(brief);
}

TEST(BriefText, ShippedBriefFilesReadBackEqual)
{
    int files = 0;
    for (const auto& file : std::filesystem::directory_iterator(test::SourceDir() / "fuzz/corpus/brief-file-fuzz"))
    {
        SCOPED_TRACE(file.path().string());
        TBrief brief;
        ResetBrief(brief, "/briefs/Shipped.brf");
        if (ReadBriefFile(test::ReadFile(file.path()), brief).Status == BriefReadStatus::Loaded)
        {
            ExpectTextRoundTrip(brief);
            ++files;
        }
    }
    EXPECT_GE(files, 3);
}

TEST(BriefText, CredentialsAreLeftOutUnlessAskedFor)
{
    TBrief brief;
    FillBrief(brief);
    const std::string text = WriteBriefText(brief, false);
    EXPECT_NE(text.find("# Credentials and lock texts are left out"), std::string::npos);
    for (const char* hidden : {"ann", "pw", "code", "Hands off", "Locked "})
    {
        EXPECT_EQ(text.find(hidden), std::string::npos) << hidden;
    }
    TBrief again;
    ResetBrief(again, brief.FilePath);
    ASSERT_TRUE(ReadBriefText(text, again).Ok);
    brief.LockedTimersText = "Locked Timers";
    for (int i = 0; i < brief.Entries.Count(); ++i)
    {
        TWebPage& e = brief.Entries[i];
        e.UserName = e.Password = e.LockCode = "";
        e.LockedText = "Locked Entry";
    }
    ExpectSameBrief(brief, again);
}

TEST(BriefText, FirstFormReadsAsBefore)
{
    TBrief brief;
    ResetBrief(brief, "/briefs/Old.brf");
    const BriefTextResult read =
        ReadBriefText("# old\nname: Demo\nentry: Walks | file:///d/index.html | 3\ninformation: Two  \n"
                      "entry:  Tutorial  |http://o/t/ |2\n",
                      brief);
    ASSERT_TRUE(read.Ok) << read.Message;
    EXPECT_EQ(brief.BriefName, "Demo");
    EXPECT_EQ(brief.BriefComments, "Two");
    ASSERT_EQ(brief.Entries.Count(), 2);
    EXPECT_EQ(brief.Entries[1].EntryName, "Tutorial");
    EXPECT_EQ(brief.Entries[1].URL, "http://o/t/");
    EXPECT_EQ(brief.Entries[1].SpiderDepth, 2);
    EXPECT_TRUE(brief.Entries[1].NameSet);
    EXPECT_EQ(brief.Entries[1].Kind, EntryKind::Web);
}

TEST(BriefText, UnreadableLinesGiveTheirNumberAndWhatIsWrong)
{
    const struct
    {
        std::string Text;
        int Line;
        std::string Message;
    } cases[] = {
        {"name: a\n\ncolour: red\n", 3, "unknown key \"colour\""},
        {"[web]\nspider-depth: 3x\n", 2, "bad number \"3x\" for spider-depth"},
        {"[web]\nspider-depth: 100\n", 2, "spider-depth 100 is out of range (1 to 99)"},
        {"[search]\nexternal-depth: 0\n", 2, "external-depth 0 is out of range (1 to 5)"},
        {"size-limit-megs: 99999\n", 1, "size-limit-megs 99999 is out of range (-32768 to 32767)"},
        {"entry: a | b | 0\n", 1, "spider-depth 0 is out of range (1 to 99)"},
        {"entry: a | b\n", 1, "entry needs CAPTION | URL | DEPTH"},
        {"[web]\nimages: maybe\n", 2, "\"maybe\" for images is neither yes nor no"},
        {"url: http://x/\n", 1, "url outside an entry: start one with [web], [search] or [directory]"},
        {"[page]\n", 1, "unknown entry kind \"[page]\""},
        {"# c\nname\n", 2, "not a \"key: value\" line"},
        {"name: a\\q\n", 1, "bad escape in the value of name"},
        {"name: a\\x4\n", 1, "bad escape in the value of name"},
        {"tag-3: 1234567\n", 1, "tag-3 is longer than 6 bytes"},
        {"archive-caption: c\n", 1, "archive-caption with no archive line before it"},
        {"[web]\nengine: " + std::string(256, 'e') + "\n", 2, "engine is longer than 255 bytes"},
    };
    for (const auto& c : cases)
    {
        TBrief brief;
        ResetBrief(brief, "/briefs/Bad.brf");
        const BriefTextResult read = ReadBriefText(c.Text, brief);
        EXPECT_FALSE(read.Ok) << c.Text;
        EXPECT_EQ(read.Line, c.Line) << c.Text;
        EXPECT_EQ(read.Message, c.Message) << c.Text;
    }
}

class RvbriefProgram : public test::SandboxedTest
{
protected:
    // Runs rvbrief with the arguments; its exit status and what it printed.
    int Run(const std::string& arguments, std::string& output)
    {
        const std::string command =
            (test::BinDir() / "rvbrief").string() + " " + arguments + " >" + PathOf("out").string() + " 2>&1";
        const int status = std::system(command.c_str());
        output = test::ReadFile(PathOf("out"));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(RvbriefProgram, ArgumentsAndUnreadableBriefsExitTwoWithTheReason)
{
    test::WriteFile(PathOf("plain.txt"), "name: x\n");
    const std::string dir = Dir().string();
    const struct
    {
        std::string Arguments;
        int Status;
        std::string Says;
    } cases[] = {
        {"--help", 0, "usage: rvbrief OUT.brf TEXT"},
        {"", 2, "usage: rvbrief OUT.brf TEXT"},
        {"--text", 2, "usage: rvbrief OUT.brf TEXT"},
        {"--text --with-credentials", 2, "usage: rvbrief OUT.brf TEXT"},
        {"--txt " + dir + "/a.brf", 2, "usage: rvbrief OUT.brf TEXT"},
        {"--text " + dir + "/missing.brf", 2, "missing.brf: No such file or directory"},
        {"--text " + dir + "/plain.txt", 2, "plain.txt: " + BriefLoadingError.Text},
    };
    for (const auto& c : cases)
    {
        std::string output;
        EXPECT_EQ(Run(c.Arguments, output), c.Status) << c.Arguments;
        EXPECT_NE(output.find(c.Says), std::string::npos) << c.Arguments << "\n" << output;
    }
}

TEST_F(RvbriefProgram, PrintedBriefWritesBackToAFileThatLoadsTheSame)
{
    TBrief brief;
    FillBrief(brief);
    brief.ArchiveFiles.clear(); // kept retrievals whose files are gone are dropped on loading
    brief.ArchiveCaptions.clear();
    brief.ScheduleState.assign(brief.Schedule.size(), "-1");
    for (int i = 0; i < brief.Entries.Count(); ++i)
    {
        brief.Entries[i].SummaryFragments.clear();
    }
    // Every brief file of the test data and every shipped sample brief.
    std::vector<std::filesystem::path> files = {PathOf("Full.brf")};
    test::WriteFile(files.back(), WriteBriefFile(brief));
    for (const auto& file : std::filesystem::directory_iterator(test::SourceDir() / "fuzz/corpus/brief-file-fuzz"))
    {
        TBrief probe;
        if (ReadBriefFile(test::ReadFile(file.path()), probe).Status == BriefReadStatus::Loaded)
        {
            files.push_back(PathOf("corpus-" + file.path().filename().string()));
            std::filesystem::copy_file(file.path(), files.back());
        }
    }
    std::string output;
    for (const auto& sample : std::filesystem::directory_iterator(test::SourceDir() / "data/Briefs"))
    {
        files.push_back(PathOf("sample-" + sample.path().stem().string() + ".brf"));
        ASSERT_EQ(Run(files.back().string() + " " + sample.path().string(), output), 0) << sample.path() << "\n" << output;
    }
    EXPECT_GE(files.size(), 5u);
    for (const std::filesystem::path& file : files)
    {
        SCOPED_TRACE(file.string());
        std::string text;
        ASSERT_EQ(Run("--text --with-credentials " + file.string(), text), 0) << text;
        test::WriteFile(PathOf("A.txt"), text);
        ASSERT_EQ(Run(PathOf("B.brf").string() + " " + PathOf("A.txt").string(), output), 0) << output;
        TBrief a;
        TBrief b;
        ResetBrief(a, file.string());
        ResetBrief(b, PathOf("B.brf").string());
        ASSERT_EQ(ReadBriefFile(test::ReadFile(file), a).Status, BriefReadStatus::Loaded);
        ASSERT_EQ(ReadBriefFile(test::ReadFile(PathOf("B.brf")), b).Status, BriefReadStatus::Loaded);
        ExpectSameBrief(a, b);
    }
}

} // namespace
} // namespace rv
