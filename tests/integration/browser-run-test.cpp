// A real run read in a real browser: RVClient --generate retrieves a small
// site from nginx, RVServer serves the archive, and headless Chromium reads
// the summary page, an entry page, a page one link deeper and a link that
// was too deep, with every image and page arriving. Screenshots go to
// <build>/test-output/browser-run/.
#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "tests/integration/generate-archive.h"
#include "tests/support/core-application.h"
#include "tests/support/headless-browser.h"
#include "tests/support/nginx-server.h"
#include "tests/support/sandbox.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace rv
{
namespace
{

class BrowserRunTest : public test::ArchiveInBrowserTest
{
protected:
    void SetUp() override
    {
        ArchiveInBrowserTest::SetUp();
        Prepare("Display%20Header=Yes\nDisplay%20Warning=Yes\n", "browser-run");
    }

    void WriteSite(const std::filesystem::path& root)
    {
        // A 1x1 GIF for the page's picture.
        static const char gifBytes[] = "GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff,\x00\x00\x00\x00"
                                       "\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;";
        const std::string gif(gifBytes, sizeof gifBytes - 1);
        std::filesystem::create_directories(root / "walks");
        test::WriteFile(root / "dot.gif", gif);
        test::WriteFile(root / "index.html", "<html><head><title>Harbour</title></head><body><h1>Harbour guide</h1>"
                                             "<img src=\"dot.gif\" width=20 height=20>"
                                             "<p><a id=walk href=\"walks/quay.html\">Along the quay</a></p></body></html>");
        test::WriteFile(root / "walks" / "quay.html",
                        "<html><head><title>Quay</title></head><body><p>A level walk beside the moorings.</p>"
                        "<p><a id=deep href=\"cliffs.html\">Cliff path</a></p></body></html>");
        test::WriteFile(root / "walks" / "cliffs.html", "<html><body>Too deep for this brief</body></html>");
    }
};

TEST_F(BrowserRunTest, ArchiveOfARealRunReadsInTheBrowserWithEveryImage)
{
    test::NginxServer nginx(PathOf("nginx"), "");
    ASSERT_TRUE(nginx.Running());
    WriteSite(nginx.Root());
    const std::string origin = "127.0.0.1:" + std::to_string(nginx.Port());

    TBrief brief;
    SetBriefPath(brief, PathOf("Harbour.brf").string());
    brief.BriefName = "Harbour";
    TWebPage entry = MakeEntry(EntryKind::Web);
    entry.EntryName = "Harbour guide";
    entry.NameSet = true;
    entry.URL = "http://" + origin + "/index.html";
    entry.SpiderDepth = 2;
    brief.Entries.Insert(entry, 0);
    ASSERT_EQ(SaveBrief(brief, false), SaveStatus::Saved);

    std::string archive;
    ASSERT_TRUE(test::GenerateArchive(brief.FilePath, archive));

    ASSERT_TRUE(StartServer());
    test::HeadlessBrowser browser;
    ASSERT_EQ(browser.Start(PathOf("profile")), "");

    const std::string base = "http://127.0.0.1:" + std::to_string(port) + archive + "/";
    ASSERT_TRUE(browser.Navigate(base));
    const std::string summary = browser.Text();
    EXPECT_NE(summary.find("Brief: Harbour"), std::string::npos) << summary;
    EXPECT_NE(summary.find("Web Entry: Harbour guide"), std::string::npos) << summary;
    EXPECT_TRUE(browser.KeepScreenshot(outputDir / "summary.png"));

    ASSERT_TRUE(browser.Click("a[href^=\"0/\"]"));
    EXPECT_NE(browser.Text().find("Harbour guide"), std::string::npos) << browser.Text();
    EXPECT_EQ(browser.BrokenImages(), "");
    EXPECT_TRUE(browser.KeepScreenshot(outputDir / "entry-page.png"));

    ASSERT_TRUE(browser.Click("#walk"));
    EXPECT_NE(browser.Text().find("A level walk beside the moorings."), std::string::npos) << browser.Text();
    EXPECT_EQ(browser.BrokenImages(), "");
    EXPECT_TRUE(browser.KeepScreenshot(outputDir / "linked-page.png"));

    ASSERT_TRUE(browser.Click("#deep"));
    EXPECT_NE(browser.Text().find("Spider Search Limit Exceeded"), std::string::npos) << browser.Text();
    EXPECT_TRUE(browser.KeepScreenshot(outputDir / "too-deep.png"));

    for (const test::DevToolsClient::Failure& failure : browser.DevTools().Failures())
        if (!failure.url.ends_with("/favicon.ico"))
            ADD_FAILURE() << failure.url << ": " << failure.reason;
}

} // namespace
} // namespace rv
