#include "client/briefs/brief.h"
#include "client/briefs/web-page.h"
#include "client/pages/entry-page.h"
#include "client/pages/page-processing.h"
#include "client/pages/previous-copy.h"
#include "client/pages/run-observer.h"
#include "store/archive-reader.h"
#include "store/archive-writer.h"
#include "store/link-cache.h"
#include "store/site-map.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace rv
{
namespace
{

void Answer(RetrievalRequest& request, int status, std::string_view body)
{
    const std::string header = "HTTP/1.0 " + std::to_string(status) + "\r\nContent-Type: text/html\r\n\r\n";
    request.Data.Clear();
    request.Data.Write(header);
    request.Data.Write(body);
    request.Data.Write("\0", 1);
    request.HeaderLength = header.size() - 4;
    request.HeaderComplete = 1;
    request.Status = status;
    request.Success = status == 200;
    request.BodyReady = 1;
    request.InProgress = 0;
}

const std::string Story = "<html><head><title>News</title></head><body>\n<h1>Daily news</h1>\n"
                          "<p>Rain is expected on Monday.\n<p>The bridge reopens in May.\n</body></html>\n";

// A brief whose third retrieval is under way, with the local server played
// by a table of archive file name -> stored previous copy.
class EntryPageTest : public test::SandboxedTest
{
protected:
    void SetUp() override
    {
        test::SandboxedTest::SetUp();
        queue_.emplace(lock_, Dir());
        brief_.BriefName = "News";
        brief_.Folder = Dir().string() + "/";
        brief_.ArchiveFiles = {"News.1.rvd", "News.2.rvd", "News.3.rvd"};
        entry_.URL = "http://host/news.html";
        entry_.FullRetrieval = false;
        entry_.MarkDiffs = true;
        run_.Brief = &brief_;
        run_.Progress.Track(&entry_);
        run_.SummaryName = "News.3.rvd";
        run_.ArchivePath = PathOf("News.3.rvd");
        run_.IndexDB = std::make_unique<TKSDB>();
        ASSERT_TRUE(run_.IndexDB->Open(run_.ArchivePath, "News"));
    }

    PageContext Context()
    {
        return PageContext{state_,
                           settings_,
                           *queue_,
                           observer_,
                           buffers_,
                           run_,
                           [] { return false; },
                           [] {},
                           [this](RetrievalRequest& request, std::chrono::seconds limit)
                           {
                               asked_.push_back(request.URL);
                               EXPECT_EQ(limit, std::chrono::seconds(64));
                               EXPECT_TRUE(request.Uncounted);
                               EXPECT_EQ(request.Entry, nullptr);
                               if (stopWhileFetching_)
                                   state_.StopRequested = true;
                               if (silent_)
                                   return false;
                               for (const auto& [file, copy] : stored_)
                                   if (request.URL.find("/" + file + "/") != std::string::npos)
                                   {
                                       Answer(request, 200, "<base href=\"http://127.0.0.1:1888/x/\">" + copy);
                                       return true;
                                   }
                               Answer(request, 404, "<html><title>Page Not Retrieved</title>");
                               return false;
                           }};
    }

    void Process(const std::string& body)
    {
        request_.URL = entry_.URL;
        request_.Entry = &entry_;
        request_.Brief = &brief_;
        request_.IsEntryPage = 1;
        request_.LinkNumber = 1;
        Answer(request_, 200, body);
        PageContext context = Context();
        ProcessEntryPage(context, request_);
    }

    // The archive's records by key, once it is closed.
    std::map<std::string, IndexRecord> Records()
    {
        run_.IndexDB->Close();
        std::map<std::string, IndexRecord> records;
        reader_ = ArchiveReader::OpenFile(run_.ArchivePath);
        for (IndexRecord& record : reader_->ReadIndex())
            records.emplace(record.Key, std::move(record));
        return records;
    }

    RunLock lock_;
    RunState state_;
    RetrievalSettings settings_;
    std::optional<TRetrievalList> queue_;
    RunObserver observer_;
    RunBuffers buffers_;
    BriefRun run_;
    TBrief brief_;
    TWebPage entry_;
    RetrievalRequest request_;
    std::map<std::string, std::string> stored_;
    std::vector<std::string> asked_;
    bool silent_ = false;
    bool stopWhileFetching_ = false;
    std::optional<ArchiveReader> reader_;
};

TEST(PreviousCopyTest, EarlierRetrievalsAreTriedNewestFirst)
{
    const std::vector<std::string> files = {"a.rvd", "b.rvd", "c.rvd"};
    EXPECT_EQ(EarlierRetrievals(files, "c.rvd"), (std::vector<std::string>{"b.rvd", "a.rvd"}));
    EXPECT_EQ(EarlierRetrievals(files, "b.rvd"), (std::vector<std::string>{"a.rvd"}));
    EXPECT_EQ(EarlierRetrievals(files, "unknown.rvd"), (std::vector<std::string>{"b.rvd", "a.rvd"}));
    EXPECT_TRUE(EarlierRetrievals(files, "a.rvd").empty());
    EXPECT_TRUE(EarlierRetrievals({}, "a.rvd").empty());
}

TEST(PreviousCopyTest, TheCopyIsNamedAfterTheStartAddressInStoreForm)
{
    RetrievalRequest request;
    request.URL = "http://host:8080/news.html#top \t";
    EXPECT_EQ(EntryPageName(request), "host:8080/news.html");
    request.URL = "host/index.html";
    request.Redirects = {"http://host", "host/home"};
    EXPECT_EQ(EntryPageName(request), "host/");

    EXPECT_EQ(LocalServerAddress(1888, "/home/ann/My Briefs/News.rvd", "host/a b.htmlKSDiffOrig"),
              "http://127.0.0.1:1888/home/ann/My%20Briefs/News.rvd/host/a%20b.htmlKSDiffOrig");
    EXPECT_EQ(WithoutServerBaseTag("<base href=\"http://127.0.0.1:1888/a.rvd/1/\"><html>"), "<html>");
    EXPECT_EQ(LocalServerAddress(1888, "/home/ann/a#b/N\xC3\xA8ws.rvd", "host/p?q=1KSDiffOrig"),
              "http://127.0.0.1:1888/home/ann/a%23b/N%C3%A8ws.rvd/host/p%3Fq%3D1KSDiffOrig");
    EXPECT_EQ(WithoutServerBaseTag("<base href=\"http://127.0.0.1:1888/a>b.rvd/1/\"><html>"), "<html>");
    EXPECT_EQ(WithoutServerBaseTag("<base href=\"http://elsewhere/\"><html>"), "<base href=\"http://elsewhere/\"><html>");
}

TEST_F(EntryPageTest, TheFirstRetrievalStoresThePageAsReceivedAndMarksNothing)
{
    Process(Story);
    EXPECT_EQ(asked_.size(), 2u);
    EXPECT_FALSE(run_.Progress.Of(&entry_)->DifferencesFound);
    EXPECT_TRUE(request_.DiffMarkers.empty());

    const auto records = Records();
    ASSERT_TRUE(records.contains("host/news.htmlKSDiffOrig"));
    const IndexRecord& copy = records.at("host/news.htmlKSDiffOrig");
    EXPECT_EQ(copy.Flags, 0x40);
    EXPECT_EQ(reader_->ReadPage(copy), Story);
    EXPECT_TRUE(records.contains("host/news.htmlKSDiffOrigProcessed"));
}

TEST_F(EntryPageTest, TheNewestKeptCopyIsComparedAndOneChangeGivesOneMarker)
{
    stored_["News.1.rvd"] = "<p>an old page";
    stored_["News.2.rvd"] = Story;
    std::string page = Story;
    page.replace(page.find("May"), 3, "June");
    Process(page);
    ASSERT_EQ(asked_.size(), 1u);
    EXPECT_EQ(asked_[0], LocalServerAddress(1888, PathOf("News.2.rvd"), "host/news.htmlKSDiffOrig"));
    EXPECT_TRUE(run_.Progress.Of(&entry_)->DifferencesFound);
    EXPECT_EQ(request_.DiffMarkers, std::vector<std::size_t>{page.find("The bridge")});
}

TEST_F(EntryPageTest, AMissingCopyFallsBackToTheRetrievalBefore)
{
    stored_["News.1.rvd"] = Story;
    Process(Story);
    EXPECT_EQ(asked_.size(), 2u);
    EXPECT_FALSE(run_.Progress.Of(&entry_)->DifferencesFound);
    EXPECT_TRUE(request_.DiffMarkers.empty());
}

TEST_F(EntryPageTest, ASilentServerIsAskedOnceAndThePageIsStoredAsAFullPage)
{
    silent_ = true;
    Process(Story);
    EXPECT_EQ(asked_.size(), 1u);
    EXPECT_FALSE(run_.Progress.Of(&entry_)->DifferencesFound);
    EXPECT_TRUE(Records().contains("host/news.htmlKSDiffOrig"));
}

TEST_F(EntryPageTest, ExtractingHandsOnTheReducedPage)
{
    entry_.MarkDiffs = false;
    stored_["News.2.rvd"] = Story;
    std::string page = Story;
    page.replace(page.find("Monday"), 6, "Friday");
    Process(page);
    EXPECT_TRUE(run_.Progress.Of(&entry_)->DifferencesFound);
    EXPECT_TRUE(request_.DiffMarkers.empty());
    const std::string_view body = ReceivedBody(request_);
    EXPECT_NE(body.find("Rain is expected on Friday."), std::string_view::npos);
    EXPECT_EQ(body.find("Daily news"), std::string_view::npos);
    // The previous copy keeps the page as received.
    const auto records = Records();
    EXPECT_EQ(reader_->ReadPage(records.at("host/news.htmlKSDiffOrig")), page);
}

TEST_F(EntryPageTest, SmartSearchMatchesAreRecordedAndPreserveOnlyDropsTheUnfilteredCopy)
{
    entry_.SmartSearch = true;
    entry_.SearchFor = "bridge";
    Process(Story);
    EXPECT_TRUE(run_.Progress.Of(&entry_)->MatchesFound);
    EXPECT_TRUE(run_.Progress.MatchesFound);

    run_.Progress.Of(&entry_)->MatchesFound = run_.Progress.MatchesFound = false;
    entry_.SearchFor = "tunnel";
    entry_.PreserveOnly = true;
    entry_.URL = "http://host/other.html";
    Process(Story);
    EXPECT_FALSE(run_.Progress.Of(&entry_)->MatchesFound);
    EXPECT_FALSE(run_.Progress.MatchesFound);
    const auto records = Records();
    EXPECT_TRUE(records.contains("host/news.htmlKSDiffOrigProcessed"));
    EXPECT_TRUE(records.contains("host/other.htmlKSDiffOrig"));
    EXPECT_FALSE(records.contains("host/other.htmlKSDiffOrigProcessed"));
}

TEST_F(EntryPageTest, AFullPageEntryComparesNothingButKeepsItsCopy)
{
    entry_.FullRetrieval = true;
    stored_["News.2.rvd"] = "<p>different";
    Process(Story);
    EXPECT_TRUE(asked_.empty());
    EXPECT_FALSE(run_.Progress.Of(&entry_)->DifferencesFound);
    const auto records = Records();
    EXPECT_TRUE(records.contains("host/news.htmlKSDiffOrig"));
    EXPECT_FALSE(records.contains("host/news.htmlKSDiffOrigProcessed"));
}

TEST_F(EntryPageTest, AStopWhileFetchingAbandonsThePage)
{
    stopWhileFetching_ = true;
    stored_["News.2.rvd"] = Story;
    Process(Story);
    EXPECT_TRUE(Records().empty());
}

} // namespace
} // namespace rv
