#include "client/briefs/archive-catalogue.h"
#include "tests/briefs/brief-bytes.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

using test::BriefBytes;

TBrief BriefWithArchives()
{
    TBrief brief;
    ResetBrief(brief, "/b/News.brf");
    brief.BriefComments = "daily";
    brief.ArchiveFiles = {"News.1.rvd", "News.2.rvd"};
    brief.ArchiveCaptions = {"Monday", "Tuesday"};
    TWebPage first = MakeEntry(EntryKind::Web);
    first.SummaryFragments = {{"<p>a1</p>", "News.1.rvd"}, {"<p>a2</p>", "News.2.rvd"}};
    brief.Entries.Insert(first, -1);
    TWebPage second = MakeEntry(EntryKind::Web);
    second.SummaryFragments = {{"", "News.2.rvd"}};
    brief.Entries.Insert(second, -1);
    return brief;
}

std::string ExpectedBytes()
{
    BriefBytes b;
    b.Word(2).CatText("News.1.rvd").CatText("Monday").CatText("News.2.rvd").CatText("Tuesday");
    b.CatText("News").CatText("daily").Word(2);
    b.Word(2).CatText("<p>a1</p>").CatText("News.1.rvd").CatText("<p>a2</p>").CatText("News.2.rvd");
    b.Word(1).CatText("").CatText("News.2.rvd");
    return b;
}

TBrief EmptyTwin(const TBrief& source)
{
    TBrief twin;
    ResetBrief(twin, source.FilePath);
    for (int i = 0; i < source.Entries.Count(); ++i)
    {
        twin.Entries.Create(EntryKind::Web, -1);
    }
    return twin;
}

TEST(ArchiveCatalogue, WritesTheArchivesAndEveryEntrysFragments)
{
    const TBrief brief = BriefWithArchives();
    ASSERT_EQ(WriteCatalogue(brief), ExpectedBytes());

    TBrief read = EmptyTwin(brief);
    ASSERT_TRUE(ReadCatalogue(ExpectedBytes(), read));
    EXPECT_EQ(read.ArchiveFiles, brief.ArchiveFiles);
    EXPECT_EQ(read.ArchiveCaptions, brief.ArchiveCaptions);
    EXPECT_EQ(read.Entries[0].SummaryFragments, brief.Entries[0].SummaryFragments);
    EXPECT_EQ(read.Entries[1].SummaryFragments, brief.Entries[1].SummaryFragments);
}

TEST(ArchiveCatalogue, NoArchivesIsTheSingleWordZero)
{
    TBrief brief = BriefWithArchives();
    brief.ArchiveFiles.clear();
    brief.ArchiveCaptions.clear();
    EXPECT_EQ(WriteCatalogue(brief), std::string("\0\0", 2));
    ASSERT_TRUE(ReadCatalogue(std::string("\0\0", 2), brief));
    EXPECT_TRUE(brief.ArchiveFiles.empty());
    EXPECT_TRUE(brief.Entries[0].SummaryFragments.empty());
}

TEST(ArchiveCatalogue, ArchiveWithoutFileNameIsDroppedWithItsFragments)
{
    BriefBytes b;
    b.Word(2).CatText("").CatText("lost").CatText("b.rvd").CatText("");
    b.CatText("N").CatText("").Word(1).Word(2).CatText("f1").CatText("").CatText("f2").CatText("b.rvd");
    TBrief brief = EmptyTwin(BriefWithArchives());
    ASSERT_TRUE(ReadCatalogue(b.Bytes(), brief));
    EXPECT_EQ(brief.ArchiveFiles, std::vector<std::string>{"b.rvd"});
    EXPECT_EQ(brief.ArchiveCaptions, std::vector<std::string>{""});
    ASSERT_EQ(brief.Entries[0].SummaryFragments.size(), 1u);
    EXPECT_EQ(brief.Entries[0].SummaryFragments[0].Fragment, "f2");
}

TEST(ArchiveCatalogue, MoreEntryGroupsThanEntriesEmptiesTheLists)
{
    TBrief brief = EmptyTwin(BriefWithArchives());
    brief.Entries.Delete(1);
    EXPECT_FALSE(ReadCatalogue(ExpectedBytes(), brief));
    EXPECT_TRUE(brief.ArchiveFiles.empty());
    EXPECT_TRUE(brief.ArchiveCaptions.empty());
    EXPECT_TRUE(brief.Entries[0].SummaryFragments.empty());
}

TEST(ArchiveCatalogue, FewerEntryGroupsLeaveTheLaterEntriesWithoutFragments)
{
    BriefBytes b;
    b.Word(1).CatText("a.rvd").CatText("A").CatText("N").CatText("").Word(1).Word(1).CatText("f").CatText("a.rvd");
    TBrief brief = EmptyTwin(BriefWithArchives());
    ASSERT_TRUE(ReadCatalogue(b.Bytes(), brief));
    EXPECT_EQ(brief.Entries[0].SummaryFragments.size(), 1u);
    EXPECT_TRUE(brief.Entries[1].SummaryFragments.empty());
}

TEST(ArchiveCatalogue, EveryTruncationReadsWholeOrEmptiesTheLists)
{
    const std::string whole = ExpectedBytes();
    for (std::size_t length = 0; length < whole.size(); ++length)
    {
        TBrief brief = EmptyTwin(BriefWithArchives());
        const bool ok = ReadCatalogue(std::string_view(whole).substr(0, length), brief);
        EXPECT_FALSE(ok) << "length " << length;
        EXPECT_TRUE(brief.ArchiveFiles.empty() && brief.ArchiveCaptions.empty()) << "length " << length;
        EXPECT_TRUE(brief.Entries[0].SummaryFragments.empty()) << "length " << length;
    }
}

TEST(ArchiveCatalogue, PathTakesTheBriefFilesNameWithAnotherExtension)
{
    EXPECT_EQ(CataloguePath("/home/ann/News.brf"), "/home/ann/News.cat");
    EXPECT_EQ(CataloguePath("/home/ann/News.brf", true), "/home/ann/News.ca~");
    EXPECT_EQ(CataloguePath("/home/a.b/News"), "/home/a.b/News.cat");
    EXPECT_EQ(CataloguePath("/home/ann/My.News.brf"), "/home/ann/My.News.cat");
}

} // namespace
} // namespace rv
