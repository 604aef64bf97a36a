// A search entry run for real: its engine is a local nginx that answers the
// query address with a results page, and the run follows the results.
#include "client/briefs/brief.h"
#include "client/engine/internal/run-driver.h"
#include "client/pages/entry-targets.h"
#include "client/pages/packed-list.h"
#include "store/archive-reader.h"
#include "tests/support/core-application.h"
#include "tests/support/nginx-server.h"
#include "tests/support/run-to-end.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>
#include <map>

namespace rv
{
namespace
{

class SearchEntryRunTest : public test::SandboxedTest
{
protected:
    static void SetUpTestSuite() { test::EnsureCoreApplication(); }
};

TEST_F(SearchEntryRunTest, ArchiveHoldsTheResultsPageAndThePagesItLinksTo)
{
    test::NginxServer nginx(PathOf("nginx"),
                            "  location = /search { default_type text/html; return 200 '<html><head><title>Results"
                            "</title></head><body><a href=\"/one.html\">one</a> <a href=\"/two.html\">two</a></body>"
                            "</html>'; }\n");
    ASSERT_TRUE(nginx.Running());
    for (const char* name : {"one", "two"})
        test::WriteFile(nginx.Root() / (std::string(name) + ".html"),
                        std::string("<html><body>Result ") + name + " <a href=\"/deeper.html\">deeper</a></body></html>");
    test::WriteFile(nginx.Root() / "deeper.html", "<html><body>too deep</body></html>");
    const std::string host = "127.0.0.1:" + std::to_string(nginx.Port());

    DefinitionSet definitions;
    AddEngines(definitions, {{"Local Search", host + "/search", "q=", false}});
    TBrief brief;
    brief.BriefName = "Searching";
    brief.FilePath.clear();
    TWebPage entry = MakeEntry(EntryKind::Search);
    entry.EntryName = "harbour walks"; // a search entry's caption is its query
    entry.SearchFor = "harbour walks";
    PackedList engines = PackNames({"Local Search"});
    entry.EngineList = engines.Bytes;
    entry.EngineListLength = engines.Length;
    entry.SpiderDepth = 2;
    brief.Entries.Insert(entry, 0);

    RetrievalSettings settings;
    settings.ProgramFolder = Dir();
    RunObserver observer;
    RunDriver driver(settings, observer);
    driver.SetTargetsOf([&](const TWebPage& e) { return EntryTargets(e, definitions); });
    ASSERT_TRUE(test::RunToEnd(driver, brief));
    ASSERT_EQ(brief.ArchiveFiles.size(), 1u);

    ArchiveReader reader = ArchiveReader::OpenFile(Dir() / brief.ArchiveFiles[0]);
    std::map<std::string, IndexRecord> records;
    for (IndexRecord& record : reader.ReadIndex())
        records[record.Key] = record;
    const std::string results = host + "/search?q=harbour+walks";
    ASSERT_TRUE(records.count(results)) << "no results page";
    EXPECT_GT(records[results].Offset, 0);
    EXPECT_NE(reader.ReadPage(records[results]).find("Results"), std::string::npos);
    for (const char* name : {"/one.html", "/two.html"})
    {
        ASSERT_TRUE(records.count(host + name)) << name;
        EXPECT_GT(records[host + name].Offset, 0) << name;
    }
    // Depth 2: the results' own links are recorded, not fetched.
    if (records.count(host + "/deeper.html"))
    {
        EXPECT_LE(records[host + "/deeper.html"].Offset, 0);
    }
    ASSERT_TRUE(records.count("index"));
    EXPECT_NE(reader.ReadPage(records["index"]).find("Search Engine Query: "), std::string::npos);
}

} // namespace
} // namespace rv
