// The request grammar, case by case: what archive and page a request names.
#include "server/http-request.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

struct GrammarCase
{
    const char* request;
    const char* archive;
    const char* page;
    bool cumulative;
    bool cumulativePage;
    const char* image;
};

const GrammarCase GrammarCases[] = {
    {"GET /C_/Briefs/News.rvd/ HTTP/1.0\r\n\r\n", "C:/Briefs/News.rvd", "index", false, false, ""},
    {"GET /home/ann/News.12-7-99.4h05m09s.rvd/ HTTP/1.0\r\n\r\n", "home/ann/News.12-7-99.4h05m09s.rvd", "index", false, false,
     ""},
    {"GET /home/ann/N.rvd/3/www.b.c/x.html HTTP/1.0\r\n\r\n", "home/ann/N.rvd", "3/www.b.c/x.html", false, false, ""},
    {"GET /home/My%20Briefs/N.RVD/index HTTP/1.0\r\n\r\n", "home/My Briefs/N.RVD", "index", false, false, ""},
    {"GET /a/N.rvd/2/index HTTP/1.0\r\n", "a/N.rvd", "index", false, false, ""},
    {"GET /a/N.rvd/cumulative/ HTTP/1.0\r\n", "a/N.rvd", "index", true, true, ""},
    {"GET /a/N.rvd/CUMULATIVE/3/www.x.com/ HTTP/1.0\r\n", "a/N.rvd", "3/www.x.com/", true, false, ""},
    {"GET /a/N.rvd/3/cumulative HTTP/1.0\r\n", "a/N.rvd", "index", false, true, ""},
    {"GET /a/N.rvd/3/-/\\www.x.com/y HTTP/1.0\r\n", "a/N.rvd", "www.x.com/y", false, false, ""},
    {"GET /a/N.rvd/3/-//www.x.com/y HTTP/1.0\r\n", "a/N.rvd", "www.x.com/y", false, false, ""},
    {"GET /a/N.rvd/3/-/a/-/b HTTP/1.0\r\n", "a/N.rvd", "b", false, false, ""},
    {"GET /a/N.rvd/3/www.x.com/page.html#part HTTP/1.0\r\n", "a/N.rvd", "3/www.x.com/page.html", false, false, ""},
    {"GET /a/N.rvd/3/x\\\"y HTTP/1.0\r\n", "a/N.rvd", "3/x\"y", false, false, ""},
    {"GET /a/saved.htm/TOC1 HTTP/1.0\r\n", "a/saved.htm", "TOC1", false, false, ""},
    {"GET /a/N.rvd/TOC1\r\n", "a/N.rvd", "TOC1", false, false, ""},
    {"GET /a/N.rvd/TOC1 \t HTTP/1.0\r\n", "a/N.rvd", "TOC1", false, false, ""},
    {"junk before GET\t\r\n//\\\\a/N.rvd/Match2 HTTP/1.0\r\n", "a/N.rvd", "Match2", false, false, ""},
    // Images, by name and by the archive's relative addresses.
    {"GET /HasDiffs HTTP/1.0\r\n", "HasDiffs", "HasDiffs", false, false, "images/diff.gif"},
    {"GET /a/N.rvd/HasDiffs HTTP/1.0\r\n", "a/N.rvd", "HasDiffs", false, false, "images/diff.gif"},
    {"GET /a/N.rvd/RavelinBar HTTP/1.0\r\n", "a/N.rvd", "RavelinBar", false, false, "images/briefbar.gif"},
    {"GET /a/N.rvd/3/RavelinDiffMarker2 HTTP/1.0\r\n", "a/N.rvd", "3/RavelinDiffMarker2", false, false, "images/exclam.gif"},
    {"GET /a/N.rvd/3/Warning HTTP/1.0\r\n", "a/N.rvd", "3/Warning", false, false, "images/warn.gif"},
    {"GET /a/N.rvd/Background HTTP/1.0\r\n", "a/N.rvd", "Background", false, false, "images/back.gif"},
    {"GET /a/N.rvd/NoSearchMatches HTTP/1.0\r\n", "a/N.rvd", "NoSearchMatches", false, false, "images/nosmart.gif"},
    {"GET /a/N.rvd/3/images/NotLoaded HTTP/1.0\r\n", "", "", false, false, "images/noimage.gif"},
    {"GET /a/N.rvd/3/x,.gif HTTP/1.0\r\n", "", "", false, false, "images/blank.gif"},
    {"GET /images/toc.gif HTTP/1.0\r\n", "", "", false, false, "images/toc.gif"},
};

TEST(RequestGrammar, EachRequestNamesItsArchivePageAndImage)
{
    for (const GrammarCase& c : GrammarCases)
    {
        SCOPED_TRACE(c.request);
        const ParsedRequest parsed = ParseRequest(c.request);
        EXPECT_TRUE(parsed.hasGet);
        EXPECT_EQ(parsed.imageFile, c.image);
        if (*c.image && !*c.archive)
            continue;
        EXPECT_EQ(parsed.archiveName, c.archive);
        EXPECT_EQ(parsed.pageName, c.page);
        EXPECT_EQ(parsed.cumulative, c.cumulative);
        EXPECT_EQ(parsed.cumulativePage, c.cumulativePage);
    }
}

TEST(RequestGrammar, DriveLetterPathSetsTheDriveFlag)
{
    EXPECT_TRUE(ParseRequest("GET /C_/B/N.rvd/ HTTP/1.0").driveFlag);
    EXPECT_TRUE(ParseRequest("GET /D_\\B\\N.rvd/ HTTP/1.0").driveFlag);
    EXPECT_FALSE(ParseRequest("GET /home/N.rvd/ HTTP/1.0").driveFlag);
}

TEST(RequestGrammar, RequestWithoutGetHasNoAnswer)
{
    EXPECT_FALSE(ParseRequest("POST /a/N.rvd/ HTTP/1.0\r\n\r\n").hasGet);
    EXPECT_FALSE(ParseRequest("").hasGet);
    EXPECT_FALSE(ParseRequest("get /a HTTP/1.0").hasGet);
}

TEST(RequestGrammar, OnlyKnownImageFilesAreServedFromTheImagesFolder)
{
    for (const char* request : {"GET /images/../../etc/passwd HTTP/1.0", "GET /images/ HTTP/1.0",
                                "GET /images/brief.gif/x HTTP/1.0", "GET /images/BRIEF.GIF HTTP/1.0"})
    {
        SCOPED_TRACE(request);
        const ParsedRequest parsed = ParseRequest(request);
        EXPECT_TRUE(parsed.badImage);
        EXPECT_TRUE(parsed.imageFile.empty());
    }
    EXPECT_EQ(ParseRequest("GET /images/n-mdiff.gif HTTP/1.0").imageFile, "images/n-mdiff.gif");
}

TEST(RequestGrammar, ImageNamesAreTriedInTableOrder)
{
    EXPECT_EQ(ImageFileFor("HasEDiffs"), "images/ediff.gif");
    EXPECT_EQ(ImageFileFor("NoMDiffs"), "images/n-mdiff.gif");
    EXPECT_EQ(ImageFileFor("HasMatches"), "images/y-smart.gif");
    EXPECT_EQ(ImageFileFor("HasSearchMatches"), "images/smart.gif");
    EXPECT_EQ(ImageFileFor("12/warning"), "images/warn.gif");
    // Recognised in any case, but the file rows compare exactly.
    EXPECT_TRUE(IsImageName("hasdiffs"));
    EXPECT_EQ(ImageFileFor("hasdiffs"), "images/back.gif");
    EXPECT_FALSE(IsImageName("www.x.com/HasDiffs.html"));
}

TEST(RequestHeader, EndIsTheEarlierOfBlankLineForms)
{
    EXPECT_EQ(CharFindEndOfHTTPHeader("GET / HTTP/1.0\r\n\r\n"), 18u);
    EXPECT_EQ(CharFindEndOfHTTPHeader("GET /\n\nX\r\n\r\n"), 7u);
    EXPECT_EQ(CharFindEndOfHTTPHeader("GET /\r\n\r\nX\n\n"), 9u);
    EXPECT_FALSE(CharFindEndOfHTTPHeader("GET / HTTP/1.0\r\nHost: x\r\n"));
    EXPECT_FALSE(CharFindEndOfHTTPHeader("GET /\r\n\r"));
}

TEST(RequestHeader, OnlyLoopbackHostsArePassed)
{
    for (const char* host : {"127.0.0.1", "127.0.0.1:1888", "localhost", "LocalHost:80", "[::1]", "[::1]:1888"})
    {
        SCOPED_TRACE(host);
        EXPECT_TRUE(HostAllowed(std::string("GET / HTTP/1.0\r\nHost: ") + host + "\r\n\r\n"));
    }
    for (const char* host : {"evil.example", "evil.example:1888", "127.0.0.1.evil.example", "localhost:x", "", "127.0.0.2",
                             "[::2]", "localhost:1888:1"})
    {
        SCOPED_TRACE(host);
        EXPECT_FALSE(HostAllowed(std::string("GET / HTTP/1.0\r\nHOST:") + host + "\r\n\r\n"));
    }
    EXPECT_EQ(CheckHost("GET / HTTP/1.0\r\nUser-Agent: x\r\n\r\n"), HostCheck::Missing);
    EXPECT_FALSE(HostAllowed("GET / HTTP/1.0\r\nHost: localhost\r\nHost: evil.example\r\n\r\n"));
}

} // namespace
} // namespace rv
