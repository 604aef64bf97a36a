// Header, footer and the explanatory pages, byte for byte.
#include "server/page-decoration.h"
#include "server/synthetic-pages.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

DecorationContext Context(bool header = true)
{
    DecorationContext context;
    context.port = 1888;
    context.displayHeader = header;
    context.briefPath = "home/ann/News.rvd";
    context.version = 1;
    context.subversion = 4;
    return context;
}

std::string Img(const char* file, const char* alt)
{
    return std::string("<img src=\"http://127.0.0.1:1888/images/") + file +
           "\" border=0 align=absmiddle width=24 height=24 alt=\"" + alt + "\">";
}

DecorationInputs AllButtons()
{
    DecorationInputs page;
    page.pageName = "2/www.x.com/a/b.html";
    page.contentType = "text/html";
    page.number = 7;
    page.siteMap = page.smartSearch = page.originalLink = page.markedDiffs = true;
    page.title = "12/7/99 4:05:09 PM";
    return page;
}

TEST(PageDecoration, HeaderWithEveryButtonUsesTheNumberPrefix)
{
    const std::string expected =
        "<nobr>&#160; <a href=\"http://127.0.0.1:1888/home/ann/News.rvd/\" target=\"_top\">" + Img("brief.gif", "Brief") +
        "</a> <a href=\"TOC2\" target=\"_top\">" + Img("toc.gif", "Site Map") + "</a> <a href=\"Match2\" target=\"_top\">" +
        Img("search.gif", "Smart Search") + "</a> <a href=www.x.com/a/b.html#RavelinDiffMarker0>" +
        Img("mark.gif", "First Marked Difference") + "</a> <a href=http://www.x.com/a/b.html target=\"_top\">" +
        Img("orig.gif", "Original Link") + "</a> <font size=3>12/7/99 4:05:09 PM </font></nobr><br><hr size=3><br>\r\n";
    EXPECT_EQ(Header(Context(), AllButtons()), expected);
}

TEST(PageDecoration, FooterWithEveryLinkTurnsQuotesToApostrophes)
{
    const std::string expected =
        "</font></i></u></b></h1></h2></h3></h4></h5></h6></a><br><hr size=3><nobr><center><font size=3>"
        "<a href='http://127.0.0.1:1888/home/ann/News.rvd/cumulative/'>Brief Summary</a> "
        "| <a href='TOC2' target='_top'>Site Map</a> "
        "| <a href='Match2' target='_top'>Smart Search results</a> "
        "| <a href=www.x.com/a/b.html#RavelinDiffMarker0>First Marked Difference</a> "
        "| <a href=http://www.x.com/a/b.html target=\"_top\">Original Link</a> </font></center></nobr>\r\n";
    DecorationInputs page = AllButtons();
    page.cumulative = true;
    EXPECT_EQ(Footer(Context(), page), expected);
}

TEST(PageDecoration, NumberMinusOneLeavesOnlyTheBriefButton)
{
    DecorationInputs page = AllButtons();
    page.pageName = "index";
    page.number = -1;
    page.title = "";
    page.noRule = true;
    DecorationContext context = Context();
    context.briefInfo = "News";
    EXPECT_EQ(Header(context, page), "<nobr>&#160; <a href=\"http://127.0.0.1:1888/home/ann/News.rvd/\" target=\"_top\">" +
                                         Img("brief.gif", "Brief") +
                                         "</a> <font size=3>News</font>\r\n<font size=3> </font></nobr><br>\r\n");
    EXPECT_EQ(Footer(context, page),
              "</font></i></u></b></h1></h2></h3></h4></h5></h6></a><br><hr size=3><nobr><center><font size=3>"
              "<a href=\"http://127.0.0.1:1888/home/ann/News.rvd/\">Brief Summary</a> </font></center></nobr>\r\n");
}

TEST(PageDecoration, PlainTextIsWrappedAndHeaderOffSendsNothing)
{
    DecorationInputs page = AllButtons();
    page.contentType = "Text/Plain";
    EXPECT_TRUE(Header(Context(), page).ends_with("<body><pre>\r\n"));
    EXPECT_TRUE(Footer(Context(), page).starts_with("</pre>\r\n</font>"));
    EXPECT_EQ(Header(Context(false), page), "");
    EXPECT_EQ(Footer(Context(false), page), "");
}

TEST(PageDecoration, OriginalAddressKeepsASchemeAndDropsTheProcessedSuffix)
{
    DecorationInputs page = AllButtons();
    page.siteMap = page.smartSearch = page.markedDiffs = false;
    page.pageName = "2/mailto&colon;ann@x.com";
    EXPECT_NE(Header(Context(), page).find("<a href=mailto:ann@x.com target="), std::string::npos);
    page.pageName = "2/www.x.com/p\"q.htmlKSDiffOrigProcessed";
    EXPECT_NE(Header(Context(), page).find("<a href=http://www.x.com/p&#39;q.html target="), std::string::npos);
}

// Names of current archives have no number prefix: their host stays, and a
// stored "&colon;" reaches the browser as written so that its decoding gives
// back the stored name.
TEST(PageDecoration, LinksKeepTheHostAndTheStoredColon)
{
    const struct
    {
        const char* name;
        const char* mark;
        const char* original;
    } rows[] = {
        {"2/www.x.com/a/b.html", "<a href=www.x.com/a/b.html#RavelinDiffMarker0>", "<a href=http://www.x.com/a/b.html "},
        {"www.x.com/a/b.html", "<a href=www.x.com/a/b.html#RavelinDiffMarker0>", "<a href=http://www.x.com/a/b.html "},
        {"www.x.com&colon;81/a", "<a href=www.x.com&amp;colon;81/a#RavelinDiffMarker0>", "<a href=http://www.x.com:81/a "},
        {"www.x.com/a b\"><i>", "<a href=www.x.com/a&#32;b&quot;&gt;&lt;i&gt;#RavelinDiffMarker0>",
         "<a href=http://www.x.com/a&#32;b&#39;&gt;&lt;i&gt; "},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        DecorationInputs page = AllButtons();
        page.pageName = row.name;
        for (const std::string& text : {Header(Context(), page), Footer(Context(), page)})
        {
            EXPECT_NE(text.find(row.mark), std::string::npos) << text;
            EXPECT_NE(text.find(row.original), std::string::npos) << text;
        }
        PageEntry entry;
        entry.key = row.name;
        entry.flags = 0x84;
        entry.number = 2;
        EXPECT_NE(ServeLinkPage(Context(), true, entry, false).find(row.original), std::string::npos);
    }
}

TEST(PageDecoration, EffectiveNumberComesFromThePrefixInSubversionFourOnly)
{
    EXPECT_EQ(EffectiveNumber("2/www.x.com/", 7, 1, 4), 2);
    EXPECT_EQ(EffectiveNumber("2/www.x.com/", 7, 1, 3), 7);
    EXPECT_EQ(EffectiveNumber("www.x.com/", 7, 1, 4), 7);
    EXPECT_EQ(EffectiveNumber("99999999999/x", 7, 1, 4), 7);
}

TEST(PageDecoration, FrameHeadImagesBecomeServerButtons)
{
    const std::string page = "<p><img src=\"file:///C|/x/toc.gif\" alt=\"Site Map\"> and <img src=x.gif alt=Other>.";
    EXPECT_EQ(RewriteFrameHeadImages(page, 1888), "<p>" + Img("toc.gif", "Site Map") + " and .");
}

PageEntry Link(std::string key, std::int32_t position, std::uint8_t flags = 0)
{
    PageEntry entry;
    entry.key = std::move(key);
    entry.position = position;
    entry.flags = flags;
    entry.number = -1;
    return entry;
}

TEST(SyntheticPages, TooDeepLinkPageByteForByte)
{
    const std::string expected =
        "HTTP/1.0 200\r\nContent-Type: text/html\r\n\r\n"
        "<base href=\"http://127.0.0.1:1888/home/ann/News.rvd/\">\r\n"
        "<html><body><title>Spider Limit Exceeded</title>"
        "<table>\r\n<tr>\r\n<td width=80>\r\n<img src=\"Warning\" width=64 height=64>\r\n</td>\r\n<td>\r\n"
        "<h2>Spider Search Limit Exceeded</h2>This link (<a href=http://www.x.com/a?b=1&amp;c=2>"
        "www.x.com/a?b=1&amp;c=2</a>) is beyond the range of the spider search set by the user."
        "</td>\r\n</tr>\r\n</table>\r\n";
    EXPECT_EQ(ServeLinkPage(Context(false), true, Link("3/www.x.com/a?b=1&c=2", 0), false), expected);
}

TEST(SyntheticPages, EachLinkKindGetsItsOwnTitle)
{
    const struct
    {
        std::int32_t position;
        std::uint8_t flags;
        const char* title;
    } kinds[] = {{0, 0x20, "Mail Link"},
                 {0, 0x10, "Unsupported Protocol"},
                 {0, 0x30, "Spider Limit Exceeded"},
                 {-1, 0, "Link Out of Subdirectory"},
                 {-3, 0, "Link Excluded"},
                 {-2, 0, "Ravelin Pro Web page skipped"},
                 {-9, 0, "Ravelin Pro Web page skipped"}};
    for (const auto& kind : kinds)
    {
        SCOPED_TRACE(kind.title);
        const std::string page = ServeLinkPage(Context(false), true, Link("x.com/", kind.position, kind.flags), true);
        EXPECT_NE(page.find(std::string("<title>") + kind.title + "</title>"), std::string::npos);
        EXPECT_NE(page.find("/home/ann/News.rvd/cumulative/\">"), std::string::npos);
    }
}

TEST(SyntheticPages, MailLinkKeepsItsSchemeAndAmpIsCopiedOnce)
{
    const std::string page = ServeLinkPage(Context(false), true, Link("mailto&colon;a@x.com?s=a&amp;b", 0, 0x20), false);
    EXPECT_NE(page.find("This link (<a href=mailto:a@x.com?s=a&amp;b>mailto:a@x.com?s=a&amp;b</a>) is a mail link. "
                        "If your browser has mail client support, you can click on the link to send mail."),
              std::string::npos);
}

TEST(SyntheticPages, WithoutWarningPagesLinksRedirect)
{
    EXPECT_EQ(ServeLinkPage(Context(), false, Link("3/www.x.com/y", -3), false),
              "HTTP/1.0 302\r\nContent-Type: text/html\r\nLocation: http://www.x.com/y\r\n\r\n");
    EXPECT_EQ(PageNotInBrief(Context(), false, "3/www.x.com/z", -1, false),
              "HTTP/1.0 302\r\nContent-Type: text/html\r\nLocation: http://www.x.com/z\r\n\r\n");
}

TEST(SyntheticPages, MissingPreviousCopyIsExplainedEvenWithoutWarningPages)
{
    DecorationContext context = Context(false);
    context.briefPath.reset();
    EXPECT_EQ(PageNotInBrief(context, false, "3/www.x.comKSDiffOrig", -1, false),
              "HTTP/1.0 200\r\n\r\n<base href=\"http://127.0.0.1:1888/\">\r\n"
              "<html><title>Page Not Retrieved</title>"
              "<table>\r\n<tr>\r\n<td width=80>\r\n<img src=\"Warning\" width=64 height=64>\r\n</td>\r\n<td>\r\n"
              "<body><h2>Page Not Retrieved</h2>This page (<a href=http://www.x.comKSDiffOrig>www.x.comKSDiffOrig"
              "</a>) is not available.</td>\r\n</tr>\r\n</table>\r\n");
    // Ten characters or fewer never count as a previous copy.
    EXPECT_TRUE(PageNotInBrief(context, false, "KSDiffOrig", -1, false).starts_with("HTTP/1.0 302"));
}

TEST(SyntheticPages, FileNotFoundHasStatus404AndNoContentType)
{
    DecorationContext context = Context();
    context.briefPath.reset();
    EXPECT_EQ(FileNotFoundMessage(context),
              "HTTP/1.0 404\r\n\r\n<base href=\"http://127.0.0.1:1888/\">\r\n<html><title>File Not Found</title>"
              "<table>\r\n<tr>\r\n<td width=80>\r\n<img src=\"Warning\" width=64 height=64>\r\n</td>\r\n<td>\r\n"
              "<body><h2>File Not Found</h2>Ravelin Pro Server was unable to load the file. It may be a 0-byte file "
              "or it may simply not exist.</td>\r\n</tr>\r\n</table>\r\n");
}

} // namespace
} // namespace rv
