// A real documentation site must look the same read from the archive as it
// does live. The site is the HTML manual of the Debian package
// python-terminaltables-doc (tools/setup.sh installs it): a Sphinx build with
// a theme that brings its own web fonts through @font-face, style sheets with
// url() pictures, scripts and screenshots. RVClient retrieves its index page
// from nginx at depth 1; headless Chromium then shows the live page and the
// archived one at the same window size, the archived one with every request
// to the origin blocked, and the two screenshots must agree but for a small
// share of pixels. The screenshots and their difference images go to
// <build>/test-output/look-run/.
#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "tests/integration/generate-archive.h"
#include "tests/support/core-application.h"
#include "tests/support/headless-browser.h"
#include "tests/support/nginx-server.h"
#include "tests/support/sandbox.h"

#include <QProcess>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace rv
{
namespace
{

const std::filesystem::path Manual = "/usr/share/doc/python-terminaltables-doc/html";

// Two loads of the same page differ in a few anti-aliased pixels at most.
// Without the theme's text fonts four percent of the window differ, without
// its style sheet a quarter, without the manual's screenshot a third.
constexpr double MaxDifferingShare = 0.005;

// The first element of the page's own body; the archived page shows the
// server's header bar above it.
constexpr char PageStart[] = ".wy-grid-for-nav";

class LookRunTest : public test::ArchiveInBrowserTest
{
protected:
    void SetUp() override
    {
        ArchiveInBrowserTest::SetUp();
        if (IsSkipped())
            return;
        if (!std::filesystem::exists(Manual / "index.html"))
            GTEST_SKIP() << "python-terminaltables-doc is not installed (tools/setup.sh installs it)";
        Prepare("Display%20Header=Yes\n", "look-run");
    }

    // Waits until the page's fonts and pictures have arrived, then keeps its
    // screenshot.
    void Settle(test::HeadlessBrowser& browser)
    {
        const QString done = "document.fonts.status === 'loaded' && [...document.images].every(i => i.complete)"
                             " ? 'yes' : 'no'";
        for (int round = 0; round < 100 && browser.DevTools().Evaluate(done) != "yes"; ++round)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        // Let the theme's scripts lay out the side bar.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }

    // The share of pixels that differ between <screen>-live.png and
    // <screen>-stored.png, whose difference goes to <screen>-difference.png;
    // 1 when they cannot be compared.
    double DifferingShare(const std::string& screen)
    {
        const auto file = [&](const char* kind) { return QString::fromStdString((outputDir / (screen + kind)).string()); };
        QProcess compare;
        compare.start("compare",
                      {"-metric", "AE", "-fuzz", "8%", file("-live.png"), file("-stored.png"), file("-difference.png")});
        QProcess size;
        size.start("identify", {"-format", "%w %h", file("-live.png")});
        if (!compare.waitForFinished(30000) || !size.waitForFinished(30000))
            return 1;
        int width = 0;
        int height = 0;
        const QByteArray differing = compare.readAllStandardError().trimmed();
        bool number = false;
        const double pixels = differing.toDouble(&number);
        if (!number || std::sscanf(size.readAllStandardOutput().constData(), "%d %d", &width, &height) != 2 || width <= 0 ||
            height <= 0)
            return 1;
        return pixels / (static_cast<double>(width) * height);
    }

    // Where the page's own content begins, in CSS pixels from the top of
    // the document; negative when it cannot be found.
    static double Top(test::HeadlessBrowser& browser)
    {
        const std::string top = browser.DevTools().Evaluate(
            QString("String(document.querySelector('%1').getBoundingClientRect().top + scrollY)").arg(PageStart));
        return top.empty() || top.find_first_not_of("0123456789.") != std::string::npos ? -1 : std::stod(top);
    }
};

TEST_F(LookRunTest, ArchivedManualLooksLikeTheLiveOne)
{
    // Served with the types a real site sends, so that the live page is the
    // page as its readers see it.
    test::NginxServer nginx(PathOf("nginx"), "include /etc/nginx/mime.types;");
    ASSERT_TRUE(nginx.Running());
    // The package links its theme files from elsewhere: copy what they point to.
    std::filesystem::copy(Manual, nginx.Root(), std::filesystem::copy_options::recursive);
    const std::string origin = "127.0.0.1:" + std::to_string(nginx.Port());

    TBrief brief;
    SetBriefPath(brief, PathOf("Terminaltables.brf").string());
    brief.BriefName = "Terminaltables";
    TWebPage entry = MakeEntry(EntryKind::Web);
    entry.EntryName = "Terminaltables";
    entry.NameSet = true;
    entry.URL = "http://" + origin + "/index.html";
    entry.SpiderDepth = 1;
    entry.Images = true;
    entry.Other = true;
    entry.PlugIns = true;
    brief.Entries.Insert(entry, 0);
    ASSERT_EQ(SaveBrief(brief, false), SaveStatus::Saved);

    std::string archive;
    ASSERT_TRUE(test::GenerateArchive(brief.FilePath, archive));

    ASSERT_TRUE(StartServer());

    test::HeadlessBrowser live;
    ASSERT_EQ(live.Start(PathOf("live-profile")), "");
    // The archived page is longer by the header bar: its scroll bar differs.
    ASSERT_TRUE(live.DevTools().Call("Emulation.setScrollbarsHidden", {{"hidden", true}}));
    ASSERT_TRUE(live.Navigate("http://" + origin + "/index.html"));
    Settle(live);
    const std::string liveCharset = live.DevTools().Evaluate("document.characterSet");
    const double liveTop = Top(live);
    ASSERT_GE(liveTop, 0);
    // Two screens: the top of the page, and the manual's screenshot further
    // down.
    ASSERT_TRUE(live.KeepScreenshot(outputDir / "top-live.png"));
    const int figure = std::atoi(
        live.DevTools()
            .Evaluate("String(Math.round(document.querySelector('figure').getBoundingClientRect().top + scrollY - 40))")
            .c_str());
    ASSERT_GT(figure, 0);
    live.DevTools().Evaluate(QString("window.scrollTo(0, %1)").arg(figure));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(live.KeepScreenshot(outputDir / "figure-live.png"));

    test::HeadlessBrowser stored;
    ASSERT_EQ(stored.Start(PathOf("stored-profile")), "");
    ASSERT_TRUE(stored.DevTools().Call("Emulation.setScrollbarsHidden", {{"hidden", true}}));
    // Anything the archived page asks of the origin fails, and is reported.
    const QJsonArray originUrls{QString::fromStdString("http://" + origin + "/*"),
                                QString::fromStdString("http://localhost:" + std::to_string(nginx.Port()) + "/*")};
    ASSERT_TRUE(stored.DevTools().Call("Network.setBlockedURLs", {{"urls", originUrls}}));
    // The entry page's address from the brief summary, read by the other
    // browser: the summary's own pictures are not the page's.
    ASSERT_TRUE(live.Navigate("http://127.0.0.1:" + std::to_string(port) + archive + "/"));
    const std::string entryPage = live.DevTools().Evaluate("document.querySelector('a[href^=\"0/\"]').href");
    ASSERT_TRUE(stored.Navigate(entryPage)) << entryPage;
    Settle(stored);
    EXPECT_EQ(stored.DevTools().Evaluate("document.compatMode"), "CSS1Compat");
    // Decoded as the original was: the heading anchors' "\u00B6" and the
    // footer's "\u00A9" are UTF-8 bytes.
    EXPECT_EQ(stored.DevTools().Evaluate("document.characterSet"), liveCharset);
    // The header bar is left out: its height is rarely a whole number of
    // pixels, and scrolling past it would leave the page a fraction of a
    // pixel lower than live, which blurs every picture. The bar, the body's
    // first nodes up to its rule and the line break after it, is taken out
    // of the document instead; then the page must begin where the live one
    // does.
    ASSERT_GT(Top(stored), liveTop);
    EXPECT_EQ(stored.DevTools().Evaluate("(() => { const body = document.body; let rule = false;"
                                         " while (body.firstChild && !(rule && body.firstChild.nodeName === 'BR')) {"
                                         " rule = rule || body.firstChild.nodeName === 'HR'; body.firstChild.remove(); }"
                                         " if (body.firstChild) body.firstChild.remove(); return String(rule); })()"),
              "true");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(Top(stored), liveTop);
    ASSERT_TRUE(stored.KeepScreenshot(outputDir / "top-stored.png"));
    stored.DevTools().Evaluate(QString("window.scrollTo(0, %1)").arg(figure));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(stored.KeepScreenshot(outputDir / "figure-stored.png"));

    for (const test::DevToolsClient::Failure& failure : stored.DevTools().Failures())
        if (!failure.url.ends_with("/favicon.ico"))
            ADD_FAILURE() << failure.url << ": " << failure.reason;

    for (const char* screen : {"top", "figure"})
        EXPECT_LE(DifferingShare(screen), MaxDifferingShare)
            << "see " << (outputDir / (std::string(screen) + "-difference.png"));
}

} // namespace
} // namespace rv
