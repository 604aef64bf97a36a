#include "client/briefs/brief.h"
#include "client/briefs/web-page.h"
#include "client/pages/css-scan.h"
#include "client/pages/page-processing.h"
#include "client/pages/run-observer.h"
#include "client/pages/store-address.h"
#include "store/archive-reader.h"
#include "store/archive-writer.h"
#include "store/link-cache.h"
#include "store/site-map.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>
#include <map>

namespace rv
{
namespace
{

// A brief run made by hand: archive, cache and site map in a sandbox, one
// entry, and the queue that followed links go to.
class PageProcessingTest : public test::SandboxedTest
{
protected:
    void SetUp() override
    {
        SandboxedTest::SetUp();
        settings.ProgramFolder = Dir();
        queue = std::make_unique<TRetrievalList>(lock, Dir());
        run.Brief = &brief;
        run.Progress.Track(&entry);
        brief.BriefName = "News";
        run.ArchivePath = PathOf("news.rvd");
        run.IndexDB = std::make_unique<TKSDB>();
        ASSERT_TRUE(run.IndexDB->Open(run.ArchivePath, "News"));
        run.Cache = std::make_unique<TCache>(Dir(), lock);
        run.SiteMap = std::make_unique<TSiteMap>(run.ArchivePath);
        entry.URL = "http://host/dir/page.html";
        entry.EntryName = "Entry";
        entry.SpiderDepth = 3;
        entry.Images = true;
        context = std::make_unique<PageContext>(PageContext{state, settings, *queue, observer, buffers, run, {}, {}, {}});
    }

    std::unique_ptr<RetrievalRequest> Request(std::string url, std::string_view body, std::int32_t level = 1)
    {
        auto request = std::make_unique<RetrievalRequest>();
        request->URL = std::move(url);
        request->Data.Write(body);
        request->Data.Write("\0", 1);
        request->Success = 1;
        request->BodyReady = 1;
        request->InProgress = 0;
        request->NotStarted = 0;
        request->Entry = &entry;
        request->Brief = &brief;
        request->Cache = run.Cache.get();
        request->IndexDB = run.IndexDB.get();
        request->TopLink = entry.URL;
        request->EntryURL = entry.URL;
        request->Depth = entry.SpiderDepth;
        request->Level = level;
        request->RequestId = "0";
        request->IsEntryPage = level == 1;
        return request;
    }

    // Processes a page at the entry's address (level 1 unless given).
    void Process(std::string_view body, std::string url = "host/dir/page.html", std::int32_t level = 1)
    {
        auto request = Request(std::move(url), body, level);
        ProcessPage(*context, *request);
    }

    // Closes the archive and reads every record and the stored pages.
    void Close()
    {
        ASSERT_TRUE(run.IndexDB->Close());
        ArchiveReader reader = ArchiveReader::OpenFile(run.ArchivePath);
        for (IndexRecord& record : reader.ReadIndex())
        {
            if (record.Offset > 0)
                pages[record.Key] = reader.ReadPage(record);
            records[record.Key] = std::move(record);
        }
    }

    std::string Page(const std::string& key = "host/dir/page.html")
    {
        if (records.empty())
            Close();
        auto found = pages.find(key);
        return found == pages.end() ? std::string("(missing " + key + ")") : found->second;
    }

    const IndexRecord* Record(const std::string& key)
    {
        if (records.empty())
            Close();
        auto found = records.find(key);
        return found == records.end() ? nullptr : &found->second;
    }

    // Takes every queued request off the queue, in order.
    std::vector<std::unique_ptr<RetrievalRequest>> Queued()
    {
        std::vector<std::unique_ptr<RetrievalRequest>> out;
        while (TRetrievalList::Node* node = queue->First())
        {
            std::unique_ptr<RetrievalRequest> request;
            queue->Remove(node, &request);
            out.push_back(std::move(request));
        }
        return out;
    }

    std::vector<std::string> QueuedUrls()
    {
        std::vector<std::string> urls;
        for (auto& request : Queued())
            urls.push_back(request->URL);
        return urls;
    }

    RunLock lock;
    RunState state;
    RetrievalSettings settings;
    std::unique_ptr<TRetrievalList> queue;
    RunObserver observer;
    RunBuffers buffers;
    BriefRun run;
    TBrief brief;
    TWebPage entry;
    std::unique_ptr<PageContext> context;
    std::map<std::string, IndexRecord> records;
    std::map<std::string, std::string> pages;
};

// One rewriting case: a fragment of a page at http://host/dir/page.html and
// a text the stored page must hold (and one it must not).
struct RewriteRow
{
    const char* name;
    const char* html;
    const char* expected;
    const char* absent;
    bool images;
};

const RewriteRow RewriteRows[] = {
    {"AnchorLosesScheme", "<a href=\"http://host/a.html\" class=x>A</a>", "<a href=\"host/a.html\" class=x>A</a>",
     "http:", true},
    {"PortColonIsEncoded", "<a href=\"http://host:8080/a.html\">A</a>", "<a href=\"host&amp;colon;8080/a.html\">", nullptr,
     true},
    {"UnquotedValueKeepsItsForm", "<a href=b.html>B</a>", "<a href=host/dir/b.html>B</a>", nullptr, true},
    {"ImageOff", "<img src=\"pic.gif\">", "<img src=\"images/NotLoaded\">", "pic.gif", false},
    {"ImageOn", "<img src=\"pic.gif\">", "<img src=\"host/dir/pic.gif\">", nullptr, true},
    {"AmpDecodedBeforeResolving", "<a href=\"q.cgi?a=1&amp;b=2\">Q</a>", "href=\"host/dir/q.cgi?a=1&amp;b=2\"", nullptr, true},
    {"DotDotFolds", "<a href=\"a/b/../c\">C</a>", "href=\"host/dir/a/c\"", nullptr, true},
    {"DotSlashFolds", "<a href=\"./x\">X</a>", "href=\"host/dir/x\"", nullptr, true},
    {"FragmentStaysOnPage", "<a href=\"#part\">P</a>", "href=\"host/dir/page.html#part\"", nullptr, true},
    {"HostWithoutPathGetsSlash", "<a href=\"http://host\">H</a>", "href=\"host/\"", nullptr, true},
    {"JavaScriptLeftAlone", "<a href=\"javascript:go('x')\">J</a>", "href=\"javascript:go('x')\"", nullptr, true},
    {"MailtoLeftAlone", "<a href=\"mailto:ann@host\">M</a>", "href=\"mailto:ann@host\"", nullptr, true},
    {"FormGoesToTheRealSite", "<form action=\"/cgi-bin/find\">", "action=\"http://host/cgi-bin/find\"", nullptr, true},
    {"UsemapIsAbsolute", "<img src=x.gif usemap=\"#m\">", "usemap=\"http://host/dir/page.html#m\"", nullptr, true},
    {"ServerSideMapIsAbsolute", "<a href=\"/map.cgi\"><img src=m.gif ismap></a>", "href=\"http://host/map.cgi\"", nullptr,
     true},
    {"QuoteInValueIsEscaped", "<a href=\"a&quot;b.html\">Q</a>", "href=\"host/dir/a&quot;b.html\"", nullptr, true},
    {"StyleSheetIsLoaded", "<link rel=\"stylesheet\" href=\"s.css\">", "href=\"host/dir/s.css\"", nullptr, true},
    {"ScriptSourceIsLoaded", "<body><script src=\"j.js\"></script>", "src=\"host/dir/j.js\"", nullptr, true},
    {"UpperCaseTagsAndNames", "<A HREF=\"x.html\">X</A>", "<A HREF=\"host/dir/x.html\">", nullptr, true},
    {"StyleBlockUrlResolvesAgainstThePage", "<style>b{background:url(bg.png)}i{background:url(data:image/png,A)}</style>",
     "<style>b{background:url(\"./host/dir/bg.png\")}i{background:url(data:image/png,A)}</style>", "url(bg.png)", true},
    {"StyleBlockImageOff", "<style>p{background:url('x.png')}</style>", "url(\"./images/NotLoaded\")", "x.png", false},
    {"StyleAttributeUrl", "<div style=\"background:url(&quot;a.png&quot;)\">",
     "style=\"background:url(&quot;./host/dir/a.png&quot;)\"", nullptr, true},
    {"StyleImportWithPortReadsAsAPath", "<style>@import 'http://host:81/s.css';</style>", "@import url(\"./host:81/s.css\");",
     nullptr, true},
    {"SrcsetEveryCandidateKeepsItsDescriptor", "<img src=a.png srcset=\"a.png 1x, b/c.png 2x,d.png 480w\" sizes=\"9vw\">",
     "srcset=\"host/dir/a.png 1x, host/dir/b/c.png 2x,host/dir/d.png 480w\" sizes=\"9vw\">", nullptr, true},
    {"SrcsetImagesOff", "<img srcset=\"a.png 2x\">", "srcset=\"images/NotLoaded 2x\"", "a.png", false},
    {"PictureSourceSrcset", "<picture><source srcset=\"w.webp\" type=image/webp><img src=w.jpg></picture>",
     "<picture><source srcset=\"host/dir/w.webp\" type=image/webp><img src=host/dir/w.jpg>", nullptr, true},
    {"DataSrcReplacesAPlaceholder", "<img src=\"data:image/gif;base64,R0l\" data-src=\"real.jpg\" data-srcset=\"r2.jpg 2x\">",
     "<img srcset=\"host/dir/r2.jpg 2x\" src=\"host/dir/real.jpg\" data-src=\"host/dir/real.jpg\" "
     "data-srcset=\"host/dir/r2.jpg 2x\">",
     nullptr, true},
    {"DataSrcWithoutSrcIsWrittenIn", "<img class=lazy data-src=\"real.jpg\">",
     "<img src=\"host/dir/real.jpg\" class=lazy data-src=\"host/dir/real.jpg\">", nullptr, true},
    {"RealSrcStaysBesideDataSrc", "<img src=\"thumb.jpg\" data-src=\"big.jpg\">",
     "<img src=\"host/dir/thumb.jpg\" data-src=\"host/dir/big.jpg\">", nullptr, true},
    {"ImageAttributesInAnyOrder", "<img usemap=\"#m\" srcset=\"x.png 2x\" src=\"y.png\">",
     "<img usemap=\"http://host/dir/page.html#m\" srcset=\"host/dir/x.png 2x\" src=\"host/dir/y.png\">", nullptr, true},
    {"PreloadedImageFollowsTheImagesSwitch", "<link rel=\"preload\" as=\"image\" href=\"p.png\">", "href=\"images/NotLoaded\"",
     "p.png", false},
    {"VideoPosterIsAnImageAndItsSourcesArePlugIns", "<video poster=\"v.jpg\" src=\"v.mp4\"><track src=\"v.vtt\"></video>",
     "<video poster=\"host/dir/v.jpg\" src=\"images/NotLoaded\"><track src=\"images/NotLoaded\">", nullptr, true},
    {"SvgImageAndUse", "<svg><image xlink:href=\"s.png\"/><use href=\"icons.svg#i\"/><use href=\"#own\"/></svg>",
     "<image xlink:href=\"host/dir/s.png\"/><use href=\"host/dir/icons.svg#i\"/><use href=\"#own\"/>", nullptr, true},
    {"AttributeNameMustFollowSpace", "<a data-href=\"x.html\" href=y.html>", "data-href=\"x.html\" href=host/dir/y.html",
     nullptr, true},
};

class RewriteTest : public PageProcessingTest, public ::testing::WithParamInterface<RewriteRow>
{
};

TEST_P(RewriteTest, StoredPageHoldsTheRewrittenAddress)
{
    const RewriteRow& row = GetParam();
    entry.Images = row.images;
    Process(std::string("<html><body>") + row.html + "</body></html>");
    const std::string page = Page();
    EXPECT_NE(page.find(row.expected), std::string::npos) << page;
    if (row.absent)
    {
        EXPECT_EQ(page.find(row.absent), std::string::npos) << page;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, RewriteTest, ::testing::ValuesIn(RewriteRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PageProcessingTest, PageIsStoredWithItsBodyTagAsHeadPart)
{
    Process("<html><head><title> The  News </title><script>var a = 1 < 2;</script></head>"
            "<body bgcolor=white background=\"bg.gif\"><p>Text</p></body></html>");
    const IndexRecord* record = Record("host/dir/page.html");
    ASSERT_NE(record, nullptr);
    const std::string page = Page();
    ASSERT_EQ(record->HeadOffset, 0);
    const std::string head = page.substr(0, static_cast<std::size_t>(record->HeadLength));
    EXPECT_EQ(head, "<html><body><script>var a = 1 < 2;</script><body bgcolor=white background=\"host/dir/bg.gif\">");
    EXPECT_EQ(page.find("<script>", head.size()), std::string::npos) << "the script is stored once";
    EXPECT_NE(page.find("<p>Text</p>"), std::string::npos);
    EXPECT_EQ(record->Flags, 0x35); // a site map: the entry goes three levels deep
    EXPECT_EQ(record->Caption, "Entry");
    EXPECT_EQ(state.PagesLoaded.load(), 1);
    std::unique_ptr<TOCNode> note = run.SiteMap->Next();
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->Title, "The News");
    EXPECT_EQ(note->Url, "host/dir/page.html");
    EXPECT_EQ(note->Group, "0");
}

TEST_F(PageProcessingTest, BaseTagDecidesResolutionAndIsNotStored)
{
    Process("<html><head><base href=\"http://other/x/\"></head><body><a href=\"y.html\">Y</a></body></html>");
    const std::string page = Page();
    EXPECT_NE(page.find("href=\"other/x/y.html\""), std::string::npos) << page;
    EXPECT_EQ(page.find("<base"), std::string::npos) << page;
    // The page keeps its own address; the base only resolves links.
    EXPECT_NE(Record("host/dir/page.html"), nullptr);
}

TEST_F(PageProcessingTest, AppletCodeBecomesAClassFileUnderTheInsertedCodebase)
{
    entry.Applets = true;
    Process("<body><applet code=\"pkg.sub.Main\" width=10></applet></body>");
    EXPECT_NE(Page().find("<applet codebase=\"host/dir/\" code=\"pkg.sub.Main\""), std::string::npos) << Page();
    EXPECT_EQ(QueuedUrls(), std::vector<std::string>{"host/dir/pkg/sub/Main.class"});
}

TEST_F(PageProcessingTest, KeptFramesetGetsANavigationFrameAndItsCompanionPage)
{
    entry.Frames = true;
    Process("<html><frameset cols=\"50%,50%\"><frame src=\"left.html\"><frame src=\"right.html\" target=\"_top\">"
            "</frameset><noframes>old browsers</noframes></html>");
    const std::string page = Page();
    EXPECT_EQ(page.rfind("<frameset rows=\"36,*\"><frame src=\"FrameHead0\" marginwidth=\"1\" marginheight=\"1\" "
                         "scrolling=\"no\" resize>",
                         0),
              0u)
        << page;
    EXPECT_EQ(page.find("old browsers"), std::string::npos);
    EXPECT_TRUE(page.ends_with("</frameset></html>"));
    const std::string head = Page("FrameHead0");
    EXPECT_TRUE(head.starts_with("<html><body><nobr>")) << head;
    EXPECT_NE(head.find("News"), std::string::npos);
    EXPECT_EQ(Record("FrameHead0")->HeadOffset, 6);
    EXPECT_EQ(Record("FrameHead0")->HeadLength, 6);
    // Undecorated, but with the base tag its relative frame addresses need.
    EXPECT_EQ(Record("host/dir/page.html")->Flags & 0x38, 0x08);

    std::vector<std::unique_ptr<RetrievalRequest>> queued = Queued();
    ASSERT_EQ(queued.size(), 2u);
    EXPECT_EQ(queued[0]->URL, "host/dir/left.html");
    EXPECT_EQ(queued[0]->FrameContext, 1) << "a frame of the set is fetched into it";
    EXPECT_EQ(queued[0]->Depth, entry.SpiderDepth + 1) << "a frame does not use up a level";
    EXPECT_EQ(queued[1]->FrameContext, 0) << "target _top leaves the frame set";
}

TEST_F(PageProcessingTest, FramesOffDropsFrameTagsAndKeepsTheNoframesText)
{
    entry.Frames = false;
    Process("<html><frameset><frame src=\"left.html\"></frameset><noframes>old browsers</noframes></html>");
    const std::string page = Page();
    EXPECT_EQ(page.find("<frame "), std::string::npos) << page;
    EXPECT_EQ(page.find("noframes"), std::string::npos) << page;
    EXPECT_NE(page.find("old browsers"), std::string::npos);
    EXPECT_EQ(Record("FrameHead0"), nullptr);
}

TEST_F(PageProcessingTest, ApageInAFrameGetsNoFrameOfItsOwnAndIsNotDecorated)
{
    entry.Frames = true;
    auto request = Request("host/dir/inner.html", "<frameset><frame src=a.html></frameset>", 2);
    request->FrameContext = 1;
    ProcessPage(*context, *request);
    EXPECT_EQ(Page("host/dir/inner.html").find("FrameHead"), std::string::npos);
    EXPECT_EQ(Record("host/dir/inner.html")->Flags & 0x40, 0x40);
}

TEST_F(PageProcessingTest, DepthOneStoresOnlyTheEntryPageAndRecordsEveryLinkAsTooDeep)
{
    entry.SpiderDepth = 1;
    entry.LocalOnly = true;
    Process("<a href=\"a.html\">A</a><a href=\"http://other/b.html\">B</a>");
    EXPECT_TRUE(QueuedUrls().empty());
    const std::string page = Page();
    EXPECT_NE(page.find("href=\"-/\\host/dir/a.html\""), std::string::npos) << page;
    EXPECT_NE(page.find("href=\"-/\\other/b.html\""), std::string::npos) << page;
    for (const char* key : {"host/dir/a.html", "other/b.html"})
    {
        const IndexRecord* record = Record(key);
        ASSERT_NE(record, nullptr) << key;
        EXPECT_EQ(record->Offset, 0);
        EXPECT_EQ(record->Flags, 0x04) << key;
        EXPECT_EQ(record->Caption, "host/dir/page.html");
    }
}

TEST_F(PageProcessingTest, PictureWrappedInATooDeepLinkToItselfIsStillFetched)
{
    entry.SpiderDepth = 1;
    Process("<a href=\"big.png\"><img src=\"big.png\"></a>");
    EXPECT_EQ(QueuedUrls(), std::vector<std::string>{"host/dir/big.png"});
    EXPECT_NE(Page().find("src=\"host/dir/big.png\""), std::string::npos) << Page();
}

TEST_F(PageProcessingTest, ExternalLinkFromALevelTwoPageIsFetchedOnceAndGoesNoFurther)
{
    entry.SpiderDepth = 2;
    entry.LocalOnly = false;
    entry.ExternalDepth = 1;
    Process("<a href=\"inner.html\">in</a>");
    std::vector<std::unique_ptr<RetrievalRequest>> first = Queued();
    ASSERT_EQ(first.size(), 1u);
    RetrievalRequest& inner = *first[0];
    EXPECT_EQ(inner.Level, 2);
    EXPECT_EQ(inner.RequestId, "0.0");

    inner.Data.Write("<a href=\"http://other/x.html\">out</a><a href=\"more.html\">more</a>");
    inner.Data.Write("\0", 1);
    inner.Success = 1;
    ProcessPage(*context, inner);
    std::vector<std::unique_ptr<RetrievalRequest>> second = Queued();
    ASSERT_EQ(second.size(), 1u);
    RetrievalRequest& outside = *second[0];
    EXPECT_EQ(outside.URL, "other/x.html");
    EXPECT_EQ(outside.Level, 3);
    EXPECT_EQ(outside.Depth, 2);
    EXPECT_EQ(outside.WentExternal, 1);
    EXPECT_EQ(outside.RequestId, "0.0.0");

    outside.Data.Write("<a href=\"y.html\">y</a>");
    outside.Data.Write("\0", 1);
    outside.Success = 1;
    ProcessPage(*context, outside);
    EXPECT_TRUE(QueuedUrls().empty());
    ASSERT_NE(Record("other/y.html"), nullptr);
    EXPECT_EQ(Record("other/y.html")->Offset, 0);
    ASSERT_NE(Record("host/dir/more.html"), nullptr);
    EXPECT_EQ(Record("host/dir/more.html")->Offset, 0);
    EXPECT_EQ(Record("host/dir/more.html")->Flags, 0x04 | 0x01) << "the entry may leave its site";
}

TEST_F(PageProcessingTest, StayInSubdirRecordsOnlyOnSiteAddressesOutsideTheTree)
{
    entry.URL = "http://host/a/index.html";
    entry.StayInSubdir = true;
    entry.LocalOnly = false;
    Process("<a href=\"/a/b/x.html\">in</a><a href=\"/c.html\">out</a><a href=\"http://other/x.html\">ext</a>",
            "host/a/index.html");
    EXPECT_EQ(QueuedUrls(), (std::vector<std::string>{"host/a/b/x.html", "other/x.html"}));
    ASSERT_NE(Record("host/c.html"), nullptr);
    EXPECT_EQ(Record("host/c.html")->Offset, -1);
    EXPECT_NE(Page("host/a/index.html").find("href=\"-/\\host/c.html\""), std::string::npos);
}

struct ExclusionRow
{
    const char* name;
    std::vector<std::string> excludeJust;
    std::vector<std::string> excludeAllExcept;
    std::vector<std::string> queued;
    std::vector<std::string> excluded;
};

const ExclusionRow ExclusionRows[] = {
    {"ContainsWithGlobalFlagExcludesLinksAndImages",
     {"\x01"
      "Ccgi-bin\x01GH"},
     {},
     {"host/dir/ok.html", "host/dir/ok.gif"},
     {"host/cgi-bin/x.html"}},
    {"ImagesOnlyPatternLeavesLinksAlone",
     {},
     {"\x01"
      "Eok.gif\x01I"},
     {"host/cgi-bin/x.html", "host/dir/ok.html", "host/dir/ok.gif"},
     {}},
    {"PatternsCompareCase",
     {"\x01"
      "CCGI\x01G"},
     {},
     {"host/cgi-bin/x.html", "host/dir/ok.html", "host/dir/ok.gif", "host/cgi-bin/y.gif"},
     {}},
};

class ExclusionTest : public PageProcessingTest, public ::testing::WithParamInterface<ExclusionRow>
{
};

TEST_P(ExclusionTest, ListsDecideWhatIsFetched)
{
    const ExclusionRow& row = GetParam();
    entry.ExclusionLists = true;
    entry.ExList = row.excludeJust;
    entry.InList = row.excludeAllExcept;
    Process("<a href=\"/cgi-bin/x.html\">c</a><a href=\"ok.html\">o</a><img src=\"ok.gif\"><img src=\"/cgi-bin/y.gif\">");
    std::vector<std::string> queued = QueuedUrls();
    std::sort(queued.begin(), queued.end());
    std::vector<std::string> expected = row.queued;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(queued, expected);
    for (const std::string& key : row.excluded)
    {
        ASSERT_NE(Record(key), nullptr) << key;
        EXPECT_EQ(Record(key)->Offset, -3) << key;
    }
    const bool imageLoaded = std::find(expected.begin(), expected.end(), "host/cgi-bin/y.gif") != expected.end();
    EXPECT_EQ(Page().find("src=\"images/NotLoaded\"") != std::string::npos, !imageLoaded) << Page();
}

INSTANTIATE_TEST_SUITE_P(Rows, ExclusionTest, ::testing::ValuesIn(ExclusionRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PageProcessingTest, SameLinkTwiceIsQueuedOnceAndAgainWithALargerBudget)
{
    Process("<a href=\"a.html\">1</a><a href=\"a.html#x\">2</a><img src=i.gif><img src=i.gif>");
    EXPECT_EQ(QueuedUrls(), (std::vector<std::string>{"host/dir/a.html", "host/dir/i.gif"}));
    EXPECT_EQ(run.Progress.Of(&entry)->Outstanding, 2);
    EXPECT_EQ(run.Progress.Outstanding, 2);

    Process("<a href=\"a.html\">again</a>", "host/dir/other.html", 2);
    EXPECT_TRUE(QueuedUrls().empty()) << "the same budget";

    auto deeper = Request("host/dir/third.html", "<a href=\"a.html\">deeper budget</a>", 1);
    deeper->Depth = entry.SpiderDepth + 2;
    ProcessPage(*context, *deeper);
    std::vector<std::unique_ptr<RetrievalRequest>> again = Queued();
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0]->Depth, entry.SpiderDepth + 2);
}

TEST_F(PageProcessingTest, NewRequestsInheritFromTheirPage)
{
    entry.SpiderDepth = 4;
    auto page = Request("host/dir/page.html", "<a href=a.html>a</a><img src=b.gif>", 2);
    page->RequestId = "3.1";
    page->ChildCount = 5;
    page->EntryIndex = 2;
    page->LinkNumber = 3;
    page->TimeOut = 20;
    page->Depth = 4;
    ProcessPage(*context, *page);
    std::vector<std::unique_ptr<RetrievalRequest>> queued = Queued();
    ASSERT_EQ(queued.size(), 2u);
    const RetrievalRequest& link = *queued[0];
    EXPECT_EQ(link.RequestId, "3.1.5");
    EXPECT_EQ(queued[1]->RequestId, "3.1.6");
    EXPECT_EQ(page->ChildCount, 7);
    EXPECT_EQ(link.Level, 3);
    EXPECT_EQ(link.Depth, 4);
    EXPECT_EQ(link.Entry, &entry);
    EXPECT_EQ(link.Brief, &brief);
    EXPECT_EQ(link.Cache, run.Cache.get());
    EXPECT_EQ(link.IndexDB, run.IndexDB.get());
    EXPECT_EQ(link.TopLink, entry.URL);
    EXPECT_EQ(link.EntryURL, entry.URL);
    EXPECT_EQ(link.EntryIndex, 2);
    EXPECT_EQ(link.LinkNumber, 3);
    EXPECT_EQ(link.TimeOut, 20);
    EXPECT_EQ(link.Referrer, "host/dir/page.html");
    EXPECT_EQ(link.NotStarted, 1);
    EXPECT_EQ(link.InProgress, 1);
    EXPECT_EQ(link.LoadAsFile, 0);
    EXPECT_EQ(queued[1]->LoadAsFile, 1);
    EXPECT_EQ(Record("host/dir/page.html")->Number, 3);
}

TEST_F(PageProcessingTest, MetaRefreshTargetKeepsTheLevelAndTheRefreshPageBecomesItsAlias)
{
    Process("<meta http-equiv=\"refresh\" content=\"0; URL=moved.html\">", "host/dir/page.html", 2);
    std::vector<std::unique_ptr<RetrievalRequest>> queued = Queued();
    ASSERT_EQ(queued.size(), 1u);
    RetrievalRequest& target = *queued[0];
    EXPECT_EQ(target.URL, "host/dir/moved.html");
    EXPECT_EQ(target.Level, 2);
    EXPECT_EQ(target.ReferrerChain, std::vector<std::string>{"host/dir/page.html"});

    target.Data.Write("<p>here</p>");
    target.Data.Write("\0", 1);
    target.Success = 1;
    ProcessPage(*context, target);
    ASSERT_TRUE(run.IndexDB->Close());
    ArchiveReader reader = ArchiveReader::OpenFile(run.ArchivePath);
    std::vector<IndexRecord> all = reader.ReadIndex();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_NE(reader.ReadPage(all[0]).find("URL=host/dir/moved.html\""), std::string::npos);
    EXPECT_EQ(all[1].Key, "host/dir/moved.html");
    // The alias comes last, so the server finds the target under the
    // refresh page's address.
    EXPECT_EQ(all[2].Key, "host/dir/page.html");
    EXPECT_EQ(all[2].Offset, all[1].Offset);
}

TEST_F(PageProcessingTest, FileBodiesAreStoredWithoutScanning)
{
    auto image = Request("host/dir/pic.gif", "GIF89a<a href=x>", 2);
    image->LoadAsFile = 1;
    image->ContentType = "image/gif";
    ProcessPage(*context, *image);
    auto missing = Request("host/dir/gone.gif", "", 2);
    missing->NotHTML = 1;
    missing->BodyReady = 0;
    ProcessPage(*context, *missing);
    EXPECT_EQ(Page("host/dir/pic.gif"), "GIF89a<a href=x>");
    EXPECT_EQ(Record("host/dir/pic.gif")->Flags, 0x38);
    EXPECT_EQ(Record("host/dir/pic.gif")->ContentType, "image/gif");
    EXPECT_EQ(Record("host/dir/gone.gif")->Offset, 0);
    EXPECT_EQ(Record("host/dir/gone.gif")->Flags, 0x04);
    EXPECT_EQ(state.ImagesLoaded.load(), 1);
    EXPECT_EQ(state.PagesLoaded.load(), 0);
    EXPECT_EQ(run.Cache->Find("host/dir/pic.gif")->Level, 1000);
}

TEST_F(PageProcessingTest, StyleSheetAddressesLeadBackToTheStoredCopiesAndImportsNestWithinABound)
{
    auto sheet = Request("host/css/site.css",
                         "@import \"more.css\";\n@font-face{src:url(../f/a.woff2)}\nb{background:url(http://cdn:81/i.png)}", 2);
    sheet->LoadAsFile = 1;
    sheet->ContentType = "text/css";
    ProcessPage(*context, *sheet);
    auto deep = Request("host/css/deep.css", "@import url(deeper.css);", 2);
    deep->LoadAsFile = 1;
    deep->ContentType = "text/css; charset=utf-8";
    deep->StyleNesting = MaxStyleSheetNesting - 1;
    ProcessPage(*context, *deep);
    const auto queued = Queued();
    ASSERT_EQ(queued.size(), 3u);
    EXPECT_EQ(queued[0]->URL, "host/css/more.css");
    EXPECT_EQ(queued[0]->StyleNesting, 1);
    EXPECT_EQ(queued[0]->LoadAsFile, 1);
    EXPECT_EQ(queued[1]->URL, "host/f/a.woff2");
    EXPECT_EQ(queued[2]->URL, "cdn:81/i.png");
    EXPECT_EQ(Page("host/css/site.css"), "@import url(\"../../host/css/more.css\");\n"
                                         "@font-face{src:url(\"../../host/f/a.woff2\")}\n"
                                         "b{background:url(\"../../cdn:81/i.png\")}");
    EXPECT_EQ(Page("host/css/deep.css"), "@import url(\"../../images/NotLoaded\");");
}

TEST_F(PageProcessingTest, FilesSentWithoutAUsefulTypeAreStoredWithTheirOwn)
{
    struct Row
    {
        const char* given;
        const char* key;
        std::string_view body;
        const char* stored;
    };
    const Row rows[] = {
        {"", "host/logo", "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"/>", "image/svg+xml"},
        {"application/octet-stream", "host/f", "wOF2 font bytes", "font/woff2"},
        {"text/plain; charset=utf-8", "host/s.css?v=2", "b{color:red}", "text/css"},
        {"text/plain", "host/clip",
         std::string_view("\0\0\0\x18"
                          "ftypmp42",
                          12),
         "video/mp4"},
        {"text/plain", "host/readme", "plain words", "text/plain"},
        {"image/png", "host/x.gif", "GIF89a", "image/png"},
    };
    for (const Row& row : rows)
    {
        auto file = Request(row.key, row.body, 2);
        file->LoadAsFile = 1;
        file->ContentType = row.given;
        ProcessPage(*context, *file);
    }
    for (const Row& row : rows)
    {
        ASSERT_NE(Record(row.key), nullptr) << row.key;
        EXPECT_EQ(Record(row.key)->ContentType, row.stored) << row.key;
    }
}

TEST_F(PageProcessingTest, SmartSearchMatchIsRecordedAndPreserveOnlyDropsOtherPages)
{
    entry.SmartSearch = true;
    entry.SearchFor = "treasure";
    entry.PreserveOnly = true;
    Process("<p>the treasure map</p><img src=a.gif>", "host/dir/page.html");
    Process("<p>nothing here</p><img src=b.gif><a href=next.html>n</a>", "host/dir/other.html", 2);
    EXPECT_TRUE(run.Progress.Of(&entry)->MatchesFound);
    EXPECT_TRUE(run.Progress.MatchesFound);
    EXPECT_EQ(run.Cache->Find("host/dir/page.html")->Text, "treasure");
    EXPECT_EQ(QueuedUrls(), (std::vector<std::string>{"host/dir/a.gif", "host/dir/next.html"}))
        << "links of a page without a match are still followed, its images are not";
    EXPECT_NE(Record("host/dir/page.html"), nullptr);
    EXPECT_EQ(Record("host/dir/other.html"), nullptr);
    std::unique_ptr<TOCNode> first = run.SiteMap->Next();
    std::unique_ptr<TOCNode> second = run.SiteMap->Next();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->Kind, 1);
    EXPECT_EQ(first->Note, "treasure");
    EXPECT_EQ(second->Kind, 0);
}

TEST_F(PageProcessingTest, LimitReachedMidPageStopsTheBriefAndCutsThePage)
{
    std::string body;
    for (int i = 0; i < 200; ++i)
        body += "<a href=p" + std::to_string(i) + ".html>x</a>";
    int asked = 0;
    int stops = 0;
    context->LimitsReached = [&] { return ++asked > 2; };
    context->StopForLimits = [&]
    {
        ++stops;
        state.StopRequested = true;
    };
    Process(body);
    EXPECT_EQ(stops, 1);
    EXPECT_TRUE(QueuedUrls().empty());
    const std::string page = Page();
    // The limits are asked at the first tag and at every 52nd: the third
    // question comes at the 27th link.
    EXPECT_NE(page.find("host/dir/p25.html"), std::string::npos) << page;
    EXPECT_EQ(page.find("p27.html"), std::string::npos) << page;
}

TEST_F(PageProcessingTest, DifferenceMarkersGoBeforeTheirBlocksEvenInsideRewrittenValues)
{
    const std::string body = "<p>one</p><p><a href=x.html>two</a></p><p>three</p>";
    auto request = Request("host/dir/page.html", body);
    request->DiffMarkers = {body.find("<p>one"), body.find("x.html"), body.size()};
    ProcessPage(*context, *request);
    const std::string page = Page();
    const std::size_t first = page.find("<a name=\"RavelinDiffMarker0\">");
    const std::size_t second = page.find("<a name=\"RavelinDiffMarker1\">");
    const std::size_t third = page.find("<a name=\"RavelinDiffMarker2\">");
    ASSERT_NE(first, std::string::npos) << page;
    ASSERT_NE(second, std::string::npos) << page;
    ASSERT_NE(third, std::string::npos) << page;
    EXPECT_LT(first, page.find("<p>one"));
    EXPECT_GT(second, page.find("host/dir/x.html")) << "a marker inside a value waits for the next copied byte";
    EXPECT_LT(second, page.find(">two"));
    EXPECT_GT(third, page.find("three"));
    EXPECT_EQ(Record("host/dir/page.html")->Flags & 0x80, 0x80);
}

TEST_F(PageProcessingTest, ClientPagesAndPlainTextAreStoredAsWritten)
{
    const std::string explanation = "<html><body><img src=\"Warning\"><a href=\"http://other/x.html\">x</a></body></html>";
    auto generated = Request("other/x.html", "HTTP/1.0 888\r\n\r\n" + explanation, 2);
    generated->HeaderLength = 12;
    generated->Success = 0;
    ProcessPage(*context, *generated);
    auto text = Request("host/dir/notes.txt", "see <a href=x.html>", 2);
    text->ContentType = "text/plain";
    ProcessPage(*context, *text);
    EXPECT_EQ(Page("other/x.html"), explanation);
    EXPECT_EQ(Page("host/dir/notes.txt"), "see <a href=x.html>");
    EXPECT_TRUE(QueuedUrls().empty());
}

// Pages built to break a scanner: each must be stored without a crash, with
// its text, and with no more than a small multiple of its size.
struct HostileRow
{
    const char* name;
    std::string html;
    const char* kept;
};

std::string Big(std::size_t size, char c)
{
    return std::string(size, c);
}

const HostileRow HostileRows[] = {
    {"TagAtFirstByte", "<a href=x.html>first</a>", "first"},
    {"OpenerAtLastByte", "text at the end<", "text at the end<"},
    {"UnclosedTag", "before <a href=\"x.html\" and never closed", "and never closed"},
    {"UnclosedQuote", "<a href=\"x.html>unclosed quote</a> after", "after"},
    {"MegabyteAttribute", "<a href=\"" + Big(1 << 20, 'a') + "\">big</a>tail", "tail"},
    {"NulBytes", std::string("<a href=\"x\0y.html\">n\0ul</a>end", 30), "end"},
    {"InvalidUtf8", "<a href=\"\xff\xfe.html\">\xc3\x28</a>\xe2\x82 rest", " rest"},
    {"MarkerBytesInThePage",
     "\x01"
     "a href=x.html\x02 fake tag <b>real</b>",
     "real"},
    {"EmptyAttributeValues", "<a href=>e</a><img src=\"\"><a href=\"\">f</a>", "f</a>"},
    {"BodyTagsInsideScripts",
     []
     {
         std::string s;
         for (int i = 0; i < 50000; ++i)
             s += "<body></script>";
         return s + "<script>x</script><body>last";
     }(),
     "last"},
    {"OpenersWithoutClosers", Big(1 << 20, '<') + "last", "last"},
    {"ManyScriptsInTheHead",
     []
     {
         std::string s = "<head>";
         for (int i = 0; i < 30000; ++i)
             s += "<script src=s.js>";
         return s + "</head><body>last";
     }(),
     "last"},
    {"ShortLinksToALongBase",
     []
     {
         std::string s = "<base href=\"http://h/" + Big(2000, ':') + "/\">";
         for (int i = 0; i < 20000; ++i)
             s += "<a href=>";
         return s + "last";
     }(),
     "last"},
    {"ManyNoframes",
     []
     {
         std::string s;
         for (int i = 0; i < 20000; ++i)
             s += "<noframes>";
         return s + "last";
     }(),
     "last"},
};

class HostileTest : public PageProcessingTest, public ::testing::WithParamInterface<HostileRow>
{
};

TEST_P(HostileTest, PageIsStoredWhole)
{
    const HostileRow& row = GetParam();
    Process(row.html);
    const std::string page = Page();
    EXPECT_NE(page.find(row.kept), std::string::npos);
    // Rewriting stops at eight times the page plus 64 KB; the rest is copied.
    EXPECT_LE(page.size(), 9 * row.html.size() + 131072);
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileTest, ::testing::ValuesIn(HostileRows),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace rv
