#include "client/shell/setting-texts.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

using Items = std::vector<std::string>;

TEST(CredentialTextTest, ZeroBytesAndBackslashesOfTheScrambledFormAreEscapedBehindTheLengthByte)
{
    // "passwordj" scrambles to 5c 36 6c 26 82 a9 23 be d6 40 6d 00: a backslash first, a zero byte last.
    const std::string stored = StoredCredential("passwordj");
    EXPECT_EQ(stored, std::string("\x0e\x5c\x5c\x36\x6c\x26\x82\xa9\x23\xbe\xd6\x40\x6d\x5c\x30", 15));
    EXPECT_EQ(stored.find('\0'), std::string::npos);
    EXPECT_EQ(CredentialFromStored(stored), "passwordj");
    EXPECT_EQ(StoredCredential(""), "");
    EXPECT_EQ(CredentialFromStored(""), "");
}

TEST(CredentialTextTest, CredentialsTooLongForTheLengthByteAreCutToAWholeStoredValue)
{
    for (const std::string& plain : {std::string(300, 'a'), std::string(300, 'j'), std::string(300, '\xff')})
    {
        EXPECT_FALSE(CredentialFits(plain));
        const std::string stored = StoredCredential(plain);
        ASSERT_FALSE(stored.empty());
        EXPECT_EQ(static_cast<unsigned char>(stored[0]), stored.size() - 1);
        EXPECT_LE(stored.size() - 1, MaxEscapedCredentialBytes);
        const std::string read = CredentialFromStored(stored);
        EXPECT_GT(read.size(), 150u);
        EXPECT_EQ(read, plain.substr(0, read.size()));
        EXPECT_EQ(StoredCredential(read), stored);
    }
    EXPECT_TRUE(CredentialFits(std::string(150, 'a')));
}

TEST(CredentialTextTest, ADamagedStoredCredentialReadsOnlyWhatIsThere)
{
    const std::string stored = StoredCredential("secret");
    for (std::size_t size = 0; size < stored.size(); ++size)
    {
        EXPECT_LT(CredentialFromStored(stored.substr(0, size)).size(), 6u) << "cut at " << size;
    }
    std::string longer = stored;
    longer[0] = '\xff';
    EXPECT_EQ(CredentialFromStored(longer), "secret");
    EXPECT_EQ(CredentialFromStored(stored + "trailing"), "secret");
}

TEST(BrowserTextTest, PathIsQuotedWhenStoredAndUnquotedValuesLoseTheirLastBlankOn)
{
    EXPECT_EQ(QuotedBrowserPath("/opt/my browser/run"), "\"/opt/my browser/run\"");
    EXPECT_EQ(BrowserPathFromStored("\"/opt/my browser/run\""), "/opt/my browser/run");
    EXPECT_EQ(BrowserPathFromStored("\"/opt/run\" --new-window"), "/opt/run");
    EXPECT_EQ(BrowserPathFromStored("/usr/bin/chromium --incognito"), "/usr/bin/chromium");
    EXPECT_EQ(BrowserPathFromStored("/usr/bin/chromium -a -b"), "/usr/bin/chromium -a");
    EXPECT_EQ(BrowserPathFromStored("/usr/bin/chromium"), "/usr/bin/chromium");
    EXPECT_EQ(BrowserPathFromStored("\"/unterminated"), "/unterminated");
}

TEST(BrowserTextTest, ServiceIsNetscapeOrTheUpperCaseFileNameWithoutExtension)
{
    EXPECT_EQ(BrowserServiceOf("C:\\Program Files\\Netscape\\Communicator\\Program\\netscape.exe"), "NETSCAPE");
    EXPECT_EQ(BrowserServiceOf("/opt/NetScape4/bin/nav"), "NETSCAPE");
    EXPECT_EQ(BrowserServiceOf("C:\\Program Files\\Plus!\\Microsoft Internet\\IExplore.exe"), "IEXPLORE");
    EXPECT_EQ(BrowserServiceOf("/usr/bin/firefox-esr"), "FIREFOX-ESR");
    EXPECT_EQ(BrowserServiceOf("/opt/v1.2/browser.bin"), "BROWSER");
    EXPECT_EQ(BrowserServiceOf(""), "");
}

TEST(ProxyTextTest, ALeadingSchemeIsDropped)
{
    EXPECT_EQ(ProxyHostWithoutScheme("http://cache.example.net"), "cache.example.net");
    EXPECT_EQ(ProxyHostWithoutScheme("HTTPS://cache:3128"), "cache:3128");
    EXPECT_EQ(ProxyHostWithoutScheme("cache.example.net"), "cache.example.net");
    EXPECT_EQ(ProxyHostWithoutScheme("://x"), "x");
}

TEST(NumberTextTest, DecimalsAreStrictAndRangesAreKept)
{
    EXPECT_EQ(ParseNumberInRange(" -8\t", -20, 20), -8);
    EXPECT_EQ(ParseNumberInRange("5000", 1, 20), 20);
    EXPECT_EQ(ParseNumberInRange("0", 1, 20), 1);
    EXPECT_EQ(ParseNumberInRange("x", 1, 20), std::nullopt);
}

TEST(PackedListTest, ItemsCarryTheirLengthPlusOneAndAZeroByteEndsTheList)
{
    EXPECT_EQ(PackList({"localhost", "intranet:8080", "10.0.0.1"}), std::string("\x0alocalhost\x0eintranet:8080\x09"
                                                                                "10.0.0.1\0",
                                                                                34));
    EXPECT_EQ(PackList({}), std::string(1, '\0'));
    EXPECT_EQ(UnpackList(std::string("\x0alocalhost\x01\x02x\0\x05junk", 17)), (Items{"localhost", "", "x"}));
    EXPECT_EQ(UnpackList("\x03"
                         "ab\x09short"),
              (Items{"ab"}));
    EXPECT_EQ(UnpackList(""), Items{});
    const std::string longest(MaxPackedItemBytes, 'h');
    EXPECT_EQ(UnpackList(PackList({longest, longest + "h", "x"})), (Items{longest, "x"}));
}

TEST(PackedListTest, PreviousBriefsAlwaysHoldFourSlots)
{
    using namespace std::string_literals;
    EXPECT_EQ(PackPreviousBriefs({"/b/News.brf"}), "\x0c/b/News.brf\x01\x01\x01\0"s);
    EXPECT_EQ(PackPreviousBriefs({"a", std::string(300, 'p'), "b", "c", "d"}), "\x02\x61\x01\x02\x62\x02\x63\0"s);
    EXPECT_EQ(UnpackPreviousBriefs("\x02\x61\x01\x02\x61\x02\x62\x02\x63\x02\x64\0"s), (Items{"a", "b", "c", "d"}));
}

TEST(ItemListTest, ItemsAreDecimalLengthSlashAndText)
{
    const Items items = {"/cgi-bin/", "ads", "", "a/b 12/x"};
    EXPECT_EQ(JoinItemList(items), "9//cgi-bin/3/ads0/8/a/b 12/x");
    EXPECT_EQ(SplitItemList(JoinItemList(items)), items);
    EXPECT_EQ(SplitItemList("3/ads99/short"), (Items{"ads"}));
    EXPECT_EQ(SplitItemList("3/ads-1/x"), (Items{"ads"}));
    EXPECT_EQ(SplitItemList("x/ads"), Items{});
    EXPECT_EQ(SplitItemList("99999999999999999999/x"), Items{});
}

} // namespace
} // namespace rv
