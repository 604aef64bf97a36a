#include "client/pages/entry-targets.h"
#include "client/pages/packed-list.h"

#include <gtest/gtest.h>

namespace rv
{

// Found by argument-dependent lookup, so they live beside EntryTarget.
bool operator==(const EntryTarget& a, const EntryTarget& b)
{
    return a.Name == b.Name && a.Url == b.Url;
}

void PrintTo(const EntryTarget& t, std::ostream* os)
{
    *os << "{" << t.Name << ", " << t.Url << "}";
}

namespace
{

DefinitionSet Engines()
{
    DefinitionSet set;
    AddEngines(set, {{"Mojeek", "https://www.mojeek.com/search", "q=", false},
                     {"Plain", "http://plain.example/find", "s=", true},
                     {"Bare", "bare.example/cgi", "k=", false}});
    return set;
}

TEST(SearchAddresses, FinishTheAddressByItsScheme)
{
    const struct
    {
        const char* address;
        const char* finished;
    } rows[] = {
        {"http://a.example/s?q=x", "a.example/s?q=x"},
        {"HTTP://a.example/s?q=x", "a.example/s?q=x"},
        {"https://a.example/s?q=x", "https://a.example/s?q=x"},
        {"https://a.example?q=x", "https://a.example/?q=x"},
        {"http://a.example?q=x", "a.example/?q=x"},
        {"https://a.example\\s?q=x", "https://a.example\\s?q=x"},
        {"a.example/s?q=http://b", "a.example/s?q=http://b"},
        {"https://a.example", "https://a.example/"},
        {"file:///srv/s?q=x", "file:///srv/s?q=x"},
        {"www.x.org/http://y?q", "www.x.org/http://y?q"},
    };
    for (const auto& row : rows)
    {
        EXPECT_EQ(FinishSearchAddress(row.address), row.finished) << row.address;
    }
}

TEST(SearchAddresses, BlanksAndTabsBecomePlusAndParameterBytesAreEscaped)
{
    EXPECT_EQ(QueryForAddress("red\tfox  den"), "red+fox++den");
    EXPECT_EQ(QueryForAddress("AT&T #1 100% a+b"), "AT%26T+%231+100%25+a%2Bb");
    EXPECT_EQ(QueryForAddress("caf\xC3\xA9\r\n\"<>"), "caf%C3%A9%0D%0A%22%3C%3E");
    EXPECT_EQ(QueryForAddress("a/b?c=d"), "a/b?c=d");
}

TEST(EntryTargets, AWebEntryGivesItsCaptionAndAddress)
{
    TWebPage entry = MakeEntry(EntryKind::Web);
    entry.URL = "http://example.org/";
    EXPECT_EQ(EntryTargets(entry, {}), (std::vector<EntryTarget>{{"http://example.org/", "http://example.org/"}}));
    entry.EntryName = "Example";
    entry.NameSet = true;
    EXPECT_EQ(EntryTargets(entry, {}), (std::vector<EntryTarget>{{"Example", "http://example.org/"}}));
}

TEST(EntryTargets, ASearchEntryQueriesEveryKnownEngineInListOrder)
{
    TWebPage entry = MakeEntry(EntryKind::Search);
    entry.EntryName = "red fox";
    const PackedList list = PackNames({"Plain", "Unknown", "Mojeek", "mojeek", "Bare"});
    entry.EngineList = list.Bytes;
    entry.EngineListLength = list.Length;
    EXPECT_EQ(EntryTargets(entry, Engines()), (std::vector<EntryTarget>{
                                                  {"Plain", "plain.example/find?s=red+fox"},
                                                  {"Mojeek", "https://www.mojeek.com/search?q=red+fox"},
                                                  {"Bare", "bare.example/cgi?k=red+fox"},
                                              }));
}

TEST(EntryTargets, ASearchEntryWithoutDefinitionsOrEnginesHasNoTargets)
{
    TWebPage entry = MakeEntry(EntryKind::Search);
    entry.EngineList = PackNames({"Mojeek"}).Bytes;
    EXPECT_TRUE(EntryTargets(entry, {}).empty());
    entry.EngineList.clear();
    entry.EngineListLength = -1;
    EXPECT_TRUE(EntryTargets(entry, Engines()).empty());
}

TEST(EntryTargets, ADirectoryEntrySearchesThenQueriesEnginesThenFetchesCategories)
{
    TWebPage entry = MakeEntry(EntryKind::Yahoo);
    entry.SearchYahoo = true;
    entry.YahooSearch = "deep sea";
    entry.EngineList = PackNames({DirectoryEngineText(Engines().Engines[1]), "Bare", "Gone"}).Bytes;
    entry.CategoryList = PackNames({"Portals\aScience\thttps://w.org/wiki/Portal:Science", "no tab"}).Bytes;
    DefinitionSet set = Engines();
    set.DirectorySearchHost = "dir.example";
    EXPECT_EQ(EntryTargets(entry, set), (std::vector<EntryTarget>{
                                            {"Yahoo! Search", "dir.example/bin/search?p=deep+sea"},
                                            {"Mojeek", "https://www.mojeek.com/search?q=deep+sea"},
                                            {"Bare", "bare.example/cgi?k=deep+sea"},
                                            {"Portals\aScience", "https://w.org/wiki/Portal:Science"},
                                        }));
    entry.SearchYahoo = false;
    EXPECT_EQ(EntryTargets(entry, set).size(), 3u);
}

TEST(PackedLists, RoundTripAndStopAtTheEndMarkOrACutItem)
{
    const PackedList list = PackNames({"ab", "", "c", "ab", std::string(256, 'x')});
    EXPECT_EQ(list.Bytes, std::string("\x02"
                                      "ab\x01"
                                      "c\0",
                                      6));
    EXPECT_EQ(list.Length, 6);
    EXPECT_EQ(UnpackNames(list.Bytes), (std::vector<std::string>{"ab", "c"}));
    EXPECT_EQ(UnpackNames("\x02"
                          "ab\x05"
                          "cd"),
              std::vector<std::string>{"ab"});
    EXPECT_EQ(UnpackNames("\x01"
                          "a"),
              std::vector<std::string>{"a"});
    EXPECT_EQ(PackNames({}).Length, -1);
    EXPECT_TRUE(PackNames({}).Bytes.empty());
}

} // namespace
} // namespace rv
