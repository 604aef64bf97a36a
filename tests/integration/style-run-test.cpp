// A page that takes its look from style sheets, read back from a real run:
// RVClient retrieves it from nginx, RVServer serves the archive and headless
// Chromium loads the stored page. Every address a style sheet, a style block
// or a style attribute names, and every image a srcset, a data-src, a video
// poster, an SVG image or a preload names, must arrive from the local server
// with the origin's bytes. The screenshot goes to <build>/test-output/style-run/.
#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "tests/integration/generate-archive.h"
#include "tests/support/core-application.h"
#include "tests/support/headless-browser.h"
#include "tests/support/nginx-server.h"
#include "tests/support/sandbox.h"

#include <QProcess>
#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <thread>

namespace rv
{
namespace
{

// The site: each file and its bytes. A GIF of a different size per file, so
// that a wrong file cannot pass for the right one.
std::map<std::string, std::string> Site()
{
    auto gif = [](char colour)
    {
        static constexpr char Pixel[] = "GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff,\x00\x00\x00\x00"
                                        "\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;";
        std::string bytes(Pixel, sizeof Pixel - 1);
        bytes[13] = colour;
        return bytes;
    };
    return {
        {"index.html",
         "<!DOCTYPE html><html><head><title>Lighthouse</title>"
         "<link rel=\"stylesheet\" href=\"css/site.css\"><link rel=stylesheet href=\"sheets/theme\">"
         "<style>@import \"css/extra.css\"; #hero{height:40px;background:url(img/hero.gif)}</style>"
         "</head><body><h1>Lighthouse</h1><div id=hero></div>"
         "<div id=note style=\"height:40px;background-image:url(&quot;img/note.gif&quot;)\">Note</div>"
         "<div class=deep>Deep</div><div class=octet>Octet</div><img srcset=\"img/wide.gif 100w\" sizes=\"20px\" width=20>"
         "<img src=\"data:image/gif;base64,R0lGODlhAQABAAAAACw=\" data-src=\"img/lazy.gif\" width=20>"
         "<video poster=\"img/poster.gif\" width=20 height=20></video>"
         "<svg width=20 height=20><image href=\"img/svg.gif\" width=20 height=20/></svg>"
         "<link rel=preload as=image href=\"img/early.gif\"></body></html>"},
        {"css/site.css", "@font-face{font-family:Beacon;src:url(../fonts/beacon.woff2) format(\"woff2\")}\n"
                         "body{font-family:Beacon,serif;background:url( '../img/bg.gif' ) repeat}\n"
                         "/* url(../img/missing.gif) */\n"},
        {"css/extra.css", "@import url(deeper.css);\nh1{color:rgb(10,20,30)}\n"},
        {"css/deeper.css", ".deep{height:40px;background:url(/img/deep.gif)}\n"},
        {"sheets/theme", ".octet{height:40px;background:url(../img/octet.gif)}\n"},
        {"fonts/beacon.woff2", std::string("wOF2\0\1\0\0 not a real font", 24)},
        {"img/bg.gif", gif('\x10')},
        {"img/hero.gif", gif('\x20') + "hero"},
        {"img/note.gif", gif('\x30') + "note!"},
        {"img/deep.gif", gif('\x40') + "deeper"},
        {"img/wide.gif", gif('\x50') + "wider!!"},
        {"img/lazy.gif", gif('\x60') + "lazier!!"},
        {"img/poster.gif", gif('\x70') + "poster!!!"},
        {"img/svg.gif", gif('\x80') + "svg-image!"},
        {"img/early.gif", gif('\x90') + "preloaded!!"},
        {"img/octet.gif", gif('\xA0') + "octet-stream"},
    };
}

class StyleRunTest : public test::ArchiveInBrowserTest
{
protected:
    void SetUp() override
    {
        ArchiveInBrowserTest::SetUp();
        Prepare("Display%20Header=No\n", "style-run");
    }
};

TEST_F(StyleRunTest, EveryAddressOfTheStyleSheetsLeadsToTheStoredFile)
{
    // nginx knows no type for style sheets and fonts: it sends them as
    // "text/plain", and the client must store them with their own. A sheet
    // without a name ending comes as "application/octet-stream": only the
    // link says what it is.
    test::NginxServer nginx(PathOf("nginx"), "location /sheets/ { default_type application/octet-stream; }");
    ASSERT_TRUE(nginx.Running());
    const std::map<std::string, std::string> site = Site();
    for (const auto& [name, bytes] : site)
    {
        std::filesystem::create_directories((nginx.Root() / name).parent_path());
        test::WriteFile(nginx.Root() / name, bytes);
    }
    const std::string origin = "127.0.0.1:" + std::to_string(nginx.Port());

    TBrief brief;
    SetBriefPath(brief, PathOf("Lighthouse.brf").string());
    brief.BriefName = "Lighthouse";
    TWebPage entry = MakeEntry(EntryKind::Web);
    entry.EntryName = "Lighthouse";
    entry.NameSet = true;
    entry.URL = "http://" + origin + "/index.html";
    entry.SpiderDepth = 1;
    entry.Images = true;
    brief.Entries.Insert(entry, 0);
    ASSERT_EQ(SaveBrief(brief, false), SaveStatus::Saved);

    std::string archive;
    ASSERT_TRUE(test::GenerateArchive(brief.FilePath, archive));

    ASSERT_TRUE(StartServer());
    test::HeadlessBrowser browser;
    ASSERT_EQ(browser.Start(PathOf("profile")), "");
    ASSERT_TRUE(browser.Navigate("http://127.0.0.1:" + std::to_string(port) + archive + "/"));
    ASSERT_TRUE(browser.Click("a[href^=\"0/\"]"));
    EXPECT_NE(browser.Text().find("Lighthouse"), std::string::npos) << browser.Text();
    EXPECT_EQ(browser.DevTools().Evaluate("getComputedStyle(document.querySelector('h1')).color"), "rgb(10, 20, 30)");
    // The page's doctype still puts the browser in standards mode.
    EXPECT_EQ(browser.DevTools().Evaluate("document.compatMode"), "CSS1Compat");

    // Each file the page used: the address it came from, and its bytes as
    // the local server gives them. Fonts and backgrounds load after the
    // page's load event: wait for them.
    const QString report =
        "performance.getEntriesByType('resource').map(e => { const x = new XMLHttpRequest();"
        " x.open('GET', e.name, false); x.overrideMimeType('text/plain; charset=x-user-defined'); x.send();"
        " return e.name + ' ' + x.status + ' ' + x.responseText.length + ' ' + x.getResponseHeader('content-type'); })"
        ".join('\\n')";
    std::string used;
    for (int round = 0; round < 50; ++round)
    {
        used = browser.DevTools().Evaluate(report);
        if (used.find("deep.gif") != std::string::npos && used.find("beacon.woff2") != std::string::npos &&
            used.find("bg.gif") != std::string::npos && used.find("octet.gif") != std::string::npos)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(browser.KeepScreenshot(outputDir / "stored-page.png"));
    // A port's ":" may arrive as the store's "&colon;".
    for (std::size_t at = used.find("&colon;"); at != std::string::npos; at = used.find("&colon;", at))
        used.replace(at, 7, ":");
    const std::string local = "http://127.0.0.1:" + std::to_string(port) + "/";
    for (const auto& [name, bytes] : site)
    {
        if (name == "index.html")
            continue;
        const std::size_t at = used.find("/" + origin + "/" + name + " ");
        ASSERT_NE(at, std::string::npos) << name << " was not loaded:\n" << used;
        const std::size_t lineStart = used.rfind('\n', at) == std::string::npos ? 0 : used.rfind('\n', at) + 1;
        const std::string line = used.substr(lineStart, used.find('\n', at) - lineStart);
        EXPECT_EQ(line.rfind(local, 0), 0u) << line;
        // Style sheets are stored rewritten; every other file as it came.
        const bool sheet = name.ends_with(".css") || name.starts_with("sheets/");
        EXPECT_NE(line.find(" 200 " + (sheet ? std::string() : std::to_string(bytes.size()))), std::string::npos)
            << name << ": " << line;
        const std::string type = sheet ? "text/css" : name.ends_with(".gif") ? "image/gif" : "font/woff2";
        EXPECT_TRUE(line.ends_with(" " + type)) << name << ": " << line;
    }
    for (const test::DevToolsClient::Failure& failure : browser.DevTools().Failures())
        if (failure.url.find(std::to_string(nginx.Port())) != std::string::npos)
            ADD_FAILURE() << failure.url << ": " << failure.reason;
}

} // namespace
} // namespace rv
