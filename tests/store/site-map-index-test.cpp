#include "store/site-map-index.h"
#include "store/site-map-pages.h"
#include "store/site-map-tree.h"
#include "store/site-map.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace rv
{
namespace
{

class SiteMapIndexTest : public test::SandboxedTest
{
};

struct Note
{
    std::string Group, Title, Url, NoteText;
    std::uint8_t Kind = 0;
};

// The index must give the same pages as the trees built in memory from the
// same notes, whatever order the notes came in.
TEST_F(SiteMapIndexTest, PagesFromTheIndexEqualThePagesFromTheTreesInMemory)
{
    const std::vector<Note> notes = {
        {"0", "", "", ""},                                // entry note: a placeholder root
        {"2.3", "Late child", "b.example/c3", "", 0},     // before its entry page and its elder siblings
        {"2", "Entry two", "b.example/", "", 0},          //
        {"0", "Entry zero", "a.example/", "", 0},         // fills the placeholder root
        {"0", "Second root", "a.example/again", "", 0},   // ignored: the root is filled
        {"0.1", "Child", "a.example/1", "w1", 1},         //
        {"0.1.2", "Grandchild", "a.example/1/2", "", 1},  //
        {"0.1", "Child again", "a.example/1b", "", 0},    // replaces the child, keeps its children
        {"2.x", "Bad group", "b.example/bad", "", 0},     // ignored
        {"2.1", "", "b.example/untitled", "", 0},         // noted without a title: a placeholder
        {"5.0.0", "Deep first", "c.example/0/0", "m", 1}, // entry 5 has only placeholders above it
    };
    TSiteMap file(PathOf("Brief.rvd"));
    SiteMapForest forest;
    for (const Note& note : notes)
    {
        file.AddNote(note.Title, note.Url, note.Group, note.NoteText, note.Kind);
        forest.Insert(SiteMapRecord{note.Group, note.Title, note.Url, "", note.Kind, note.NoteText});
    }
    const SiteMapIndex index(file);
    ASSERT_EQ(index.Count(), forest.Count());
    SiteMapEntryDetails details;
    details.Address = "http://a.example/";
    details.SearchTerms = "w1";
    for (std::size_t entry = 0; entry <= index.Count(); ++entry)
    {
        for (const SiteMapEntryDetails* with : std::vector<const SiteMapEntryDetails*>{nullptr, &details})
        {
            std::string toc;
            WriteTocPage(index, entry, with, [&toc](std::string_view piece) { toc += piece; });
            EXPECT_EQ(toc, TocPage(forest.Root(entry), with).Text) << entry;
            const GeneratedPage matches = MatchPage(index, entry, with);
            const GeneratedPage expected = MatchPage(forest.Root(entry), with);
            EXPECT_EQ(matches.Text, expected.Text) << entry;
            EXPECT_EQ(matches.HeadOffset, expected.HeadOffset);
            EXPECT_EQ(matches.HeadLength, expected.HeadLength);
        }
    }
    // Every line the trees hold is in the pages: a spot check that they are
    // not both empty.
    EXPECT_NE(TocPage(forest.Root(0)).Text.find("Child again</a></li><ul><li><a href=\"a.example/1/2\">Grandchild"),
              std::string::npos);
}

} // namespace
} // namespace rv
