#include "client/pages/same-site.h"
#include "client/pages/url-parts.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

TEST(SameSite, RegisteredDomainsComeFromThePublicSuffixList)
{
    struct Row
    {
        const char* url;
        const char* start;
        bool same;
    };
    const Row rows[] = {
        {"news.bbc.co.uk/a", "http://www.bbc.co.uk/", true},
        {"www.gov.co.uk/", "www.bbc.co.uk", false},
        {"bbc.co.uk", "www.bbc.co.uk", true},
        {"n.b.c/x", "w.b.c/", true},
        {"b.c.o.t/", "w.b.c/", false},
        {"WWW.Example.COM:8080/x", "http://example.com/", true},
        {"badexample.com/", "www.example.com/", false},
        {"example.com.evil.org/", "www.example.com/", false},
        {"localhost/a", "localhost:8080/", true},
        {"127.0.0.1:81/a", "http://127.0.0.1:8080/", true},
        {"127.0.0.2/a", "127.0.0.1/", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(SameSite(row.url, row.start), row.same) << row.url << " against " << row.start;
}

TEST(SameSite, RegisteredDomainKeepsAddressesAndSuffixesWhole)
{
    EXPECT_EQ(RegisteredDomain("www.bbc.co.uk"), "bbc.co.uk");
    EXPECT_EQ(RegisteredDomain("co.uk"), "co.uk");
    EXPECT_EQ(RegisteredDomain("192.168.1.20"), "192.168.1.20");
    EXPECT_EQ(RegisteredDomain("Host"), "host");
}

TEST(UrlParts, SplitsHostPortAndPath)
{
    EXPECT_EQ(HostOf("http://a.b:81/c/d"), "a.b:81");
    EXPECT_EQ(HostOf("a.b/c://x"), "a.b");
    EXPECT_EQ(PortOf("a.b:81"), 81);
    EXPECT_EQ(PortOf("a.b:x"), 80);
    EXPECT_EQ(PortOf("a.b:70000"), 80);
    EXPECT_EQ(PortOf("a.b"), 80);
    EXPECT_EQ(PathOf("a.b"), "/");
    EXPECT_EQ(PathOf("a.b/c?d#e"), "/c?d");
}

TEST(UrlParts, OnlyFourDecimalGroupsAreDottedQuads)
{
    EXPECT_TRUE(IsDottedQuad("127.0.0.1"));
    EXPECT_TRUE(IsDottedQuad("255.255.255.255"));
    EXPECT_FALSE(IsDottedQuad("256.1.1.1"));
    EXPECT_FALSE(IsDottedQuad("1.2.3"));
    EXPECT_FALSE(IsDottedQuad("1.2.3.4.5"));
    EXPECT_FALSE(IsDottedQuad("1.2.3.4a"));
    EXPECT_FALSE(IsDottedQuad("a.b.c.d"));
    EXPECT_FALSE(IsDottedQuad("1.2..4"));
}

} // namespace
} // namespace rv
