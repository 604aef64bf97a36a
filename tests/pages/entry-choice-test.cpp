#include "client/pages/directory-choice.h"
#include "client/pages/engine-choice-list.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

DefinitionSet Engines()
{
    DefinitionSet set;
    AddEngines(set, {{"beta", "b/s", "q=", false}, {"Alpha", "a/s", "q=", true}, {"Gamma", "g/s", "x=", false}});
    return set;
}

TEST(EngineChoiceList, ShowsBothGroupsUnderHeadersAndChecksTheEntrysEngines)
{
    EngineChoiceList list(Engines(), PackNames({"Gamma", "Alpha"}).Bytes);
    const std::vector<EngineRow>& rows = list.Rows();
    ASSERT_EQ(rows.size(), 6u);
    const struct
    {
        EngineRowKind kind;
        const char* text;
        bool checked;
    } expected[] = {{EngineRowKind::Header, "Advanced Searches", false},
                    {EngineRowKind::Engine, "Alpha", true},
                    {EngineRowKind::Empty, "", false},
                    {EngineRowKind::Header, "Simple Searches", false},
                    {EngineRowKind::Engine, "beta", false},
                    {EngineRowKind::Engine, "Gamma", true}};
    for (std::size_t i = 0; i < rows.size(); ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].Kind, expected[i].kind);
        EXPECT_EQ(rows[i].Text, expected[i].text);
        EXPECT_EQ(rows[i].Checked, expected[i].checked);
    }
}

TEST(EngineChoiceList, PacksTheCheckedEnginesInRowOrderAndRefusesOtherRows)
{
    EngineChoiceList list(Engines(), {});
    EXPECT_EQ(list.SetSearchEngineList().Length, -1);
    EXPECT_FALSE(list.SetChecked(0, true));
    EXPECT_FALSE(list.SetChecked(2, true));
    EXPECT_FALSE(list.SetChecked(99, true));
    EXPECT_TRUE(list.SetChecked(5, true));
    EXPECT_TRUE(list.SetChecked(1, true));
    const PackedList packed = list.SetSearchEngineList();
    EXPECT_EQ(packed.Bytes, std::string("\x05"
                                        "Alpha\x05"
                                        "Gamma\0",
                                        13));
    EXPECT_EQ(packed.Length, 13);
}

TEST(EngineChoiceList, WithoutDefinitionsShowsOnlyTheHeaders)
{
    EngineChoiceList list(DefinitionSet{}, PackNames({"Alpha"}).Bytes);
    for (const EngineRow& row : list.Rows())
    {
        EXPECT_NE(row.Kind, EngineRowKind::Engine);
    }
}

TEST(CategoryAddresses, JoinTheBaseAndThePartWithOneSlash)
{
    EXPECT_EQ(CategoryAddress("https://w.org/wiki/", "Portal:Arts"), "https://w.org/wiki/Portal:Arts");
    EXPECT_EQ(CategoryAddress("https://w.org/wiki", "Portal:Arts"), "https://w.org/wiki/Portal:Arts");
    EXPECT_EQ(CategoryAddress("https://w.org/wiki", "/Portal:Arts"), "https://w.org/wiki/Portal:Arts");
    EXPECT_EQ(CategoryAddress("https://w.org/wiki/", "/Portal:Arts"), "https://w.org/wiki/Portal:Arts");
    EXPECT_EQ(CategoryAddress("", "https://x.org/a"), "https://x.org/a");
    EXPECT_EQ(CategoryText({"Portals", "Arts", "Film"}, "https://x/f"), "Portals\aArts\aFilm\thttps://x/f");
}

CategoryNode SampleTree()
{
    return {"", "", {{"Arts", "arts", {{"Film", "film", {}}, {"Music", "music", {}}}}, {"Science", "sci", {}}}};
}

std::vector<CategoryBoxImage> Images(const DirectoryChoice& choice)
{
    const std::vector<CategoryBox>& top = choice.Categories();
    return {top[0].Image(), top[0].Children[0].Image(), top[0].Children[1].Image(), top[1].Image()};
}

TEST(DirectoryChoice, MarksChosenCategoriesAndGreysTheirAncestors)
{
    TWebPage entry = MakeEntry(EntryKind::Yahoo);
    entry.CategoryList = PackNames({"P\aArts\aFilm\thttps://b/film"}).Bytes;
    DirectoryChoice choice(DefinitionSet{}, entry);
    choice.HandleTreeData(SampleTree(), {"P"}, "https://b/");
    using I = CategoryBoxImage;
    EXPECT_EQ(Images(choice), (std::vector<I>{I::Gray, I::Check, I::Empty, I::Empty}));
    EXPECT_EQ(choice.Categories()[0].SelectedBelow, 1);

    EXPECT_TRUE(choice.CategoriesListClick({0}));
    EXPECT_TRUE(choice.CategoriesListClick({0, 1}));
    EXPECT_EQ(Images(choice), (std::vector<I>{I::GrayCheck, I::Check, I::Check, I::Empty}));
    EXPECT_EQ(choice.Categories()[0].SelectedBelow, 2);
    EXPECT_STREQ(CategoryBoxImageName(choice.Categories()[0].Image()), "GRAYCHECK");

    EXPECT_TRUE(choice.CategoriesListClick({0, 0}));
    EXPECT_TRUE(choice.RemoveSelected(1));
    EXPECT_EQ(Images(choice), (std::vector<I>{I::Check, I::Empty, I::Empty, I::Empty}));
    EXPECT_EQ(choice.SelectedCategories(), std::vector<std::string>{"P\aArts\thttps://b/arts"});
    EXPECT_EQ(choice.SetYahooList(), std::string("\x15P\aArts\thttps://b/arts\0", 23));

    EXPECT_FALSE(choice.CategoriesListClick({}));
    EXPECT_FALSE(choice.CategoriesListClick({0, 7}));
}

TEST(DirectoryChoice, RefusesACategoryTooLongToStore)
{
    DirectoryChoice choice(DefinitionSet{}, MakeEntry(EntryKind::Yahoo));
    choice.HandleTreeData({"", "", {{"Long", std::string(300, 'a'), {}}}}, {"P"}, "https://b");
    EXPECT_FALSE(choice.CategoriesListClick({0}));
    EXPECT_TRUE(choice.SelectedCategories().empty());
}

TEST(DirectoryChoice, KeepsEachEngineWithItsQueryAddress)
{
    TWebPage entry = MakeEntry(EntryKind::Yahoo);
    entry.EngineList = PackNames({"Gamma\tg/s?x="}).Bytes;
    DirectoryChoice choice(Engines(), entry);
    ASSERT_EQ(choice.EngineRows().size(), 3u);
    EXPECT_TRUE(choice.EngineRows()[2].Checked);
    EXPECT_TRUE(choice.SetEngineChecked(0, true));
    EXPECT_EQ(choice.SetYahooEngineList().Bytes, std::string("\x0c"
                                                             "Alpha\ta/s?q=\x0c"
                                                             "Gamma\tg/s?x=\0",
                                                             27));
}

class DirectoryChoiceFiles : public test::SandboxedTest
{
};

TEST_F(DirectoryChoiceFiles, LoadsTheSelectedPropertysTreeFromItsFile)
{
    DirectoryPropertyDefinition property;
    property.Name = "Portals";
    property.SubItems = {""};
    property.BaseAddress = "https://w.org/wiki/";
    property.Tree = SampleTree();
    test::WriteFile(PathOf("p.ypf"), *WriteDirectoryFile({property}));
    DefinitionSet set;
    set.Properties = ReadDirectoryFile(test::ReadFile(PathOf("p.ypf")), PathOf("p.ypf")).Properties;
    set.Properties.push_back({"Broken", {}, {}, "", PathOf("missing.ypf")});

    TWebPage entry = MakeEntry(EntryKind::Yahoo);
    entry.CategoryList = PackNames({"Portals\aScience\thttps://w.org/wiki/sci"}).Bytes;
    DirectoryChoice choice(set, entry);
    ASSERT_TRUE(choice.PropertiesListChange(0));
    ASSERT_EQ(choice.Categories().size(), 2u);
    EXPECT_EQ(choice.Categories()[0].Children[1].Category, "Portals\aArts\aMusic\thttps://w.org/wiki/music");
    EXPECT_TRUE(choice.Categories()[1].Selected);

    EXPECT_FALSE(choice.PropertiesListChange(1));
    EXPECT_TRUE(choice.Categories().empty());
    EXPECT_FALSE(choice.PropertiesListChange(5));
}

} // namespace
} // namespace rv
