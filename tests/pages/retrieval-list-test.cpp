#include "client/briefs/brief.h"
#include "client/briefs/web-page.h"
#include "client/pages/retrieval-list.h"
#include "store/archive-reader.h"
#include "store/archive-writer.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

class RetrievalListTest : public test::SandboxedTest
{
protected:
    std::unique_ptr<RetrievalRequest> Request(std::string url, TBrief* brief = nullptr, TWebPage* entry = nullptr)
    {
        auto request = std::make_unique<RetrievalRequest>();
        request->URL = std::move(url);
        request->Brief = brief;
        request->Entry = entry;
        return request;
    }

    // Takes every request in queue order.
    std::vector<std::string> Drain(TRetrievalList& list)
    {
        std::vector<std::string> urls;
        for (int guard = 0; guard < 100000; ++guard)
        {
            TRetrievalList::Node* node = list.First();
            if (!node && list.Spilled() == 0 && list.Count() == 0)
                break;
            if (!node)
                continue;
            urls.push_back(node->Request->URL);
            list.Remove(node);
        }
        return urls;
    }

    RunLock lock;
};

std::string Le(std::uint32_t v)
{
    return {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
}
std::string T(std::string_view text)
{
    return Le(std::uint32_t(text.size())) + std::string(text);
}
std::string B(std::uint8_t v)
{
    return Le(1) + char(v);
}
std::string I(std::int32_t v)
{
    return Le(4) + Le(std::uint32_t(v));
}

TEST_F(RetrievalListTest, TheHundredAndFirstRequestSpillsAndComesBackInOrder)
{
    TRetrievalList list(lock, Dir());
    for (int i = 0; i < 250; ++i)
    {
        TRetrievalList::Node* node = list.Add(Request("h/" + std::to_string(i)));
        EXPECT_EQ(node == nullptr, i >= 100) << i;
    }
    EXPECT_EQ(list.Count(), 100);
    EXPECT_EQ(list.Spilled(), 150);
    EXPECT_TRUE(std::filesystem::exists(list.OverflowPath()));
    EXPECT_EQ(list.OverflowPath().filename().string().substr(0, 3), "rqo");

    std::vector<std::string> urls = Drain(list);
    ASSERT_EQ(urls.size(), 250u);
    for (int i = 0; i < 250; ++i)
        EXPECT_EQ(urls[i], "h/" + std::to_string(i));
    list.Clear();
    EXPECT_TRUE(list.OverflowPath().empty());
}

TEST_F(RetrievalListTest, AForcedAddStaysInMemoryBeyondTheLimit)
{
    TRetrievalList list(lock, Dir());
    for (int i = 0; i < 101; ++i)
        list.Add(Request("a/" + std::to_string(i)));
    EXPECT_NE(list.Add(Request("retry/1"), true), nullptr);
    EXPECT_EQ(list.Count(), 101);
    EXPECT_EQ(list.Spilled(), 1);
    std::vector<std::string> urls = Drain(list);
    ASSERT_EQ(urls.size(), 102u);
    EXPECT_EQ(urls[100], "retry/1");
    EXPECT_EQ(urls[101], "a/100");
}

TEST_F(RetrievalListTest, SpilledRecordHasItsExactBytesAndReadsBackWholly)
{
    TBrief brief;
    TWebPage entry;
    TRetrievalList list(lock, Dir());
    list.SetLimit(0);
    auto r = Request("example.org/a", &brief, &entry);
    r->FirstOfBrief = 1;
    r->RequestId = "3.1";
    r->ChildCount = 2;
    r->Referrer = "example.org/";
    r->EntryURL = "example.org/";
    r->IsEntryPage = 0;
    r->FollowExternal = 1;
    r->LinkNumber = 3;
    r->Depth = 4;
    r->WentExternal = 1;
    r->Level = 2;
    r->Retries = 1;
    r->TimeOut = 64;
    r->UseCredentials = 1;
    r->ReferrerChain = {"example.org/", "example.org/x"};
    r->Status = 200;
    r->Data.Write("body");
    EXPECT_EQ(list.Add(std::move(r)), nullptr);

    std::string expected = T("example.org/a") + B(1) + T("3.1") + I(2) + T("example.org/") + I(1) + I(2) + I(0) +
                           T("example.org/") + T("example.org/") + I(0) + B(0) + B(1) + I(3) + I(4) + B(1) + I(2) + B(0) +
                           B(0) + I(-1) + B(0) + B(0) + I(1) + I(64) + B(1) + B(0) + B(0) + Le(2) + T("example.org/") +
                           T("example.org/x");
    EXPECT_EQ(test::ReadFile(list.OverflowPath()), expected);

    list.SetLimit(100);
    EXPECT_EQ(list.First(), nullptr);
    TRetrievalList::Node* node = list.First();
    ASSERT_NE(node, nullptr);
    const RetrievalRequest& back = *node->Request;
    EXPECT_EQ(back.URL, "example.org/a");
    EXPECT_EQ(back.Brief, &brief);
    EXPECT_EQ(back.Entry, &entry);
    EXPECT_EQ(back.Referrer, std::optional<std::string>("example.org/"));
    EXPECT_EQ(back.TopLink, "example.org/");
    EXPECT_EQ(back.TimeOut, 64);
    EXPECT_EQ(back.ReferrerChain.size(), 2u);
    EXPECT_EQ(back.Status, -1);
    EXPECT_EQ(back.Data.Size(), 0u);
    EXPECT_TRUE(back.IsRetryCopy);
    EXPECT_EQ(StateOf(back), RequestState::Waiting);
}

TEST_F(RetrievalListTest, ASpilledFramePageComesBackAsAFramePage)
{
    TRetrievalList list(lock, Dir());
    list.SetLimit(0);
    for (const auto& [file, frame] : {std::pair{0, 1}, std::pair{1, 0}, std::pair{1, 1}})
    {
        auto r = Request("example.org/" + std::to_string(file) + std::to_string(frame));
        r->LoadAsFile = std::uint8_t(file);
        r->FrameContext = std::uint8_t(frame);
        list.Add(std::move(r));
    }
    list.SetLimit(100);
    for (const auto& [file, frame] : {std::pair{0, 1}, std::pair{1, 0}, std::pair{1, 1}})
    {
        TRetrievalList::Node* node = nullptr;
        for (int guard = 0; guard < 3 && !node; ++guard)
            node = list.First();
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->Request->URL, "example.org/" + std::to_string(file) + std::to_string(frame));
        EXPECT_EQ(node->Request->LoadAsFile, file);
        EXPECT_EQ(node->Request->FrameContext, frame);
        list.Remove(node);
    }
}

TEST_F(RetrievalListTest, DroppingABriefWhoseRequestsAreAllSpilledRecordsEachAsSkipped)
{
    TBrief kept;
    TBrief dropped;
    TRetrievalList list(lock, Dir());
    for (int i = 0; i < 100; ++i)
        list.Add(Request("keep/" + std::to_string(i), &kept));
    for (int i = 0; i < 60; ++i)
    {
        list.Add(Request("drop/" + std::to_string(i), &dropped));
        if (i % 3 == 0)
            list.Add(Request("keep/late" + std::to_string(i), &kept));
    }
    ASSERT_EQ(list.Spilled(), 80);

    TKSDB archive;
    ASSERT_TRUE(archive.Open(PathOf("a.rvd"), "info"));
    std::vector<int> percents;
    list.DropBrief(&dropped, &archive, [&](int percent) { percents.push_back(percent); });
    EXPECT_EQ(list.Spilled(), 20);
    EXPECT_EQ(percents, (std::vector<int>{25, 50, 75, 100}));
    ASSERT_TRUE(archive.Close());

    std::vector<IndexRecord> records = ArchiveReader::OpenFile(PathOf("a.rvd")).ReadIndex();
    ASSERT_EQ(records.size(), 60u);
    EXPECT_EQ(records[0].Key, "drop/0");
    EXPECT_EQ(records[0].Caption, "drop/0");
    EXPECT_LE(records[0].Offset, 0);

    std::vector<std::string> urls = Drain(list);
    ASSERT_EQ(urls.size(), 120u);
    EXPECT_EQ(urls[100], "keep/late0");
    EXPECT_EQ(urls[119], "keep/late57");

    // With only the dropped brief spilled, the segment ends empty.
    TRetrievalList only(lock, Dir());
    only.SetLimit(0);
    for (int i = 0; i < 5; ++i)
        only.Add(Request("drop/" + std::to_string(i), &dropped));
    only.DropBrief(&dropped, nullptr);
    EXPECT_EQ(only.Spilled(), 0);
    EXPECT_EQ(only.First(), nullptr);
}

TEST_F(RetrievalListTest, DroppingAnEntryKeepsTheOtherEntriesInOrder)
{
    TWebPage first;
    TWebPage second;
    TRetrievalList list(lock, Dir());
    list.SetLimit(0);
    for (int i = 0; i < 40; ++i)
        list.Add(Request("e/" + std::to_string(i) + std::string(i * 700, 'x'), nullptr, i % 2 ? &first : &second));
    list.DropEntry(&first, nullptr);
    list.SetLimit(100);
    std::vector<std::string> urls = Drain(list);
    ASSERT_EQ(urls.size(), 20u);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(urls[i], "e/" + std::to_string(2 * i) + std::string(2 * i * 700, 'x'));
}

// Requests spilled while earlier ones are read back, past several read
// windows: each comes back once, in order.
TEST_F(RetrievalListTest, SpillingWhileReadingBackKeepsTheOrder)
{
    TRetrievalList list(lock, Dir());
    list.SetLimit(1);
    std::vector<std::string> sent;
    std::vector<std::string> urls;
    for (int i = 0; i < 400; ++i)
    {
        sent.push_back("i/" + std::to_string(i) + std::string((i % 7) * 900, 'x'));
        list.Add(Request(sent.back()));
        if (i % 2 == 1)
        {
            TRetrievalList::Node* node = list.First();
            ASSERT_NE(node, nullptr);
            urls.push_back(node->Request->URL);
            list.Remove(node);
        }
    }
    for (std::string& url : Drain(list))
        urls.push_back(std::move(url));
    EXPECT_EQ(urls, sent);
}

TEST_F(RetrievalListTest, ADamagedOverflowFileIsReportedNotTrusted)
{
    TRetrievalList list(lock, Dir());
    list.SetLimit(0);
    list.Add(Request("a/b"));
    // A length that runs past the file's end.
    std::string bytes = test::ReadFile(list.OverflowPath());
    bytes[0] = '\xff';
    bytes[3] = '\x7f';
    test::WriteFile(list.OverflowPath(), bytes);
    list.SetLimit(100);
    EXPECT_THROW(list.First(), QueueFileError);
}

} // namespace
} // namespace rv
