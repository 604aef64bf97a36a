#include "store/link-cache.h"
#include "store/temp-files.h"
#include "tests/support/sandbox.h"

#include <atomic>
#include <csignal>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace rv
{
namespace
{

using test::ReadFile;
using test::SandboxedTest;

std::string Le32(std::uint32_t value)
{
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8)
    {
        bytes += static_cast<char>((value >> shift) & 0xFF);
    }
    return bytes;
}

std::string TextItem(std::string_view text)
{
    return Le32(static_cast<std::uint32_t>(text.size())) + std::string(text);
}

// Distinct URLs that all land in one top-level bucket: each 'b' (98) adds
// 1 to the level-0 hash.
std::vector<std::string> UrlsInBucket(std::uint32_t bucket, std::size_t count, std::string_view stem = "www.example.com/p")
{
    std::vector<std::string> urls;
    for (std::size_t n = 0; n < count; ++n)
    {
        const std::string base = std::string(stem) + std::to_string(n) + "/";
        const std::uint32_t missing = (bucket + TCache::BucketCount - TCache::Hash(base, 0)) % TCache::BucketCount;
        urls.push_back(base + std::string(missing, 'b'));
    }
    return urls;
}

// Every byte taken from {c, c + 97, c + 194}: the hash sees only bytes
// modulo 97, so these 27 three-byte keys share a bucket at every level and
// make a chain of sub-tables down to the deepest level.
std::vector<std::string> KeysCollidingAtEveryLevel()
{
    std::vector<std::string> keys;
    for (int a : {40, 137, 234})
    {
        for (int b : {41, 138, 235})
        {
            for (int c : {42, 139, 236})
            {
                keys.push_back({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c)});
            }
        }
    }
    return keys;
}

class RecordingLink : public TCacheLink
{
public:
    void TakeCachedText(std::uint8_t keepText, std::string_view text) override
    {
        keep = keepText;
        this->text = text;
    }
    std::uint8_t keep = 9;
    std::string text = "unset";
};

class LinkCacheTest : public SandboxedTest
{
protected:
    void SetUp() override
    {
        SandboxedTest::SetUp();
        cache = std::make_unique<TCache>(Dir(), lock, options);
    }
    void TearDown() override
    {
        cache.reset();
        SandboxedTest::TearDown();
    }

    void AddPlain(std::string_view url, std::int32_t level = 1) { cache->Add({.url = url, .title = url, .level = level}); }
    void AddForward(std::string_view url, std::string_view target)
    {
        cache->Add({.url = url, .forwardTo = target, .level = 1});
    }

    RunLock lock;
    TCacheOptions options;
    std::unique_ptr<TCache> cache;
};

TEST(LinkCacheHash, WeightsCycleFromOneToLevelPlusOne)
{
    // "abcd" = 97 98 99 100.
    EXPECT_EQ(TCache::Hash("abcd", 0), 394u % 97);                          // 1 1 1 1
    EXPECT_EQ(TCache::Hash("abcd", 1), (97u + 2 * 98 + 99 + 2 * 100) % 97); // 1 2 1 2
    EXPECT_EQ(TCache::Hash("abcd", 2), (97u + 2 * 98 + 3 * 99 + 100) % 97); // 1 2 3 1
    EXPECT_EQ(TCache::Hash("abcd", 0), 6u);
    EXPECT_EQ(TCache::Hash("abcd", 1), 10u);
    EXPECT_EQ(TCache::Hash("abcd", 2), 11u);
    EXPECT_EQ(TCache::Hash("", 0), 0u);
    // Bytes count unsigned: 255 and 255 + 2 * 255.
    EXPECT_EQ(TCache::Hash("\xff", 0), 61u);
    EXPECT_EQ(TCache::Hash("\xff\xff", 1), 86u);
}

TEST_F(LinkCacheTest, AddedRecordComesBackWithEveryField)
{
    RecordingLink link;
    auto copy = cache->Add({.url = "a.com/x",
                            .title = "say \"hi\"",
                            .returnCopy = true,
                            .origin = "origin",
                            .option = 4,
                            .text = "kept",
                            .mark = 2,
                            .link = &link,
                            .visited = 1,
                            .level = 3,
                            .keepText = 1});
    ASSERT_NE(copy, nullptr);
    auto found = cache->Find("a.com/x");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(*found, *copy);
    EXPECT_EQ(found->Title, "say &quot;hi&quot;");
    EXPECT_EQ(found->Text, "kept");
    EXPECT_EQ(found->Origin, "origin");
    EXPECT_EQ(found->Option, 4);
    EXPECT_EQ(found->Mark, 2);
    EXPECT_EQ(found->Visited, 1);
    EXPECT_EQ(found->Level, 3);
    EXPECT_EQ(found->Link, &link);
    EXPECT_EQ(link.keep, 1);
    EXPECT_EQ(link.text, "kept");
    EXPECT_EQ(cache->Add({.url = "a.com/y", .level = 1}), nullptr);
}

TEST_F(LinkCacheTest, TextIsKeptOnlyWithKeepText)
{
    cache->Add({.url = "a.com/x", .text = "dropped", .level = 1});
    EXPECT_EQ(cache->Find("a.com/x")->Text, "");
}

TEST_F(LinkCacheTest, AddingAnExistingUrlOverwritesItInPlace)
{
    AddPlain("a.com/x", 1);
    cache->Add({.url = "a.com/x", .title = "new", .visited = 1, .level = 7});
    auto found = cache->Find("a.com/x");
    EXPECT_EQ(found->Title, "new");
    EXPECT_EQ(found->Level, 7);
    EXPECT_EQ(cache->Bucket(static_cast<int>(TCache::Hash("a.com/x", 0))).Count, 1);
}

TEST_F(LinkCacheTest, EmptyUrlIsAKeyOfItsOwn)
{
    EXPECT_FALSE(cache->Contains(""));
    cache->Add({.url = "", .title = "nameless", .level = 1});
    ASSERT_TRUE(cache->Contains(""));
    EXPECT_EQ(cache->Find("")->Title, "nameless");
    EXPECT_FALSE(cache->Contains("a"));
}

TEST_F(LinkCacheTest, EleventhUrlInABucketMovesTheBucketToDisk)
{
    const auto urls = UrlsInBucket(5, 11);
    for (std::size_t n = 0; n < 10; ++n)
    {
        AddPlain(urls[n]);
    }
    EXPECT_EQ(cache->Bucket(5).DiskOffset, -1);
    EXPECT_EQ(cache->SpillEnd(), 0);

    AddPlain(urls[10]);
    const auto& bucket = cache->Bucket(5);
    EXPECT_EQ(bucket.DiskOffset, 0);
    EXPECT_EQ(bucket.Count, 10);
    EXPECT_TRUE(bucket.List.Empty());
    EXPECT_GT(cache->SpillEnd(), 0);
    for (const auto& url : urls)
    {
        ASSERT_TRUE(cache->Contains(url)) << url;
        EXPECT_EQ(cache->Find(url)->Title, url);
    }

    // A later add appends its own record and nothing else.
    const auto end = cache->SpillEnd();
    const std::string later = UrlsInBucket(5, 12).back();
    AddPlain(later);
    EXPECT_EQ(cache->Bucket(5).DiskOffset, 0);
    EXPECT_LE(cache->SpillEnd() - end, static_cast<std::int64_t>(64 + 2 * later.size()));
    EXPECT_EQ(cache->GarbageBytes(), 0);
}

TEST_F(LinkCacheTest, SpilledRecordsAreWrittenByteForByte)
{
    // Two-byte keys whose bytes sum to 195 share top-level bucket 1.
    const std::vector<std::string> keys = {"ab", "ba", "`c", "c`", "_d", "d_", "^e", "e^", "]f", "f]", "\\g"};
    for (const auto& key : keys)
    {
        ASSERT_EQ(TCache::Hash(key, 0), 1u) << key;
    }
    for (std::size_t n = 1; n < keys.size(); ++n)
    {
        cache->Add({.url = keys[n], .level = 1});
    }
    cache->Add({.url = "ab",
                .title = "say \"hi\"",
                .origin = "o",
                .option = 4,
                .text = "T",
                .mark = 2,
                .visited = 1,
                .level = 3,
                .keepText = 1});

    // Slot size, bytes used, then the fields; padded to 8 bytes.
    auto slot = [](const std::string& fields)
    {
        const std::size_t used = 8 + fields.size();
        const std::size_t size = (used + 7) / 8 * 8;
        return Le32(static_cast<std::uint32_t>(size)) + Le32(static_cast<std::uint32_t>(used)) + fields +
               std::string(size - used, '\0');
    };
    auto plain = [&](std::string_view key)
    {
        return slot(TextItem(key) + TextItem("") + '\0' + Le32(1) + '\0' + '\0' + TextItem("") + '\0' + TextItem("") +
                    TextItem(""));
    };
    // The index page comes first; it stays in memory, so the file holds it empty.
    std::string expected(TCache::IndexPageBytes, '\0');
    for (std::size_t n = 1; n < keys.size(); ++n)
    {
        expected += plain(keys[n]);
    }
    expected += slot(TextItem("ab") + TextItem("say &quot;hi&quot;") + '\x01' + Le32(3) + '\x01' + '\x02' + TextItem("T") +
                     '\x04' + TextItem("") + TextItem("o"));
    cache->Flush();
    EXPECT_EQ(ReadFile(cache->SpillFileName()), expected);
    EXPECT_EQ(cache->SpillEnd(), static_cast<std::int64_t>(expected.size()));
}

TEST_F(LinkCacheTest, RecordsThatWentThroughTheFileKeepEverythingButTheLink)
{
    RecordingLink link;
    const auto urls = UrlsInBucket(9, 11);
    cache->Add({.url = urls[0],
                .title = "t \"q\"",
                .origin = "from",
                .option = 1,
                .text = "body",
                .mark = 3,
                .link = &link,
                .visited = 1,
                .level = 1000,
                .keepText = 1});
    for (std::size_t n = 1; n < urls.size(); ++n)
    {
        AddPlain(urls[n]);
    }
    ASSERT_NE(cache->Bucket(9).DiskOffset, -1);
    auto found = cache->Find(urls[0]);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Title, "t &quot;q&quot;");
    EXPECT_EQ(found->Text, "body");
    EXPECT_EQ(found->Origin, "from");
    EXPECT_EQ(found->Level, 1000);
    EXPECT_EQ(found->Option, 1);
    EXPECT_EQ(found->Mark, 3);
    EXPECT_EQ(found->Visited, 1);
    EXPECT_EQ(found->Link, nullptr);
}

TEST_F(LinkCacheTest, TextsLongerThanTheReadWindowSurviveTheFile)
{
    const std::string longUrl = "www.example.com/" + std::string(50 * 1024, 'u');
    const std::string longTitle(30 * 1024, 't');
    const std::string longText(12 * 1024, 'x');
    const auto bucket = TCache::Hash(longUrl, 0);
    cache->Add({.url = longUrl, .title = longTitle, .text = longText, .level = 1, .keepText = 1});
    for (const auto& url : UrlsInBucket(bucket, 10))
    {
        AddPlain(url);
    }
    ASSERT_NE(cache->Bucket(static_cast<int>(bucket)).DiskOffset, -1);
    auto found = cache->Find(longUrl);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Url, longUrl);
    EXPECT_EQ(found->Title, longTitle);
    EXPECT_EQ(found->Text, longText);
    for (const auto& url : UrlsInBucket(bucket, 10))
    {
        EXPECT_TRUE(cache->Contains(url));
    }
}

TEST_F(LinkCacheTest, RedirectedUrlIsFoundAsItsTarget)
{
    AddPlain("a.com/new", 4);
    AddForward("a.com/old", "a.com/new");
    auto found = cache->Find("a.com/old");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Url, "a.com/new");
    EXPECT_EQ(found->Level, 4);

    AddForward("a.com/gone", "a.com/nowhere");
    EXPECT_EQ(cache->Find("a.com/gone"), nullptr);
    EXPECT_FALSE(cache->Contains("a.com/gone"));
}

TEST_F(LinkCacheTest, RedirectsInACircleFindNothing)
{
    AddForward("a", "b");
    AddForward("b", "a");
    AddForward("self", "self");
    EXPECT_FALSE(cache->Contains("a"));
    EXPECT_FALSE(cache->Contains("self"));
}

TEST_F(LinkCacheTest, RedirectIsFollowedIntoASpilledBucket)
{
    const auto urls = UrlsInBucket(40, 11);
    for (const auto& url : urls)
    {
        AddPlain(url, 2);
    }
    AddForward("short.link/x", urls[3]);
    auto found = cache->Find("short.link/x");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Url, urls[3]);

    // A spilled record that forwards: found only while its target is there.
    const auto spilled = UrlsInBucket(41, 11);
    for (const auto& url : spilled)
    {
        AddForward(url, "a.com/nowhere");
    }
    EXPECT_FALSE(cache->Contains(spilled[10]));
    AddForward(spilled[10], urls[3]);
    EXPECT_TRUE(cache->Contains(spilled[10]));
}

TEST_F(LinkCacheTest, PutUpdatesOnlyUrlsThatAreThere)
{
    AddPlain("a.com/x");
    auto record = cache->Find("a.com/x");
    record->Visited = 1;
    record->Title = "with \"quotes\"";
    EXPECT_TRUE(cache->Put(std::move(record)));
    EXPECT_EQ(cache->Find("a.com/x")->Visited, 1);
    EXPECT_EQ(cache->Find("a.com/x")->Title, "with &quot;quotes&quot;");

    auto stranger = std::make_unique<TPageRecord>();
    stranger->Url = "b.com/";
    EXPECT_FALSE(cache->Put(std::move(stranger)));
    EXPECT_FALSE(cache->Contains("b.com/"));
}

TEST_F(LinkCacheTest, PutOfARedirectedUrlUpdatesItsTarget)
{
    AddPlain("a.com/new");
    AddForward("a.com/old", "a.com/new");
    auto record = std::make_unique<TPageRecord>();
    record->Url = "a.com/old";
    record->Title = "stored";
    record->Visited = 1;
    EXPECT_TRUE(cache->Put(std::move(record)));
    auto target = cache->Find("a.com/new");
    EXPECT_EQ(target->Url, "a.com/new");
    EXPECT_EQ(target->Title, "stored");
    EXPECT_EQ(target->Visited, 1);
}

TEST_F(LinkCacheTest, PutIntoASpilledBucketRewritesItsRecordInPlaceUntilItGrows)
{
    const auto urls = UrlsInBucket(70, 11);
    for (const auto& url : urls)
    {
        AddPlain(url);
    }
    const auto before = cache->SpillEnd();
    auto record = cache->Find(urls[0]);
    record->Mark = 9;
    EXPECT_TRUE(cache->Put(std::move(record)));
    EXPECT_EQ(cache->SpillEnd(), before);
    EXPECT_EQ(cache->Find(urls[0])->Mark, 9);

    record = cache->Find(urls[0]);
    record->Title = std::string(100, 't');
    EXPECT_TRUE(cache->Put(std::move(record)));
    EXPECT_GT(cache->SpillEnd(), before);
    EXPECT_GT(cache->GarbageBytes(), 0);
    EXPECT_EQ(cache->Find(urls[0])->Title, std::string(100, 't'));
    EXPECT_EQ(cache->Find(urls[0])->Mark, 9);
}

TEST_F(LinkCacheTest, KeysThatCollideAtEveryLevelStayTogetherAtTheDeepestLevel)
{
    for (const auto& key : KeysCollidingAtEveryLevel())
    {
        AddPlain(key);
    }
    for (const auto& key : KeysCollidingAtEveryLevel())
    {
        EXPECT_TRUE(cache->Contains(key));
    }
}

TEST_F(LinkCacheTest, DestroyDeletesTheSpillFile)
{
    for (const auto& url : UrlsInBucket(1, 11))
    {
        AddPlain(url);
    }
    const auto file = cache->SpillFileName();
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(file.parent_path(), Dir() / "temp");
    EXPECT_EQ(file.filename().string().substr(0, 3), TempPrefixLinkCache);
    cache->Destroy();
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_FALSE(cache->Contains(UrlsInBucket(1, 1)[0]));
}

TEST_F(LinkCacheTest, DamagedSpillFileIsReportedNotTrusted)
{
    const auto urls = UrlsInBucket(2, 11);
    for (const auto& url : urls)
    {
        AddPlain(url);
    }
    cache->Flush();
    const auto file = cache->SpillFileName();
    const std::string good = ReadFile(file);
    const std::size_t url = good.find(TextItem(urls[0]));
    ASSERT_NE(url, std::string::npos);
    // Each corruption: where in the record of urls[0] a number is overwritten, and with what.
    const std::vector<std::pair<std::size_t, std::uint32_t>> damages = {
        {url - 8, 0x7FFFFFF0}, // a slot past the end of the file
        {url - 4, 0x7FFFFFF0}, // more bytes used than the slot has
        {url - 4, 4},          // fewer bytes used than its header
        {url, 0x00FFFFFF},     // the URL runs past the record
    };
    for (const auto& [offset, value] : damages)
    {
        std::string damaged = good;
        damaged.replace(offset, 4, Le32(value));
        test::WriteFile(file, damaged);
        EXPECT_THROW(cache->Contains(urls[0]), CacheSpillError) << "offset " << offset;
    }
    test::WriteFile(file, good);
    EXPECT_TRUE(cache->Contains(urls[0]));
}

TEST_F(LinkCacheTest, FailedSpillWriteIsReportedAndLosesNothingStored)
{
    // Appended records wait in memory until a write of many at once; the
    // add that sets it off and fails leaves the cache as it was.
    const auto urls = UrlsInBucket(11, 2000);
    for (std::size_t n = 0; n < 10; ++n)
    {
        AddPlain(urls[n]);
    }
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit tight = saved;
    tight.rlim_cur = 100;
    setrlimit(RLIMIT_FSIZE, &tight);
    std::size_t added = 10;
    std::int64_t end = 0;
    bool refused = false;
    for (; added < urls.size() && !refused; ++added)
    {
        end = cache->SpillEnd();
        try
        {
            AddPlain(urls[added]);
        }
        catch (const CacheSpillError&)
        {
            refused = true;
        }
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    ASSERT_TRUE(refused);
    const std::string& failed = urls[--added];
    EXPECT_EQ(cache->SpillEnd(), end);
    EXPECT_FALSE(cache->Contains(failed));
    for (std::size_t n = 0; n < added; ++n)
    {
        ASSERT_TRUE(cache->Contains(urls[n])) << n;
    }
    AddPlain(failed);
    EXPECT_TRUE(cache->Contains(failed));
}

class SmallSpillLinkCacheTest : public LinkCacheTest
{
protected:
    void SetUp() override
    {
        options.GarbageLimit = 4096;
        options.MaxSpillBytes = 1000000;
        options.ResidentIndexPages = 2;
        LinkCacheTest::SetUp();
    }
};

TEST_F(SmallSpillLinkCacheTest, GrownRecordsLeftBehindAreReclaimed)
{
    std::vector<std::string> all;
    for (std::uint32_t bucket : {3u, 50u, 96u})
    {
        for (const auto& url : UrlsInBucket(bucket, 30))
        {
            AddPlain(url);
            all.push_back(url);
        }
    }
    for (const auto& url : UrlsInBucket(20, 4))
    {
        AddPlain(url);
        all.push_back(url);
    }
    for (const auto& key : KeysCollidingAtEveryLevel())
    {
        AddPlain(key);
        all.push_back(key);
    }
    // Enough for index pages that are not in memory when the file is copied.
    for (int n = 0; n < 3000; ++n)
    {
        all.push_back("site" + std::to_string(n % 17) + ".org/dir/" + std::to_string(n));
        AddPlain(all.back());
    }
    const auto oldFile = cache->SpillFileName();
    std::vector<std::string> titles = all;
    bool compacted = false;
    for (int round = 0; round < 20 && !compacted; ++round)
    {
        for (std::size_t n = 0; n < all.size() && !compacted; ++n)
        {
            const auto before = cache->SpillEnd();
            auto record = cache->Find(all[n]);
            record->Level = 7;
            record->Title += std::string(64, 't');
            titles[n] = record->Title;
            ASSERT_TRUE(cache->Put(std::move(record)));
            compacted = cache->SpillFileName() != oldFile;
            if (compacted)
            {
                EXPECT_LT(cache->SpillEnd(), before);
            }
        }
    }
    EXPECT_TRUE(compacted);
    EXPECT_FALSE(std::filesystem::exists(oldFile));
    EXPECT_TRUE(std::filesystem::exists(cache->SpillFileName()));
    EXPECT_LT(cache->GarbageBytes(), cache->SpillEnd() - cache->GarbageBytes());
    for (std::size_t n = 0; n < all.size(); ++n)
    {
        auto found = cache->Find(all[n]);
        ASSERT_NE(found, nullptr) << all[n];
        EXPECT_EQ(found->Title, titles[n]) << all[n];
        EXPECT_EQ(found->Level, titles[n] == all[n] ? 1 : 7) << all[n];
    }
}

TEST_F(SmallSpillLinkCacheTest, ReplacedCopiesAreReclaimedWithoutAnyPut)
{
    std::vector<std::string> urls;
    for (int n = 0; n < 3000; ++n)
    {
        urls.push_back("site" + std::to_string(n % 17) + ".org/dir/" + std::to_string(n));
        AddPlain(urls.back());
        ASSERT_LE(cache->SpillEnd(), options.MaxSpillBytes);
    }
    for (const auto& url : urls)
    {
        ASSERT_TRUE(cache->Contains(url)) << url;
    }
}

TEST_F(SmallSpillLinkCacheTest, FullSpillFileRefusesTheAddAndKeepsTheRest)
{
    std::vector<std::string> urls;
    bool refused = false;
    for (int n = 0; n < 20000 && !refused; ++n)
    {
        std::string url = "x.org/" + std::to_string(n) + std::string(2000, 'p');
        try
        {
            AddPlain(url);
            urls.push_back(url);
        }
        catch (const CacheSpillError&)
        {
            refused = true;
        }
    }
    EXPECT_TRUE(refused);
    for (const auto& url : urls)
    {
        ASSERT_TRUE(cache->Contains(url)) << url;
    }
}

// The spill file traffic of one new link (looked up, added, looked up again,
// as the link policy does) must not grow with the links already stored:
// reading back whole tables of older links made big pages take minutes.
struct TrafficCase
{
    const char* name;
    std::size_t residentPages; // 0: the default front
    std::int64_t bytesPerLink;
};

class LinkCacheTrafficTest : public LinkCacheTest, public ::testing::WithParamInterface<TrafficCase>
{
protected:
    void SetUp() override
    {
        if (GetParam().residentPages != 0)
        {
            options.ResidentIndexPages = GetParam().residentPages;
        }
        LinkCacheTest::SetUp();
    }
};

TEST_P(LinkCacheTrafficTest, SpillTrafficPerLinkStaysBounded)
{
    constexpr int Links = 200000;
    constexpr int Window = 2000;
    auto urlOf = [](int n) {
        return "www.site" + std::to_string(n % 397) + ".org/docs/" + std::to_string(n / 1000) + "/p" + std::to_string(n) +
               ".html";
    };
    for (int first = 0; first < Links; first += Window)
    {
        const SpillTraffic before = cache->Traffic();
        for (int n = first; n < first + Window; ++n)
        {
            const std::string url = urlOf(n);
            ASSERT_FALSE(cache->Contains(url)) << url;
            AddPlain(url);
            ASSERT_TRUE(cache->Contains(url)) << url;
        }
        const SpillTraffic after = cache->Traffic();
        const std::int64_t perLink = (after.BytesRead - before.BytesRead + after.BytesWritten - before.BytesWritten) / Window;
        ASSERT_LE(perLink, GetParam().bytesPerLink) << "with " << first << " links stored";
    }
    for (int n = 0; n < Links; n += 997)
    {
        ASSERT_EQ(cache->Find(urlOf(n))->Title, urlOf(n));
    }
}

INSTANTIATE_TEST_SUITE_P(Fronts, LinkCacheTrafficTest,
                         ::testing::Values(TrafficCase{"DefaultFront", 0, 2048}, TrafficCase{"TinyFront", 4, 4 * 4096}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LinkCacheTest, ConcurrentCallersSeeEveryRecord)
{
    constexpr int PerThread = 400;
    std::vector<std::thread> threads;
    std::atomic<int> missing{0};
    for (int t = 0; t < 3; ++t)
    {
        threads.emplace_back(
            [&, t]
            {
                for (int n = 0; n < PerThread; ++n)
                {
                    const std::string url = "t" + std::to_string(t) + ".net/" + std::to_string(n);
                    AddPlain(url);
                    missing += cache->Contains(url) ? 0 : 1;
                }
            });
    }
    for (auto& thread : threads)
    {
        thread.join();
    }
    EXPECT_EQ(missing, 0);
}

} // namespace
} // namespace rv
