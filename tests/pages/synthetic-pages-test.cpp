#include "client/pages/retrieval-request.h"
#include "client/pages/synthetic-pages.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

const std::string Open = "<table>\r\n<tr>\r\n<td width=80>\r\n<img src=\"Warning\" width=64 height=64>\r\n</td>\r\n<td>\r\n";
const std::string End = "</td>\r\n</tr>\r\n</table>\r\n</body></html>";
const std::string Inaccessible =
    "HTTP/1.0 888\r\n\r\n<html><title>Inaccessible Page</title><body>" + Open + "<h2>Inaccessible Page</h2>";

TEST(ClientPages, EveryPageMatchesItsBytes)
{
    struct Row
    {
        ClientPage page;
        std::string expected;
    };
    const Row rows[] = {
        {ClientPage::Skipped, "HTTP/1.0 888\r\n\r\n<html><title>Ravelin Pro Web page skipped</title><body>" + Open +
                                  "<h2>Page Skipped</h2>You asked Ravelin Pro to skip this Web entry (<a href=\"http://a.b/c\">"
                                  "http://a.b/c</a>)." +
                                  End},
        {ClientPage::NoConnection, Inaccessible +
                                       "Ravelin Pro was unable to connect to the server to load <a href=\"http://a.b/c\">"
                                       "a.b/c</a>. The server or network may be down." +
                                       End},
        {ClientPage::NotLoaded, Inaccessible +
                                    "Ravelin Pro was unable to load <a href=\"http://a.b/c\">a.b/c</a>. Either the site "
                                    "does not exist or the network is too heavily loaded at this time and Ravelin Pro "
                                    "could not access the page." +
                                    End},
        {ClientPage::BadCredentials,
         Inaccessible +
             "Ravelin Pro was unable to load the Web page located at <a href=\"http://a.b/c\">a.b/c</a>.<p>"
             "This page requires a UserName and Password.<p>They are not correct. Please correct them to "
             "properly load the page." +
             End},
        {ClientPage::ExternalLink,
         "HTTP/1.0 888\r\n\r\n<html><title>External Link</title><body>" + Open +
             "<h2>External Link</h2>In the Web properties for this brief entry, Ravelin Pro was instructed to not "
             "follow links which led to external sites. This link (<a href=\"http://a.b/c\">a.b/c</a>) is external to "
             "the original page and, as such, was not followed. On future visits to this site, you may want to select "
             "\"Follow External Links\" in the Web Page Properties" +
             End},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ClientPageText(row.page, "a.b/c"), row.expected) << int(row.page);
}

TEST(ClientPages, FileErrorPageNamesTheReason)
{
    EXPECT_EQ(FileErrorPageText("file:///c|/x.htm", "was not found"),
              Inaccessible +
                  "Ravelin Pro was unable to load the file. <a href=\"file:///c|/x.htm\">file:///c|/x.htm</a> "
                  "was not found." +
                  End);
}

TEST(ClientPages, HttpGoesInFrontUnlessTheAddressHasItsOwnScheme)
{
    // A colon before the first slash and the first full stop is a scheme.
    EXPECT_NE(ClientPageText(ClientPage::NotLoaded, "ftp://a.b/").find("href=\"ftp://a.b/\""), std::string::npos);
    // A port colon comes after a full stop: not a scheme.
    EXPECT_NE(ClientPageText(ClientPage::NotLoaded, "a.b:81/").find("href=\"http://a.b:81/\""), std::string::npos);
    EXPECT_NE(ClientPageText(ClientPage::NotLoaded, "intranet:81/").find("href=\"http://intranet:81/\""), std::string::npos);
    // Quotation marks become apostrophes; tags cannot be opened.
    std::string page = ClientPageText(ClientPage::NotLoaded, "a.b/\"<x>");
    EXPECT_NE(page.find("href=\"http://a.b/'%3Cx%3E\">a.b/'%3Cx%3E</a>"), std::string::npos);
}

TEST(StatusPages, EachStatusHasItsLeadInAndClosing)
{
    const std::string head =
        "HTTP/1.0 500\r\n\r\n<html><title>Inaccessible Page</title><body>" + Open + "<h2>Inaccessible Page</h2>";
    const std::string attempted = "Ravelin Pro attempted to load the Web page located at <a href=\"";
    struct Row
    {
        int status;
        std::string leadIn;
        std::string closing;
    };
    const Row rows[] = {
        {202, attempted, "</a>.<p>The server accepted this request but chose not to respond."},
        {204, "Ravelin Pro loaded the Web page located at <a href=\"",
         "</a>.<p>This page, however, is empty; the server returned no content."},
        {400, attempted, "</a>.<p>The server did not respond to the request."},
        {403, attempted,
         "</a>.<p>The server understood the request but refused to fulfill it. This response is often used when the "
         "server does not wish to reveal exactly why the request was refused."},
        {404, attempted, "</a>.<p>The server was unable to find or deliver the requested page."},
        {501, attempted, "</a>.<p>The server is not fully functional and was unable to respond to the request."},
        {502, attempted, "</a>.<p>The server was unable to respond to the request."},
    };
    for (const Row& row : rows)
    {
        EXPECT_EQ(StatusPageText(row.status, "a.b/c"),
                  head + row.leadIn + "http://a.b/c\">a.b/c" + row.closing + "</td>\r\n</tr>\r\n</table>\r\n</body></html>")
            << row.status;
    }
    EXPECT_NE(StatusPageText(404, "https://a.b/").find("href=\"https://a.b/\">https://a.b/</a>"), std::string::npos);
}

TEST(StorePage, ReplacesTheBodyAndEndsItWithAZeroByte)
{
    RetrievalRequest request;
    request.Data.Write("old body that is longer");
    request.ContentType = "image/gif";
    StorePage(request, "HTTP/1.0 888\r\n\r\nx");
    EXPECT_EQ(request.Data.View(), std::string_view("HTTP/1.0 888\r\n\r\nx\0", 18));
    EXPECT_EQ(request.ContentType, "text/html");
    EXPECT_TRUE(request.BodyReady);
}

TEST(SyntheticPagesTest, AFailurePageTitleIsFoundAnywhereInAnAnswer)
{
    const std::pair<std::string, bool> cases[] = {
        {"", false},
        {"<html><title>News</title><body>", false},
        {"<html><title>Page Not</title>", false},
        {"<html><title>News</title><p><html><title>Page Not Retrieved</title>", true},
        {"x<html><title>Ravelin Pro Web page skipped</title>", true},
        {"<html><title>Inaccessible Page</title>", true},
        {"<html><title><html><title>Page Not Available</title>", true},
    };
    for (const auto& [text, found] : cases)
        EXPECT_EQ(HasFailurePageTitle(text), found) << text;
}

} // namespace
} // namespace rv
