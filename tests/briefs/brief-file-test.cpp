#include "client/briefs/brief-file.h"
#include "tests/briefs/brief-bytes.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

using test::BriefBytes;

// ---- fixtures built the same way for writing and reading ---------------------

TWebPage FullWebEntry()
{
    TWebPage e = MakeEntry(EntryKind::Web);
    e.Active = false;
    e.EntryName = "News";
    e.URL = "http://example.com/news/";
    e.FullRetrieval = false;
    e.MarkDiffs = true;
    e.SmartSearch = true;
    e.CaseSensitive = true;
    e.CheckHeader = true;
    e.SearchHTML = false;
    e.SpiderDepth = 7;
    e.ExternalDepth = 3;
    e.Images = false;
    e.PlugIns = true;
    e.Applets = true;
    e.ActiveX = true;
    e.Other = true;
    e.Frames = true;
    e.UserName = "ann";
    e.Password = "secret";
    e.SearchFor = "linux AND kernel";
    e.LocalOnly = false;
    e.NameSet = true;
    e.PreserveOnly = true;
    e.StayInSubdir = true;
    e.KeepUnfilteredPage = false;
    e.ExclusionLists = true;
    e.PageRefs = {"a.rvd/1/x", "a.rvd/2/y"};
    e.InList = {"keep"};
    e.ExList = {"ads", "tracker"};
    e.UserAgent = "Mozilla/3.01";
    e.BypassProxyCache = true;
    e.LockCode = "K1";
    return e;
}

BriefBytes& FullWebEntryRecords(BriefBytes& b)
{
    return b.Value(40, 0)
        .Value(8, 0)
        .Text(9, "News")
        .Text(10, "http://example.com/news/")
        .Value(11, 0)
        .Value(12, 7)
        .Value(13, 0)
        .Value(14, 1)
        .Text(17, "linux AND kernel")
        .Value(18, 0)
        .Value(19, 1)
        .Value(21, 1)
        .Value(22, 0)
        .Value(24, 1)
        .Value(25, 1)
        .Value(26, 1)
        .Value(27, 1)
        .Value(28, 1)
        .Scrambled(29, "secret")
        .Scrambled(30, "ann")
        .Value(31, 0)
        .Scrambled(33, "K1")
        .Value(38, 1)
        .Value(39, 0)
        .Value(41, 0)
        .Value(44, 1)
        .Value(48, 1)
        .Value(50, 1)
        .Value(51, 0)
        .Value(52, 1)
        .Value(53, 2)
        .Text(54, "a.rvd/1/x")
        .Text(54, "a.rvd/2/y")
        .Value(55, 1)
        .Text(56, "keep")
        .Value(57, 2)
        .Text(58, "ads")
        .Text(58, "tracker")
        .Value(59, 7)
        .Value(60, 3)
        .Text(61, "Mozilla/3.01")
        .Value(64, 1)
        .Value(66, 0);
}

// The records of an entry with the fixed defaults of its kind, from tag 40
// up to (not including) tag 22.
BriefBytes& DefaultEntryHead(BriefBytes& b, EntryKind kind, std::string_view name)
{
    return b.Value(40, static_cast<int>(kind))
        .Value(8, 1)
        .Text(9, name)
        .Text(10, "")
        .Value(11, 1)
        .Value(12, 1)
        .Value(13, 1)
        .Value(14, 0)
        .Text(17, "")
        .Value(18, 1)
        .Value(19, kind == EntryKind::Yahoo ? 1 : 0)
        .Value(21, 0);
}

// From tag 24 to tag 33 for an entry without credentials.
BriefBytes& DefaultEntryMiddle(BriefBytes& b, bool locked = false)
{
    return b.Value(24, 0)
        .Value(25, 0)
        .Value(26, 0)
        .Value(27, 0)
        .Value(28, 0)
        .Text(29, "")
        .Text(30, "")
        .Value(31, locked ? 1 : 0)
        .Text(33, "");
}

BriefBytes& DefaultEntryTail(BriefBytes& b)
{
    return b.Value(44, 0).Value(48, 0).Value(50, 0).Value(51, 1).Value(52, 0).Value(59, 1).Value(60, 1).Value(64, 0).Value(66,
                                                                                                                           1);
}

TBrief NamedBrief(const std::string& name)
{
    TBrief brief;
    ResetBrief(brief, "/briefs/" + name + ".brf");
    return brief;
}

TBrief Read(const std::string& bytes, BriefReadStatus expected = BriefReadStatus::Loaded)
{
    TBrief brief = NamedBrief("Read");
    EXPECT_EQ(ReadBriefFile(bytes, brief).Status, expected);
    return brief;
}

// ---- writing -----------------------------------------------------------------

TEST(BriefFile, EmptyBriefIsMagicHeaderAndBriefRecords)
{
    const TBrief brief = NamedBrief("Empty");
    BriefBytes expected;
    expected.Header();
    test::DefaultBriefRecords(expected, "Empty", 0);
    EXPECT_EQ(WriteBriefFile(brief), expected.Bytes());
}

TEST(BriefFile, WebEntryWithEveryFieldSetGivesTheTableBytesAndReadsBack)
{
    TBrief brief = NamedBrief("Web");
    brief.Entries.Insert(FullWebEntry(), -1);
    BriefBytes expected;
    expected.Header();
    test::DefaultBriefRecords(expected, "Web", 1);
    FullWebEntryRecords(expected);
    ASSERT_EQ(WriteBriefFile(brief), expected.Bytes());

    const TBrief read = Read(expected);
    ASSERT_EQ(read.Entries.Count(), 1);
    const TWebPage& e = read.Entries[0];
    EXPECT_FALSE(e.Active);
    EXPECT_EQ(e.EntryName, "News");
    EXPECT_EQ(e.URL, "http://example.com/news/");
    EXPECT_EQ(e.SpiderDepth, 7);
    EXPECT_EQ(e.ExternalDepth, 3);
    EXPECT_EQ(e.UserName, "ann");
    EXPECT_EQ(e.Password, "secret");
    EXPECT_EQ(e.LockCode, "K1");
    EXPECT_EQ(e.PageRefs, (std::vector<std::string>{"a.rvd/1/x", "a.rvd/2/y"}));
    EXPECT_EQ(e.InList, std::vector<std::string>{"keep"});
    EXPECT_EQ(e.ExList, (std::vector<std::string>{"ads", "tracker"}));
    EXPECT_EQ(e.UserAgent, "Mozilla/3.01");
    EXPECT_TRUE(e.MarkDiffs && e.SmartSearch && e.CaseSensitive && e.CheckHeader && e.BypassProxyCache);
    EXPECT_TRUE(e.PlugIns && e.Applets && e.ActiveX && e.Other && e.Frames && e.ExclusionLists);
    EXPECT_TRUE(e.PreserveOnly && e.StayInSubdir && e.NameSet);
    EXPECT_FALSE(e.FullRetrieval || e.SearchHTML || e.Images || e.LocalOnly || e.KeepUnfilteredPage);
    EXPECT_EQ(WriteBriefFile(read), expected.Bytes());
}

TEST(BriefFile, SearchAndYahooEntriesKeepTheirPackedLists)
{
    TBrief brief = NamedBrief("Kinds");
    TWebPage search = MakeEntry(EntryKind::Search);
    search.EngineList = std::string("\x05Alpha\x04"
                                    "Beta",
                                    11);
    search.EngineListLength = 11;
    search.SearchYahoo = true;
    brief.Entries.Insert(search, -1);
    TWebPage yahoo = MakeEntry(EntryKind::Yahoo);
    yahoo.CategoryList = "\x03"
                         "Art";
    yahoo.YahooSearch = "painters";
    brief.Entries.Insert(yahoo, -1);

    BriefBytes expected;
    expected.Header();
    test::DefaultBriefRecords(expected, "Kinds", 2);
    DefaultEntryHead(expected, EntryKind::Search, "New Search").Value(22, 11).Text(23, search.EngineList);
    DefaultEntryMiddle(expected).Value(38, 0).Value(39, 1).Value(41, 0);
    DefaultEntryTail(expected);
    DefaultEntryHead(expected, EntryKind::Yahoo, "New Yahoo! Entry").Value(22, 0);
    DefaultEntryMiddle(expected)
        .Value(38, 0)
        .Value(39, 0)
        .Value(41, 4)
        .Text(42, "\x03"
                  "Art")
        .Text(43, "painters");
    DefaultEntryTail(expected);
    ASSERT_EQ(WriteBriefFile(brief), expected.Bytes());

    const TBrief read = Read(expected);
    ASSERT_EQ(read.Entries.Count(), 2);
    EXPECT_EQ(read.Entries[0].Kind, EntryKind::Search);
    EXPECT_EQ(read.Entries[0].EngineList, search.EngineList);
    EXPECT_EQ(read.Entries[0].EngineListLength, 11);
    EXPECT_TRUE(read.Entries[0].SearchYahoo);
    EXPECT_EQ(read.Entries[1].Kind, EntryKind::Yahoo);
    EXPECT_EQ(read.Entries[1].CategoryList, "\x03"
                                            "Art");
    EXPECT_EQ(read.Entries[1].YahooSearch, "painters");
    EXPECT_TRUE(read.Entries[1].NameSet);
}

TEST(BriefFile, ScheduleLimitsAndLockedTextsAreStored)
{
    TBrief brief = NamedBrief("Locked");
    brief.BriefComments = "Morning reading";
    brief.BriefFlag2 = 7;
    brief.BriefTag3Text = "ABCDEFGH";
    brief.BriefActive = false;
    brief.Schedule = {"Daily 08:00", "Mon 12:30"};
    brief.TimersLocked = true;
    brief.LockedTimersText = "Ask Ann";
    brief.LockedTimersFontSize = 12;
    brief.NumArchives = 5;
    brief.NumMegs = 20;
    brief.MaxMins = 30;
    brief.MaxHours = 1;
    TWebPage locked = MakeEntry(EntryKind::Web);
    locked.EntryLocked = true;
    locked.LockedText = "Hands off";
    locked.LockedFontSize = 10;
    brief.Entries.Insert(locked, -1);

    BriefBytes expected;
    expected.Header()
        .Text(0, "Locked")
        .Text(1, "Morning reading")
        .Value(2, 7 | (6 << 8))
        .Text(3, "ABCDEF")
        .Value(4, 0)
        .Value(5, 2)
        .Text(6, "Daily 08:00")
        .Text(6, "Mon 12:30")
        .Value(32, 1)
        .Value(49, 5)
        .Value(45, 20)
        .Value(46, 30)
        .Value(47, 1)
        .Value(7, 1);
    DefaultEntryHead(expected, EntryKind::Web, "New Page").Value(22, 0);
    DefaultEntryMiddle(expected, true)
        .Scrambled(34, "Hands off")
        .Value(35, 10)
        .Scrambled(36, "Ask Ann")
        .Value(37, 12)
        .Value(38, 0)
        .Value(39, 0)
        .Value(41, 0);
    DefaultEntryTail(expected);
    ASSERT_EQ(WriteBriefFile(brief), expected.Bytes());

    const TBrief read = Read(expected);
    EXPECT_EQ(read.BriefComments, "Morning reading");
    EXPECT_EQ(read.BriefFlag2, 7);
    EXPECT_EQ(read.BriefTag3Text, "ABCDEF");
    EXPECT_FALSE(read.BriefActive);
    EXPECT_EQ(read.Schedule, brief.Schedule);
    EXPECT_EQ(read.ScheduleState, (std::vector<std::string>{"-1", "-1"}));
    EXPECT_TRUE(read.TimersLocked);
    EXPECT_EQ(read.LockedTimersText, "Ask Ann");
    EXPECT_EQ(read.LockedTimersFontSize, 12);
    EXPECT_EQ(read.NumArchives, 5);
    EXPECT_EQ(read.MaxHours, 1);
    ASSERT_EQ(read.Entries.Count(), 1);
    EXPECT_TRUE(read.Entries[0].EntryLocked);
    EXPECT_EQ(read.Entries[0].LockedText, "Hands off");
    EXPECT_EQ(read.Entries[0].LockedFontSize, 10);
}

TEST(BriefFile, OneCharacterPasswordIsAFourBytePayload)
{
    TBrief brief = NamedBrief("P");
    TWebPage e = MakeEntry(EntryKind::Web);
    e.Password = "x";
    brief.Entries.Insert(e, -1);
    const std::string bytes = WriteBriefFile(brief);
    const std::string record = BriefBytes().Scrambled(29, "x").Bytes();
    ASSERT_EQ(record.size(), 8u);
    EXPECT_EQ(record.substr(2, 2), std::string("\x04\x00", 2));
    EXPECT_NE(bytes.find(record), std::string::npos);
}

TEST(BriefFile, NegativeLimitsAndUnchosenEnginesStoreAsAllOnesWords)
{
    TBrief brief = NamedBrief("N");
    TWebPage search = MakeEntry(EntryKind::Search);
    search.EngineListLength = -1;
    brief.Entries.Insert(search, -1);
    const std::string bytes = WriteBriefFile(brief);
    EXPECT_NE(bytes.find(BriefBytes().Value(22, -1).Bytes()), std::string::npos);
    EXPECT_EQ(bytes.find(std::string("\x17\x00", 2)), std::string::npos) << "no engine buffer record";
    const TBrief read = Read(bytes);
    EXPECT_EQ(read.NumMegs, -1);
    EXPECT_EQ(read.Entries[0].EngineListLength, -1);
    EXPECT_EQ(read.Entries[0].Kind, EntryKind::Search);
}

TEST(BriefFile, OverlongTextsAreCutToWhatALengthWordHolds)
{
    TBrief brief = NamedBrief("Long");
    TWebPage e = MakeEntry(EntryKind::Web);
    e.URL = std::string(70000, 'u');
    e.Password = std::string(70000, 'p');
    e.EngineList = std::string(40000, 'e');
    brief.Entries.Insert(e, -1);
    const TBrief read = Read(WriteBriefFile(brief));
    ASSERT_EQ(read.Entries.Count(), 1);
    EXPECT_EQ(read.Entries[0].URL.size(), MaxRecordPayload);
    EXPECT_EQ(read.Entries[0].Password, std::string(MaxPlainLengthForScrambled(MaxRecordPayload), 'p'));
    EXPECT_EQ(read.Entries[0].EngineList.size(), MaxPackedListBytes);
}

// ---- reading older and odd files ------------------------------------------------

BriefBytes HeaderWith(int major, int minor, int count, int compatible)
{
    BriefBytes b;
    b.Raw("KSBF-MWR").Word(major).Word(minor).Word(count);
    if (count >= 1)
    {
        b.Word(compatible);
    }
    for (int i = 1; i < count; ++i)
    {
        b.Word(1);
    }
    return b;
}

TEST(BriefFile, NewerVersionsLoadOnlyWhenMarkedCompatible)
{
    BriefBytes compatible = HeaderWith(2, 0, 2, 1);
    compatible.Text(0, "Future");
    EXPECT_EQ(Read(compatible).BriefName, "Future");

    BriefBytes incompatible = HeaderWith(2, 0, 2, 0);
    incompatible.Text(0, "Future");
    Read(incompatible, BriefReadStatus::Corrupt);
    Read(HeaderWith(1, 1, 2, 0), BriefReadStatus::Corrupt);
    EXPECT_EQ(Read(HeaderWith(1, 0, 2, 0)).Entries.Count(), 0) << "same version needs no flag";
}

TEST(BriefFile, HeaderCountBelowTwoLoadsNothingSilently)
{
    Read(HeaderWith(1, 0, 1, 1), BriefReadStatus::Refused);
    Read(HeaderWith(1, 0, 0, 1), BriefReadStatus::Refused);
}

TEST(BriefFile, ExtraHeaderWordsAreSkipped)
{
    BriefBytes b = HeaderWith(1, 0, 5, 1);
    b.Text(0, "Wide");
    EXPECT_EQ(Read(b).BriefName, "Wide");
}

TEST(BriefFile, WrongMagicOrShortHeaderIsTheLoadingError)
{
    Read("KSBF-MWX\x01\x00", BriefReadStatus::Corrupt);
    Read("KSBF", BriefReadStatus::Corrupt);
    Read("", BriefReadStatus::Corrupt);
    Read(BriefBytes().Raw("KSBF-MWR").Word(1).Word(0).Word(2).Word(1), BriefReadStatus::Corrupt);
}

TEST(BriefFile, UnknownRecordsAreSkippedByTheirLength)
{
    BriefBytes b;
    b.Header().Text(0, "Before").Text(99, std::string(10, '\xff')).Value(4, 0);
    b.Value(40, 0).Value(8, 1).Text(200, "junk").Text(9, "Named").Value(19, 1);
    const TBrief read = Read(b);
    EXPECT_EQ(read.BriefName, "Before");
    EXPECT_FALSE(read.BriefActive);
    ASSERT_EQ(read.Entries.Count(), 1);
    EXPECT_EQ(read.Entries[0].EntryName, "Named");
}

TEST(BriefFile, OldDepthRecordAloneGivesExternalDepthOne)
{
    BriefBytes b;
    b.Header().Value(8, 1).Value(60, 4).Value(12, 3);
    const TBrief read = Read(b);
    ASSERT_EQ(read.Entries.Count(), 1);
    EXPECT_EQ(read.Entries[0].SpiderDepth, 3);
    EXPECT_EQ(read.Entries[0].ExternalDepth, 1);

    BriefBytes later;
    later.Header().Value(8, 1).Value(12, 3).Value(60, 4);
    EXPECT_EQ(Read(later).Entries[0].ExternalDepth, 4);
}

TEST(BriefFile, PlainCredentialsAreReadAndFlaggedForRewriting)
{
    BriefBytes b;
    b.Header().Value(8, 1).Text(15, "bob").Text(16, "pw");
    TBrief brief = NamedBrief("Old");
    const BriefReadResult result = ReadBriefFile(b.Bytes(), brief);
    EXPECT_EQ(result.Status, BriefReadStatus::Loaded);
    EXPECT_TRUE(result.PlainCredentials);
    EXPECT_EQ(brief.Entries[0].UserName, "bob");
    EXPECT_EQ(brief.Entries[0].Password, "pw");
    EXPECT_FALSE(ReadBriefFile(WriteBriefFile(brief), brief).PlainCredentials);
}

TEST(BriefFile, EntryReadingRules)
{
    BriefBytes b;
    b.Header();
    // Unnamed entries show their address, or "New Page" without one.
    b.Value(8, 1).Text(9, "ignored").Text(10, "http://a/").Value(19, 0);
    b.Value(8, 1).Text(9, "ignored").Value(19, 0);
    // A web entry with engines becomes a search entry.
    b.Value(8, 1).Value(22, 3).Text(23, "\x02xy");
    // Buffers after a zero or negative length are skipped.
    b.Value(40, 2).Value(8, 1).Value(22, 0).Text(23, "zz").Value(41, -1).Text(42, "cc");
    // The kind of tag 40 holds for the next entry only.
    b.Value(8, 1);
    // A word record reads two bytes whatever its length says.
    b.Word(13).Word(9).Word(0);
    const TBrief read = Read(b);
    ASSERT_EQ(read.Entries.Count(), 5);
    EXPECT_EQ(read.Entries[0].EntryName, "http://a/");
    EXPECT_EQ(read.Entries[1].EntryName, "New Page");
    EXPECT_EQ(read.Entries[2].Kind, EntryKind::Search);
    EXPECT_EQ(read.Entries[2].EngineList, "\x02xy");
    EXPECT_EQ(read.Entries[3].Kind, EntryKind::Yahoo);
    EXPECT_EQ(read.Entries[3].EngineList, "");
    EXPECT_EQ(read.Entries[3].CategoryList, "");
    EXPECT_EQ(read.Entries[4].Kind, EntryKind::Web);
    EXPECT_FALSE(read.Entries[4].Images);
}

TEST(BriefFile, UnnamedEntriesReadTheSameAfterEverySave)
{
    // A web entry without its name flag shows its address even when the file
    // holds another name, so a second save writes the same bytes as the first.
    BriefBytes b;
    b.Header().Value(8, 1).Text(9, "Stale").Text(10, "http://a/");
    b.Value(40, 1).Value(8, 1).Text(9, "linux kernel").Value(19, 0);
    const TBrief first = Read(b);
    EXPECT_EQ(first.Entries[0].EntryName, "http://a/");
    EXPECT_EQ(first.Entries[1].EntryName, "linux kernel") << "a search entry's name is its query";
    const std::string written = WriteBriefFile(first);
    EXPECT_EQ(WriteBriefFile(Read(written)), written);
}

TEST(BriefFile, ListsTakeTheirCountOfItemsWhateverTheirTags)
{
    BriefBytes b;
    b.Header().Value(8, 1).Value(57, 2).Text(0, "one").Text(77, "two").Text(9, "Name").Value(19, 1);
    const TBrief read = Read(b);
    EXPECT_EQ(read.Entries[0].ExList, (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(read.Entries[0].EntryName, "Name");
    EXPECT_EQ(read.BriefName, "Read");
}

TEST(BriefFile, EntryRecordBeforeAnyEntryEndsTheRecords)
{
    BriefBytes b;
    b.Header().Text(0, "Kept").Text(9, "orphan").Value(8, 1);
    const TBrief read = Read(b);
    EXPECT_EQ(read.BriefName, "Kept");
    EXPECT_EQ(read.Entries.Count(), 0);
}

TEST(BriefFile, ImpossibleValuesAreRefusedOrKeptInRange)
{
    BriefBytes badKind;
    badKind.Header().Value(40, 3).Value(8, 1);
    Read(badKind, BriefReadStatus::Corrupt);

    BriefBytes depths;
    depths.Header().Value(8, 1).Value(59, 500).Value(60, -4);
    const TBrief read = Read(depths);
    EXPECT_EQ(read.Entries[0].SpiderDepth, MaxSpiderDepth);
    EXPECT_EQ(read.Entries[0].ExternalDepth, MinExternalDepth);
}

TEST(BriefFile, ListCountBeyondTheFileIsTheLoadingError)
{
    BriefBytes b;
    b.Header().Value(8, 1).Value(53, 60000).Text(54, "only one");
    Read(b, BriefReadStatus::Corrupt);
}

// ---- damaged files -----------------------------------------------------------------

std::string RichFile()
{
    TBrief brief = NamedBrief("Rich");
    brief.Schedule = {"Daily 08:00"};
    brief.BriefComments = "c";
    brief.Entries.Insert(FullWebEntry(), -1);
    TWebPage search = MakeEntry(EntryKind::Search);
    search.EngineList = "\x01q";
    search.EngineListLength = 2;
    brief.Entries.Insert(search, -1);
    brief.Entries.Insert(MakeEntry(EntryKind::Yahoo), -1);
    return WriteBriefFile(brief);
}

TEST(BriefFile, EveryTruncationLoadsOrGivesTheLoadingError)
{
    const std::string whole = RichFile();
    for (std::size_t length = 0; length < whole.size(); ++length)
    {
        TBrief brief = NamedBrief("Cut");
        const BriefReadStatus status = ReadBriefFile(std::string_view(whole).substr(0, length), brief).Status;
        EXPECT_NE(status, BriefReadStatus::Refused) << "length " << length;
    }
}

TEST(BriefFile, EveryByteSetToAllOnesLoadsOrFailsCleanly)
{
    const std::string whole = RichFile();
    for (std::size_t i = 0; i < whole.size(); ++i)
    {
        std::string damaged = whole;
        damaged[i] = '\xff';
        TBrief brief = NamedBrief("Damaged");
        const BriefReadResult result = ReadBriefFile(damaged, brief);
        if (result.Status == BriefReadStatus::Loaded)
        {
            EXPECT_LE(brief.Entries.Count(), 3) << "byte " << i;
        }
    }
}

} // namespace
} // namespace rv
