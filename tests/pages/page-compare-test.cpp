#include "client/pages/diff-marker.h"
#include "client/pages/page-compare.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace rv
{
namespace
{

const std::string Head = "<html><head><title>News</title></head><body bgcolor=white>\n";
const std::string Tail = "</body></html>\n";

std::string Page(const std::string& content)
{
    return Head + content + Tail;
}

CompareResult Mark(const std::string& page, const std::string& previous)
{
    return ComparePages(page, previous, {});
}

CompareResult Extract(const std::string& page, const std::string& previous)
{
    CompareOptions options;
    options.Extract = true;
    return ComparePages(page, previous, options);
}

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

const std::string Story = "<h1>Daily news</h1>\n<p>Rain is expected on Monday.\n<p>The bridge reopens in May.\n"
                          "<p>Markets closed higher.\n<div>Weather: mild</div>\n";

TEST(PageCompareTest, BlocksStartAtBoundaryTagsAndAtLineEndsInsidePre)
{
    const std::string page = "intro<P>one<br>two<TD class=x>three<param name=a><b>bold</b>"
                             "<pre>a\nb<i\n>c</pre>\nafter<object>";
    std::vector<std::size_t> starts;
    for (const PageBlock& block : SplitIntoBlocks(page))
        starts.push_back(block.Start);
    const std::size_t pre = page.find("<pre>");
    EXPECT_EQ(starts, (std::vector<std::size_t>{0, page.find("<P>"), page.find("<br>"), page.find("<TD"), pre + 6,
                                                page.find("<object>")}));
    const std::vector<PageBlock> blocks = SplitIntoBlocks(page);
    EXPECT_TRUE(blocks[4].AtLineEnd);
    EXPECT_EQ(blocks.back().End, page.size());
    EXPECT_EQ(SplitIntoBlocks("<p>first").size(), 1u);
}

TEST(PageCompareTest, AnUnchangedPageHasNoMarkersEvenWithOtherWhiteSpace)
{
    const std::string page = Page(Story);
    EXPECT_FALSE(Mark(page, page).DifferencesFound);

    std::string reflowed = Page("<h1>Daily   news</h1><p>Rain is expected\r\n on\tMonday. <p>The   bridge reopens in May."
                                "<p>Markets closed higher.<div>Weather:\nmild</div>");
    const CompareResult result = Mark(page, reflowed);
    EXPECT_FALSE(result.DifferencesFound);
    EXPECT_TRUE(result.MarkerPositions.empty());
}

TEST(PageCompareTest, TheFirstWordMustOccurLiterallyAndCaseMatters)
{
    const std::string page = Page("<p>Rain is expected on Monday.\n");
    EXPECT_TRUE(Mark(page, Page("<p>Ra in is expected on Monday.\n")).DifferencesFound);
    EXPECT_TRUE(Mark(page, Page("<p>Rain is expected on monday.\n")).DifferencesFound);
    EXPECT_FALSE(Mark(page, Page("<p>Rain is ex pected on Monday.\n")).DifferencesFound);
}

TEST(PageCompareTest, OneChangedParagraphGivesMarkerZeroWithoutLink)
{
    const std::string previous = Page(Story);
    std::string page = previous;
    page.replace(page.find("May."), 4, "June.");
    const CompareResult result = Mark(page, previous);
    EXPECT_TRUE(result.DifferencesFound);
    ASSERT_EQ(result.MarkerPositions.size(), 1u);
    EXPECT_EQ(result.MarkerPositions[0], page.find("The bridge"));

    const std::string marked = InsertDiffMarkers(page, result.MarkerPositions, "http://host/news.html");
    EXPECT_NE(marked.find("<p><a name=\"RavelinDiffMarker0\"><img src=\"RavelinDiffMarker\" alt=\"Diff Marker\">The bridge"),
              std::string::npos);
    EXPECT_EQ(marked.find("href"), std::string::npos);
    EXPECT_EQ(Count(marked, "RavelinDiffMarker"), 2u);
}

TEST(PageCompareTest, ThreeChangedBlocksAreMarkedInAChain)
{
    const std::string previous = Page(Story);
    std::string page = previous;
    page.replace(page.find("Daily"), 5, "Evening");
    page.replace(page.find("Monday"), 6, "Tuesday");
    page.replace(page.find("mild"), 4, "cold");
    const CompareResult result = Mark(page, previous);
    ASSERT_EQ(result.MarkerPositions.size(), 3u);

    const std::string marked = InsertDiffMarkers(page, result.MarkerPositions, "http://host:8080/news.html");
    const std::string image = "<img src=\"RavelinDiffMarker\" alt=\"Diff Marker\">";
    EXPECT_NE(marked.find("<h1><a name=\"RavelinDiffMarker0\"><a href=\"host&amp;colon;8080/news.html#RavelinDiffMarker1\">" +
                          image + "</a>Evening"),
              std::string::npos);
    EXPECT_NE(marked.find("<p><a name=\"RavelinDiffMarker1\"><a href=\"host&amp;colon;8080/news.html#RavelinDiffMarker2\">" +
                          image + "</a>Rain"),
              std::string::npos);
    EXPECT_NE(marked.find("<div><a name=\"RavelinDiffMarker2\">" + image + "Weather"), std::string::npos);
    EXPECT_EQ(Count(marked, "href"), 2u);

    const CompareResult extracted = Extract(page, previous);
    EXPECT_TRUE(extracted.DifferencesFound);
    EXPECT_TRUE(extracted.MarkerPositions.empty());
    EXPECT_NE(extracted.Extracted.find("<h1>Evening news</h1>"), std::string::npos);
    EXPECT_NE(extracted.Extracted.find("Tuesday"), std::string::npos);
    EXPECT_NE(extracted.Extracted.find("cold"), std::string::npos);
    // A block right after a changed one follows other bytes, so it stays too.
    EXPECT_NE(extracted.Extracted.find("bridge"), std::string::npos);
    EXPECT_EQ(extracted.Extracted.find("Markets"), std::string::npos);
}

TEST(PageCompareTest, ExtractingAnUnchangedPageKeepsOnlyItsStructure)
{
    const std::string page = Page("<p>Look <img width=5 SRC=\"pics/a.gif\" alt=x> here<hr size=1>\n"
                                  "<p><a href=\"next.html\">Next</a> and <IMAGE src=b.jpg>"
                                  "<form action=\"/s\"><input name=q></form><map><area href=\"m.html\"></map>\n");
    const CompareResult result = Extract(page, page);
    EXPECT_FALSE(result.DifferencesFound);
    const std::string& out = result.Extracted;
    EXPECT_TRUE(out.starts_with(Head.substr(0, Head.size() - 1)));
    EXPECT_NE(out.find("<img width=5 SRC=\",.gif\" alt=x>"), std::string::npos);
    EXPECT_NE(out.find("<IMAGE src=\",.gif\">"), std::string::npos);
    EXPECT_NE(out.find("<hr size=1>"), std::string::npos);
    EXPECT_NE(out.find("<a href=\"next.html\">"), std::string::npos);
    EXPECT_NE(out.find("</a>"), std::string::npos);
    EXPECT_NE(out.find("<form action=\"/s\">"), std::string::npos);
    EXPECT_NE(out.find("</form>"), std::string::npos);
    EXPECT_NE(out.find("<area href=\"m.html\">"), std::string::npos);
    for (const char* gone : {"Look", "here", "Next", "<p>", "<input", "<map>", "</body>", "pics/a.gif"})
        EXPECT_EQ(out.find(gone), std::string::npos) << gone;
}

TEST(PageCompareTest, ExtractingNeedsTheSameBytesBeforeABlock)
{
    const std::string previous = Page("<p>alpha one<p>beta two<p>gamma three<p>end\n");
    const std::string page = Page("<p>alpha one<p>gamma three<p>beta two<p>end\n");
    EXPECT_FALSE(Mark(page, previous).DifferencesFound);
    const CompareResult result = Extract(page, previous);
    EXPECT_TRUE(result.DifferencesFound);
    // "alpha" still follows the head; "gamma" and "beta" follow other bytes now.
    EXPECT_EQ(result.Extracted.find("alpha"), std::string::npos);
    EXPECT_NE(result.Extracted.find("<p>gamma three"), std::string::npos);
    EXPECT_NE(result.Extracted.find("<p>beta two"), std::string::npos);
}

TEST(PageCompareTest, EachPassageOfThePreviousCopyAnswersForOneBlock)
{
    const std::string previous = Page("<p>Same text.\n<p>Other.\n");
    const std::string page = Page("<p>Same text.\n<p>Other.\n<p>Same text.\n");
    const CompareResult result = Mark(page, previous);
    ASSERT_EQ(result.MarkerPositions.size(), 1u);
    EXPECT_EQ(result.MarkerPositions[0], page.rfind("Same text."));

    // A block never matches across the passage another block took.
    EXPECT_TRUE(Mark(Page("<td>mid<p>one two"), Page("<p>one<td>mid two")).DifferencesFound);
}

TEST(PageCompareTest, OnlyTheChangedLineOfAPreBlockIsMarked)
{
    const std::string previous = Page("<pre>\nline one\nline two\nline three\n</pre>");
    std::string page = previous;
    page.replace(page.find("two"), 3, "2");
    const CompareResult result = Mark(page, previous);
    ASSERT_EQ(result.MarkerPositions.size(), 1u);
    EXPECT_EQ(result.MarkerPositions[0], page.find("line 2"));
}

TEST(PageCompareTest, OnlyTheFirst4999BytesOfABlockAreCompared)
{
    const std::string text(6000, 'x');
    const std::string previous = Page("<p>" + text);
    std::string late = previous;
    late[late.find("<p>") + 3 + MaxCompareTextBytes + 10] = 'y';
    EXPECT_FALSE(Mark(late, previous).DifferencesFound);
    std::string early = previous;
    early[early.find("<p>") + 3 + 4000] = 'y';
    EXPECT_TRUE(Mark(early, previous).DifferencesFound);
}

TEST(PageCompareTest, ChangesInTheHeadAreMarkedAtTheStartOfTheBody)
{
    const std::string page = "<html><head><title>New title</title></head><body>\n<p>text";
    const CompareResult result = Mark(page, "<html><head><title>Old title</title></head><body>\n<p>text");
    ASSERT_EQ(result.MarkerPositions.size(), 1u);
    EXPECT_EQ(result.MarkerPositions[0], page.find('\n'));
}

TEST(PageCompareTest, ComparingAnEmptyPreviousCopyMarksEveryBlock)
{
    const CompareResult result = Mark("<p>a<p>b<td>c", "");
    EXPECT_EQ(result.MarkerPositions, (std::vector<std::size_t>{3, 7, 12}));
    EXPECT_FALSE(Mark("", "anything").DifferencesFound);
    EXPECT_FALSE(Mark(" \r\n\t", "").DifferencesFound);
}

TEST(PageCompareTest, AStopAbandonsTheComparison)
{
    CompareOptions options;
    int asked = 0;
    options.ShouldStop = [&] { return ++asked == 2; };
    const CompareResult result = ComparePages(Page(Story), "", options);
    EXPECT_TRUE(result.Stopped);
    EXPECT_EQ(asked, 2);
}

} // namespace
} // namespace rv
