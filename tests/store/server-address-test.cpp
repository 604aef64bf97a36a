// The local server's addresses: what the programs write is what the server reads back.
#include "store/server-address.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

struct RoundTrip
{
    std::string archive;  // as the programs hold it
    std::string page;     // as stored
    std::string address;  // what goes on the wire
    std::string readBack; // the archive name the server opens
    bool drive;
};

TEST(ServerAddressTest, AddressesRoundTripThroughTheParser)
{
    const RoundTrip table[] = {
        {"/home/ann/My Briefs/News.rvd", "index", "http://127.0.0.1:1888/home/ann/My%20Briefs/News.rvd/index",
         "home/ann/My Briefs/News.rvd", false},
        {"/home/ann/a#b/News.rvd", "host/p?q=1&r=2#top",
         "http://127.0.0.1:1888/home/ann/a%23b/News.rvd/host/p%3Fq%3D1%26r%3D2%23top", "home/ann/a#b/News.rvd", false},
        {"/home/ann/100%/N\xC3\xA8ws.rvd", "h\xC3\xA8/x~y_z-1.html",
         "http://127.0.0.1:1888/home/ann/100%25/N%C3%A8ws.rvd/h%C3%A8/x~y_z-1.html", "home/ann/100%/N\xC3\xA8ws.rvd", false},
        {"C:\\Briefs\\News.rvd", "host&colon;81/KSDiffOrig",
         "http://127.0.0.1:1888/C_/Briefs/News.rvd/host%26colon%3B81/KSDiffOrig", "C:/Briefs/News.rvd", true},
    };
    for (const RoundTrip& row : table)
    {
        SCOPED_TRACE(row.archive);
        const std::string address = ServerPageAddress(1888, row.archive, row.page);
        EXPECT_EQ(address, row.address);
        const std::optional<ServerAddress> parsed = ParseServerAddress(address);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->port, 1888);
        EXPECT_EQ(parsed->archive.name, row.readBack);
        EXPECT_EQ(parsed->archive.drive, row.drive);
        EXPECT_EQ(parsed->pageName, row.page);
    }
}

TEST(ServerAddressTest, MalformedEscapesAreRefused)
{
    EXPECT_EQ(PercentDecode("a%c3%A8%2f"), "a\xC3\xA8/");
    for (const char* bad : {"a%", "a%4", "a%zz", "a%4g", "%00.rvd"})
        EXPECT_FALSE(PercentDecode(bad)) << bad;
    EXPECT_FALSE(ParseServerAddress("http://127.0.0.1:1888/a%2.rvd/"));
    EXPECT_FALSE(ParseServerAddress("http://127.0.0.1.example.com/a.rvd/"));
}

TEST(ServerAddressTest, OnlyTheServersOwnBaseTagIsRecognised)
{
    const std::string tag = "<base href=\"http://127.0.0.1:1888/a.rvd/1/\">";
    EXPECT_EQ(ServerBaseTagLength(tag + "<html>"), tag.size());
    const std::string quoted = "<BASE HREF = 'http://127.0.0.1:1888/a>b.rvd/' >";
    EXPECT_EQ(ServerBaseTagLength(quoted + "<html>"), quoted.size());
    EXPECT_EQ(ServerBaseTagLength("<base href=\"http://elsewhere/\"><html>"), 0u);
    EXPECT_EQ(ServerBaseTagLength("<basefont><base href=\"http://127.0.0.1:1888/\">"), 0u);
    EXPECT_EQ(ServerBaseTagLength("<base href=\"http://127.0.0.1:1888/a.rvd/"), 0u);
}

} // namespace
} // namespace rv
