#include "client/briefs/brief.h"
#include "client/briefs/web-page.h"
#include "client/pages/retrieval-list.h"
#include "client/pages/site-map-builder.h"
#include "store/archive-reader.h"
#include "store/archive-writer.h"
#include "store/site-map.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>
#include <map>

namespace rv
{
namespace
{

const std::string TocStart = "<html><body bgcolor=#FFFFFF text=\"0000FF\" link=\"FF0000\">"
                             "<title>Site Map</title><h1>Site Map</h1>";
const std::string MatchStart = "<html><head><title>Smart Search Matches</title></head><body bgcolor=#FFFFFF>"
                               "<h1>Smart Search Matches</h1>";

class SiteMapBuilderTest : public test::SandboxedTest
{
protected:
    void SetUp() override
    {
        SandboxedTest::SetUp();
        archivePath = PathOf("Brief.rvd");
        ASSERT_TRUE(archive.Open(archivePath, "Brief"));
        siteMap = std::make_unique<TSiteMap>(archivePath);
        entry.SpiderDepth = 2;
        entry.SmartSearch = true;
        entry.SearchFor = "ravel";
    }

    // Builds the pages with the given entry numbers found in the queue and
    // reads the archive's index back by key.
    std::map<std::string, IndexRecord> Build(std::vector<std::int32_t> entries, std::vector<int>* progress = nullptr)
    {
        const FirstRequestLookup lookup = [&](std::int32_t n) -> std::optional<SiteMapEntry>
        {
            if (std::find(entries.begin(), entries.end(), n) == entries.end())
                return std::nullopt;
            return SiteMapEntry{&entry, "http://www.x.com/", depth, uncounted, inaccessible};
        };
        BuildSiteMaps(*siteMap, archive, lookup,
                      [&](int percent)
                      {
                          if (progress)
                              progress->push_back(percent);
                      });
        EXPECT_TRUE(archive.Close());
        reader = std::make_unique<ArchiveReader>(ArchiveReader::OpenFile(archivePath));
        std::map<std::string, IndexRecord> records;
        for (IndexRecord& record : reader->ReadIndex())
            records[record.Key] = std::move(record);
        return records;
    }

    std::string Text(const IndexRecord& record) { return reader->ReadPage(record); }

    std::filesystem::path archivePath;
    TKSDB archive;
    std::unique_ptr<TSiteMap> siteMap;
    std::unique_ptr<ArchiveReader> reader;
    TWebPage entry = MakeEntry(EntryKind::Web);
    std::int32_t depth = 2;
    bool uncounted = false;
    bool inaccessible = false;
};

TEST_F(SiteMapBuilderTest, NestedNotesBecomeTheEntrysSiteMapAndMatchPage)
{
    siteMap->AddEntryNote("3");
    siteMap->AddNote("Start", "http://www.x.com/", "3", "", 0);
    siteMap->AddNote("Deep", "www.x.com/b", "3.1.2", "ravel", 1, "top");
    siteMap->AddNote("Child", "www.x.com:8080/a", "3.1", "", 1);
    std::vector<int> progress;
    const auto records = Build({3}, &progress);
    EXPECT_EQ(progress, (std::vector<int>{25, 50, 75, 100}));
    EXPECT_EQ(records.count("TOC0") + records.count("Match0") + records.count("TOC2"), 0u);

    const IndexRecord& toc = records.at("TOC3");
    EXPECT_EQ(toc.Number, 3);
    EXPECT_EQ(toc.Flags, 2);
    EXPECT_EQ(toc.ContentType, "text/html");
    EXPECT_EQ(toc.HeadOffset, 6);
    EXPECT_EQ(toc.HeadLength, 50);
    EXPECT_EQ(Text(toc), TocStart + "<font size=3>Web Entry: http://www.x.com/</font><ul>"
                                    "<ul><li><a href=\"http&amp;colon;//www.x.com/\">Start</a></li>"
                                    "<ul><li><a href=\"www.x.com&amp;colon;8080/a\">Child</a><b> Smart Search Match: </b></li>"
                                    "<ul><li><a href=\"www.x.com/b#top\">Deep</a><b> Smart Search Match: (ravel)</b></li>"
                                    "</ul></ul></ul></body></html>");

    const IndexRecord& match = records.at("Match3");
    EXPECT_EQ(match.Number, 3);
    EXPECT_EQ(match.Flags, 1);
    EXPECT_EQ(match.HeadOffset, 54);
    EXPECT_EQ(match.HeadLength, 22);
    EXPECT_EQ(Text(match), MatchStart + "Search Terms: ravel<br>\r\n<i>2 Matches found</i><br>\r\n<ul>"
                                        "<li><a href=\"www.x.com&amp;colon;8080/a\">Child</a></li>"
                                        "<li><a href=\"www.x.com/b#top\">Deep</a> (ravel)</li></ul></body></html>");
}

TEST_F(SiteMapBuilderTest, EntryZeroGetsTocZeroAndMatchZero)
{
    siteMap->AddEntryNote("0");
    siteMap->AddNote("Start", "file:///C:/ann/a.html", "0", "", 0);
    const auto records = Build({0});
    EXPECT_NE(Text(records.at("TOC0")).find("<li><a href=\"C&amp;colon;/ann/a.html\">Start</a></li>"), std::string::npos);
    EXPECT_NE(Text(records.at("Match0")).find("<ul><i>No Matches Found</i></ul>"), std::string::npos);
    EXPECT_EQ(records.at("Match0").Number, 0);
}

TEST_F(SiteMapBuilderTest, StartPageAloneGetsOnlyAMatchPageWithoutSiteMapButton)
{
    depth = 1;
    inaccessible = true;
    siteMap->AddEntryNote("1");
    const auto records = Build({1});
    EXPECT_EQ(records.count("TOC1"), 0u);
    EXPECT_EQ(records.at("Match1").Flags, 0);
    EXPECT_EQ(Text(records.at("Match1")),
              MatchStart + "Search Terms: ravel<br>\r\n<ul><i>No Matches Found (One or more pages were inaccessible at "
                           "this time and may contain other matches.)</i></ul></body></html>");
}

TEST_F(SiteMapBuilderTest, EntriesWithoutSmartSearchOrFirstRequestGetNoMatchPage)
{
    entry.SmartSearch = false;
    siteMap->AddEntryNote("0");
    siteMap->AddEntryNote("1");
    const auto records = Build({1});
    EXPECT_EQ(records.count("TOC0"), 0u); // no first request left in the queue
    EXPECT_EQ(records.at("TOC1").Flags, 0);
    EXPECT_EQ(records.count("Match1"), 0u);
}

TEST_F(SiteMapBuilderTest, MatchesOnlyEntryGetsAMatchPageWithoutSiteMap)
{
    entry.PreserveOnly = true;
    siteMap->AddEntryNote("0");
    const auto records = Build({0});
    EXPECT_EQ(records.count("TOC0"), 0u);
    EXPECT_EQ(records.at("Match0").Flags, 0);
}

TEST_F(SiteMapBuilderTest, UncountedFirstRequestGetsNoMatchPage)
{
    uncounted = true;
    siteMap->AddEntryNote("0");
    const auto records = Build({0});
    EXPECT_EQ(records.at("TOC0").Flags, 2);
    EXPECT_EQ(records.count("Match0"), 0u);
}

TEST_F(SiteMapBuilderTest, QueueLookupFindsTheBriefsFirstRequestWithTheLinkNumber)
{
    RunLock lock;
    TRetrievalList queue(lock, Dir());
    TBrief mine;
    TBrief other;
    auto add = [&](TBrief* brief, std::int32_t number, std::string url)
    {
        auto request = std::make_unique<RetrievalRequest>();
        request->Brief = brief;
        request->Entry = &entry;
        request->LinkNumber = number;
        request->EntryIndex = 0;
        request->URL = std::move(url);
        request->Depth = 3;
        queue.Add(std::move(request));
    };
    add(&other, 1, "other.example/");
    add(&mine, 0, "zero.example/");
    add(&mine, 1, "first.example/");
    add(&mine, 1, "second.example/");
    const FirstRequestLookup lookup = QueueFirstRequests(queue, &mine);
    const std::optional<SiteMapEntry> found = lookup(1);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->Url, "first.example/");
    EXPECT_EQ(found->Depth, 3);
    EXPECT_EQ(found->Entry, &entry);
    EXPECT_FALSE(lookup(2));
    queue.Clear();
    archive.Close();
}

} // namespace
} // namespace rv
