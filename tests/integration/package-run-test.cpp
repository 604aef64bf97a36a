// Packages of real runs: two briefs are retrieved from nginx with
// RVClient --generate, each with its one entry under number 0, and
// "RVClient --package" packs them; the packages are read back with the
// archive reader and served by RVServer to headless Chromium. Screenshots go
// to <build>/test-output/package-run/.
#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "client/shell/server-commands.h"
#include "store/archive-reader.h"
#include "tests/integration/generate-archive.h"
#include "tests/support/headless-browser.h"
#include "tests/support/nginx-server.h"
#include "tests/support/served-page.h"

#include <QProcess>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>

namespace rv
{
namespace
{

struct Site
{
    std::string Brief;
    std::string Entry;
    std::string Folder;
    std::string FirstPage;
    std::string SecondPage;
};

const Site Harbour{"Harbour", "Harbour guide", "harbour", "<h1>Harbour guide</h1>", "A level walk beside the moorings."};
const Site Market{"Market", "Market stalls", "market", "<h1>Market stalls</h1>", "Fish on Fridays."};

class PackageRunTest : public test::ArchiveInBrowserTest
{
protected:
    void SetUp() override
    {
        ArchiveInBrowserTest::SetUp();
        Prepare("Display%20Warning=Yes\n", "package-run");
        if (IsSkipped())
            return;
        nginx = std::make_unique<test::NginxServer>(PathOf("nginx"), "");
        ASSERT_TRUE(nginx->Running());
        for (const Site* site : {&Harbour, &Market})
            ASSERT_NO_FATAL_FAILURE(Retrieve(*site, archives[site->Brief]));
    }

    void Retrieve(const Site& site, std::string& archive)
    {
        const std::filesystem::path root = nginx->Root() / site.Folder;
        std::filesystem::create_directories(root);
        test::WriteFile(root / "index.html", "<html><head><title>" + site.Entry + "</title></head><body>" + site.FirstPage +
                                                 "<p><a href=\"more.html\">More</a></p></body></html>");
        test::WriteFile(root / "more.html", "<html><head><title>More</title></head><body><p>" + site.SecondPage +
                                                "</p><p><a href=\"deeper.html\">Deeper</a></p></body></html>");
        TBrief brief;
        SetBriefPath(brief, PathOf(site.Brief + ".brf").string());
        brief.BriefName = site.Brief;
        TWebPage entry = MakeEntry(EntryKind::Web);
        entry.EntryName = site.Entry;
        entry.NameSet = true;
        entry.URL = "http://127.0.0.1:" + std::to_string(nginx->Port()) + "/" + site.Folder + "/index.html";
        entry.SpiderDepth = 2;
        brief.Entries.Insert(entry, 0);
        ASSERT_EQ(SaveBrief(brief, false), SaveStatus::Saved);
        ASSERT_TRUE(test::GenerateArchive(brief.FilePath, archive));
    }

    // A brief whose catalogue lists the harbour entry, an entry whose only
    // archive is gone, and the market entry, each from its own archive.
    std::string WriteOrganizer()
    {
        TBrief organizer;
        SetBriefPath(organizer, PathOf("Both.brf").string());
        organizer.BriefName = "Both";
        const std::string gone = "Gone.1-2-99.3h04m05s.rvd";
        for (const Site* site : {&Harbour, &Market})
        {
            TBrief ran;
            EXPECT_EQ(LoadBrief(PathOf(site->Brief + ".brf").string(), ran).Status, LoadStatus::Loaded);
            organizer.ArchiveFiles.push_back(ran.ArchiveFiles.at(0));
            organizer.ArchiveCaptions.push_back(ran.ArchiveCaptions.at(0));
            organizer.Entries.Insert(ran.Entries[0], organizer.Entries.Count());
            if (site == &Harbour)
            {
                TWebPage lost = ran.Entries[0];
                lost.SummaryFragments = {{"<b>Web Entry: </b>Lost <a href=\"%%%%s/0/TOC0\">Site Map</a>", gone}};
                organizer.Entries.Insert(lost, organizer.Entries.Count());
            }
        }
        organizer.ArchiveFiles.push_back(gone);
        organizer.ArchiveCaptions.push_back("gone");
        EXPECT_EQ(SaveBrief(organizer, false), SaveStatus::Saved);
        return organizer.FilePath;
    }

    int Package(const QStringList& arguments, std::string& output)
    {
        QProcess client;
        client.start(QString::fromStdString((test::BinDir() / "RVClient").string()), QStringList{"--package"} + arguments);
        if (!client.waitForFinished(60000))
            return -1;
        output = client.readAllStandardOutput().toStdString() + client.readAllStandardError().toStdString();
        return client.exitCode();
    }

    static std::string SummaryOf(const ArchiveReader& reader)
    {
        for (const IndexRecord& record : reader.ReadIndex())
            if (record.Key == "index")
                return reader.ReadPage(record);
        return {};
    }

    // Key -> page bytes of an entry's stored pages.
    static std::map<std::string, std::string> PagesOf(const ArchiveReader& reader, std::int16_t number)
    {
        std::map<std::string, std::string> pages;
        for (const IndexRecord& record : reader.ReadIndex())
            if (record.Number == number && record.Offset > 0)
                pages[record.Key] = reader.ReadPage(record);
        return pages;
    }

    // The server's whole answer to a request for a page of an archive.
    static std::string Get(int serverPort, const std::string& archive, const std::string& page)
    {
        return test::ServedPage(static_cast<std::uint16_t>(serverPort), archive, page);
    }

    std::unique_ptr<test::NginxServer> nginx;
    std::map<std::string, std::string> archives;
};

TEST_F(PackageRunTest, OrganizerGivesEachArchiveEntryItsOwnNumberAndLeavesOutLostOnes)
{
    std::string output;
    ASSERT_EQ(Package({PathOf("Both.rvd").c_str(), QString::fromStdString(WriteOrganizer())}, output), 0) << output;
    EXPECT_NE(output.find("2 entries packaged, 1 without a surviving archive left out"), std::string::npos) << output;

    const ArchiveReader package = ArchiveReader::OpenFile(PathOf("Both.rvd"));
    EXPECT_EQ(package.Header().Information, "");
    const std::string summary = SummaryOf(package);
    EXPECT_NE(summary.find("<title>Both</title>"), std::string::npos);
    EXPECT_EQ(summary.find("Lost"), std::string::npos) << summary;
    EXPECT_EQ(summary.find("%%%%s"), std::string::npos) << summary;
    const auto rules = [&](std::string_view rule)
    {
        std::size_t count = 0;
        for (std::size_t at = summary.find(rule); at != std::string::npos; at = summary.find(rule, at + 1))
            ++count;
        return count;
    };
    EXPECT_EQ(rules("<hr size=1>"), 1u) << summary;

    // Both entries were number 0 in their own archives.
    const struct
    {
        const Site* site;
        std::int16_t number;
    } expected[] = {{&Harbour, 0}, {&Market, 1}};
    for (const auto& row : expected)
    {
        SCOPED_TRACE(row.site->Brief);
        const std::string n = std::to_string(row.number);
        EXPECT_NE(summary.find("\"" + n + "/TOC" + n + "\""), std::string::npos) << summary;
        const ArchiveReader source = ArchiveReader::OpenFile(archives[row.site->Brief]);
        std::map<std::string, std::string> wanted = PagesOf(source, 0);
        ASSERT_EQ(wanted.count("TOC0"), 1u);
        wanted["TOC" + n] = wanted["TOC0"];
        if (row.number != 0)
            wanted.erase("TOC0");
        EXPECT_EQ(PagesOf(package, row.number), wanted);
    }
    // Every record of the package that names a page leads to bytes that expand.
    for (const IndexRecord& record : package.ReadIndex())
    {
        if (record.Offset > 0)
        {
            EXPECT_NO_THROW(package.ReadPage(record)) << record.Key;
        }
    }
}

TEST_F(PackageRunTest, EntryNamedTwiceIsCopiedOnce)
{
    std::string output;
    ASSERT_EQ(Package({PathOf("Twice.rvd").c_str(), QString::fromStdString(archives["Harbour"]), "Harbour guide", "1"}, output),
              0)
        << output;
    const ArchiveReader package = ArchiveReader::OpenFile(PathOf("Twice.rvd"));
    const std::string summary = SummaryOf(package);
    EXPECT_NE(summary.find("<title>Packaged Brief</title>"), std::string::npos) << summary;
    EXPECT_EQ(summary.find("\"1/"), std::string::npos) << summary;

    std::vector<std::string> copied;
    std::vector<std::string> source;
    for (const IndexRecord& record : package.ReadIndex())
        if (record.Number == 0)
            copied.push_back(record.Key);
    for (const IndexRecord& record : ArchiveReader::OpenFile(archives["Harbour"]).ReadIndex())
        if (record.Number == 0)
            source.push_back(record.Key);
    EXPECT_EQ(copied, source);
}

TEST_F(PackageRunTest, DamagedSourceLeavesNoPackageAndTheOldOneWhole)
{
    const ArchiveReader harbour = ArchiveReader::OpenFile(archives["Harbour"]);
    std::int32_t page = 0;
    for (const IndexRecord& record : harbour.ReadIndex())
        if (record.Number == 0 && record.Offset > 0 && page == 0)
            page = record.Offset;
    const std::string whole = test::ReadFile(archives["Harbour"]);
    const struct
    {
        const char* defect;
        std::string bytes;
    } damaged[] = {
        {"cut short", whole.substr(0, whole.size() / 2)},
        {"page block that does not expand", whole.substr(0, static_cast<std::size_t>(page) + 2) + std::string(16, '\xFF') +
                                                whole.substr(static_cast<std::size_t>(page) + 18)},
    };
    const std::string before = "an older package";
    for (const auto& row : damaged)
    {
        SCOPED_TRACE(row.defect);
        const std::filesystem::path source = PathOf("Damaged.rvd");
        test::WriteFile(source, row.bytes);
        test::WriteFile(PathOf("Out.rvd"), before);
        std::string output;
        // The entry is named by its place: the summary page may be what is damaged.
        EXPECT_EQ(Package({PathOf("Out.rvd").c_str(), source.c_str(), "1"}, output), 1) << output;
        EXPECT_NE(output.find("Damaged.rvd"), std::string::npos) << output;
        EXPECT_TRUE(test::ReadFile(PathOf("Out.rvd")) == before) << "the older package was replaced";
        for (const auto& file : std::filesystem::directory_iterator(Dir()))
            EXPECT_EQ(file.path().filename().string().find("packing"), std::string::npos) << file.path();
    }
}

TEST_F(PackageRunTest, ServedPackageLeadsEveryLinkToAStoredPageAndIsReplacedWhileOpen)
{
    std::string output;
    const std::filesystem::path package = PathOf("Both.rvd");
    ASSERT_EQ(Package({package.c_str(), QString::fromStdString(WriteOrganizer())}, output), 0) << output;

    ASSERT_TRUE(StartServer());
    test::HeadlessBrowser browser;
    ASSERT_EQ(browser.Start(PathOf("profile")), "");

    const std::string base = "http://127.0.0.1:" + std::to_string(port) + package.string() + "/";
    ASSERT_TRUE(browser.Navigate(base));
    EXPECT_NE(browser.Text().find("Web Entry: Market stalls"), std::string::npos) << browser.Text();
    EXPECT_EQ(browser.BrokenImages(), "");
    EXPECT_TRUE(browser.KeepScreenshot(outputDir / "summary.png"));
    const std::string links = browser.DevTools().Evaluate("Array.from(document.links).map(a => a.href).join('\\n')");
    std::vector<std::string> targets;
    for (std::size_t from = 0; from < links.size();)
    {
        const std::size_t end = std::min(links.find('\n', from), links.size());
        targets.push_back(links.substr(from, end - from));
        from = end + 1;
    }
    ASSERT_GE(targets.size(), 4u) << links;
    for (std::size_t i = 0; i < targets.size(); ++i)
    {
        SCOPED_TRACE(targets[i]);
        ASSERT_TRUE(browser.Navigate(targets[i]));
        const std::string text = browser.Text();
        EXPECT_EQ(text.find("Page Not Retrieved"), std::string::npos) << text;
        EXPECT_EQ(text.find("File Not Found"), std::string::npos) << text;
        EXPECT_TRUE(browser.KeepScreenshot(outputDir / ("link-" + std::to_string(i) + ".png")));
    }

    // A page of the entry that moved from number 0 to 1 still leads on.
    ASSERT_TRUE(browser.Navigate(base));
    ASSERT_TRUE(browser.Click("a[href^=\"1/\"]"));
    ASSERT_TRUE(browser.Click("a"));
    EXPECT_NE(browser.Text().find(Market.SecondPage), std::string::npos) << browser.Text();
    EXPECT_TRUE(browser.KeepScreenshot(outputDir / "moved-entry-next-page.png"));

    // Packaging again over the file the server holds open: the server lets
    // go of it first, so the new package is what it serves.
    ASSERT_EQ(Package({package.c_str(), QString::fromStdString(archives["Market"]), "Market stalls"}, output), 0) << output;
    ASSERT_TRUE(browser.Navigate(base));
    EXPECT_NE(browser.Text().find("Brief: Packaged Brief"), std::string::npos) << browser.Text();
}

TEST_F(PackageRunTest, ServerLetsGoOfADeletedArchiveAndShutsDownWhenAsked)
{
    ASSERT_TRUE(StartServer());
    const std::string harbour = archives["Harbour"];
    ASSERT_NE(Get(port, harbour, "index").find("Brief: </b>Harbour"), std::string::npos);
    EXPECT_TRUE(DeleteArchiveFile(harbour));
    EXPECT_FALSE(std::filesystem::exists(harbour));
    EXPECT_NE(Get(port, harbour, "index").find("File Not Found"), std::string::npos) << "still served after deletion";

    EXPECT_NE(Get(port, archives["Market"], "index").find("Brief: </b>Market"), std::string::npos);

    ServerSettings servers;
    for (bool closeServer : {false, true})
    {
        SCOPED_TRACE(closeServer ? "Close Server set" : "Close Server not set");
        servers.closeServer = closeServer;
        ServerOnClientExit(servers);
        EXPECT_EQ(server.waitForFinished(closeServer ? 10000 : 500), closeServer);
    }

    // With no server running every command is a no-op.
    EXPECT_TRUE(DeleteArchiveFile(archives["Market"]));
    ServerOnClientExit(servers);
}

} // namespace
} // namespace rv
