#include "client/shell/command-line.h"
#include "client/shell/console-report.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

TEST(ConsoleReportTest, LiveLineFitsTheWidthAndKeepsBothEndsOfTheAddress)
{
    BriefTally tally;
    tally.Name = "News";
    tally.Started = std::chrono::steady_clock::now() - std::chrono::seconds(4);
    tally.Pages[static_cast<int>(PageFate::Stored)] = 10;
    tally.Pages[static_cast<int>(PageFate::TooDeep)] = 3;
    tally.Pending = 7;
    tally.BytesReceived = 3 * 1024 * 1024;
    tally.CurrentAddress = "http://example.com&colon;8080/" + std::string(200, 'a') + "/last-part.html";
    const std::string full = LiveLineText(tally, tally.Started + std::chrono::seconds(4), 1000);
    EXPECT_EQ(full.substr(0, full.find("  ")), "News: 10 stored, 7 pending, 3 not retrieved, 3.0 MB, 2.5 pages/s");
    for (std::size_t width : {1000u, 132u, 100u, 80u, 40u, 10u})
    {
        const std::string line = LiveLineText(tally, tally.Started + std::chrono::seconds(4), width);
        SCOPED_TRACE(line);
        EXPECT_LE(line.size(), width);
        if (width >= 100)
        {
            // Both ends of the address stay, with the cut between them.
            EXPECT_NE(line.find("  example.com:8080"), std::string::npos);
            EXPECT_TRUE(line.ends_with("/last-part.html"));
            EXPECT_EQ(line.find("...") == std::string::npos, width == 1000);
            EXPECT_TRUE(line.size() == width || width == 1000);
        }
    }
}

TEST(ConsoleReportTest, ArgumentsGiveTheModeOrOneSentenceOfWhatIsWrong)
{
    const struct
    {
        std::vector<std::string> Arguments;
        ClientMode Mode;
        std::string Error;
    } cases[] = {
        {{"--generate", "--verbose", "a.brf", "--strict", "b.brf"}, ClientMode::Generate, ""},
        {{"--quiet", "--schedule", "a.brf"}, ClientMode::Schedule, ""},
        {{"a.brf", "b.brf"}, ClientMode::Windows, ""},
        {{"--package", "out.rvd", "a.rvd", "3"}, ClientMode::Package, ""},
        {{"--generate", "--bogus", "--help"}, ClientMode::Help, ""},
        {{"--generate", "--", "--odd.brf"}, ClientMode::Generate, ""},
        {{"--generate"}, ClientMode::Generate, "no brief file given"},
        {{"--package", "out.rvd"},
         ClientMode::Package,
         "--package needs the archive to write and a brief file or an archive and its entries"},
        {{"--generate", "--schedule", "a.brf"},
         ClientMode::Schedule,
         "only one of --generate, --schedule and --package may be given"},
        {{"--generate", "-x", "a.brf"}, ClientMode::Generate, "unknown option -x"},
    };
    for (const auto& c : cases)
    {
        const CommandLine line = ParseCommandLine(c.Arguments);
        SCOPED_TRACE(c.Arguments.front());
        EXPECT_EQ(line.Mode, c.Mode);
        EXPECT_EQ(line.Error, c.Error);
    }
    const CommandLine run = ParseCommandLine({"--generate", "--verbose", "a.brf", "--strict", "--", "--b.brf"});
    EXPECT_EQ(run.Files, (std::vector<std::string>{"a.brf", "--b.brf"}));
    EXPECT_EQ(run.Output, Verbosity::Verbose);
    EXPECT_TRUE(run.Strict);
}

} // namespace
} // namespace rv
