#include "client/pages/summary-page.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

std::string Img(const std::string& file, const std::string& alt)
{
    return "<img src=\"file:///opt/rv/images/" + file + "\" border=0 align=absmiddle width=24 height=24 alt=\"" + alt + "\">";
}

FrameHeaderInput Input()
{
    FrameHeaderInput input;
    input.Address = "www.x.com/frames/top.html";
    input.SiteMapLink = true;
    input.SmartSearch = true;
    input.BriefName = "News";
    input.StampDate = "3/7/5";
    input.StampTime = "12:05:09AM";
    input.LinkNumber = 2;
    input.ProgramFolder = "/opt/rv/";
    return input;
}

const std::string Tail = "<font size=3>News</font>\r\n<font size=3>3/7/5     12:05:09AM <b>by Ravelin</b></font>"
                         "<font size=1>(TM)</font> Pro</nobr><br>\r\n";

TEST(FrameHeader, FullLineHasEveryButtonInOrder)
{
    EXPECT_EQ(FrameNavigationHeader(Input()), "<nobr>&#160; <a href=\"index\" target=\"_top\">" + Img("brief.gif", "Brief") +
                                                  "</a> <a href=\"TOC2\" target=\"_top\">" + Img("toc.gif", "Site Map") +
                                                  "</a> <a href=\"Match2\" target=\"_top\">" +
                                                  Img("search.gif", "Smart Search") +
                                                  "</a> <a href=http://www.x.com/frames/top.html target=\"_top\">" +
                                                  Img("orig.gif", "Original Link") + "</a> " + Tail);
}

TEST(FrameHeader, WithoutLinkNumberOnlyTheBriefButtonIsShown)
{
    FrameHeaderInput input = Input();
    input.LinkNumber = -1;
    EXPECT_EQ(FrameNavigationHeader(input),
              "<nobr>&#160; <a href=\"index\" target=\"_top\">" + Img("brief.gif", "Brief") + "</a> " + Tail);
}

TEST(FrameHeader, SiteMapAndSmartSearchButtonsFollowTheirSwitches)
{
    FrameHeaderInput input = Input();
    input.SiteMapLink = false;
    input.SmartSearch = false;
    const std::string line = FrameNavigationHeader(input);
    EXPECT_EQ(line.find("TOC2"), std::string::npos);
    EXPECT_EQ(line.find("Match2"), std::string::npos);
    EXPECT_NE(line.find("<a href=http://www.x.com/frames/top.html target="), std::string::npos);
}

TEST(FrameHeader, AddressWithItsOwnSchemeIsNotGivenAnother)
{
    FrameHeaderInput input = Input();
    struct Row
    {
        std::string address;
        std::string href;
    };
    const Row rows[] = {
        {"https://a.b/c", "<a href=https://a.b/c target="},
        {"ftp://a.b/", "<a href=ftp://a.b/ target="},
        {"a.b:8080/c", "<a href=http://a.b:8080/c target="},       // the port's colon comes after a dot
        {"localhost/a:b", "<a href=http://localhost/a:b target="}, // the colon comes after the slash
        {"mailto:ann", "<a href=mailto:ann target="},
        {"localhost:8080/c", "<a href=http://localhost:8080/c target="}, // a dotless host and its port
    };
    for (const Row& row : rows)
    {
        input.Address = row.address;
        EXPECT_NE(FrameNavigationHeader(input).find(row.href), std::string::npos) << row.address;
    }
}

TEST(FrameHeader, ProgramFolderBecomesAFileAddressWithThreeSlashes)
{
    EXPECT_EQ(ButtonImage("C:\\Program Files\\Ravelin\\", "toc.gif", "Site Map"),
              "<img src=\"file:///C:/Program Files/Ravelin/images/toc.gif\" border=0 align=absmiddle width=24 "
              "height=24 alt=\"Site Map\">");
    EXPECT_EQ(ButtonImage("/opt/rv", "toc.gif", "Site Map"), Img("toc.gif", "Site Map"));
}

TEST(FrameHeader, PageWrapsTheLineInBodyTags)
{
    const std::string page = FrameHeadPage(Input());
    EXPECT_TRUE(page.starts_with("<html><body><nobr>"));
    EXPECT_TRUE(page.ends_with("</nobr><br>\r\n</body></html>"));
}

} // namespace
} // namespace rv
