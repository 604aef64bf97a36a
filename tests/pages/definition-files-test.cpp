#include "client/pages/category-tree.h"
#include "client/pages/definition-set.h"
#include "client/pages/directory-library.h"
#include "client/pages/search-engine-file.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

using namespace std::string_literals;

const std::string SelHeader = "RVSEDF-MWR\x01\x00\x00\x00"s;

// One engine record set as the writer lays it out.
std::string EngineBytes(const std::string& name, const std::string& address, const std::string& prefix, bool advanced)
{
    auto text = [](char tag, const std::string& t) { return std::string{tag, '\0', char(t.size()), '\0'} + t; };
    return text(2, name) + text(3, address) + text(4, prefix) + "\x05\x00\x02\x00"s + (advanced ? "\x01\x00"s : "\x00\x00"s);
}

TEST(SearchEngineFile, WritesTheGoldenBytes)
{
    const std::vector<SearchEngine> engines = {{"Ask", "a.b/s", "q=", true}, {"Bee", "https://c.d/", "x=", false}};
    const std::string expected =
        SelHeader + EngineBytes("Ask", "a.b/s", "q=", true) + EngineBytes("Bee", "https://c.d/", "x=", false);
    EXPECT_EQ(WriteSearchEngineFile(engines), expected);
    const std::optional<SearchEngineFile> read = ReadSearchEngineFile(expected);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Engines, engines);
    EXPECT_FALSE(read->Truncated);
}

TEST(SearchEngineFile, SkipsUnknownTagsAndIgnoresTheHeaderValues)
{
    const std::string bytes = "RVSEDF-MWR\x07\x00\x09\x09"s + "\x01\x00\x02\x00\x05\x00"s + "\x63\x00\x03\x00xyz"s +
                              EngineBytes("E", "h/p", "k=", false) + "\x09\x00\x01\x00!"s;
    const std::optional<SearchEngineFile> read = ReadSearchEngineFile(bytes);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->Engines.size(), 1u);
    EXPECT_EQ(read->Engines[0], (SearchEngine{"E", "h/p", "k=", false}));
}

TEST(SearchEngineFile, RefusesAWrongMagicAndKeepsWhatPrecedesACut)
{
    EXPECT_FALSE(ReadSearchEngineFile("RVSEDF-MWX\x01\x00\x00\x00"s));
    EXPECT_FALSE(ReadSearchEngineFile("RVSEDF"));

    const std::string whole = SelHeader + EngineBytes("One", "a/b", "q=", false) + EngineBytes("Two", "c/d", "q=", true);
    const std::optional<SearchEngineFile> cut = ReadSearchEngineFile(whole.substr(0, whole.size() - 3));
    ASSERT_TRUE(cut);
    EXPECT_TRUE(cut->Truncated);
    ASSERT_EQ(cut->Engines.size(), 1u);
    EXPECT_EQ(cut->Engines[0].Name, "One");
}

TEST(SearchEngineFile, DropsEnginesNoEntryCouldChoose)
{
    const std::string bytes = SelHeader + EngineBytes("", "a/b", "q=", false) + "\x02\x00\x00\x01"s + std::string(256, 'n') +
                              EngineBytes("Kept", "c/d", "q=", false);
    const std::optional<SearchEngineFile> read = ReadSearchEngineFile(bytes);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->Engines.size(), 1u);
    EXPECT_EQ(read->Engines[0].Name, "Kept");
}

// Tree records as the writer lays them out.
std::string Level(int level)
{
    return "\x05\x00\x02\x00"s + char(level) + '\0';
}
std::string Node(const std::string& name, const std::string& part)
{
    return "\x06\x00"s + char(name.size()) + '\0' + name + "\x07\x00"s + char(part.size()) + '\0' + part;
}

TEST(CategoryTree, ADeeperLevelHangsUnderTheLastNodeAndAShallowerOneReturns)
{
    const std::string data = Level(1) + Node("Arts", "arts") + Level(2) + Node("Film", "arts/film") +
                             Node("Music", "arts/music") + Level(1) + Node("Science", "sci");
    CategoryNode root;
    ASSERT_TRUE(HandleTreeData(data, root));
    const CategoryNode expected{
        "", "", {{"Arts", "arts", {{"Film", "arts/film", {}}, {"Music", "arts/music", {}}}}, {"Science", "sci", {}}}};
    EXPECT_EQ(root, expected);
    EXPECT_EQ(WriteTreeData(root), data);
}

TEST(CategoryTree, SkipsUnknownRecordsAndKeepsNodesBeforeACut)
{
    const std::string data = Level(1) + "\x0b\x00\x02\x00zz"s + Node("A", "a") + Node("B", "b");
    CategoryNode root;
    EXPECT_FALSE(HandleTreeData(data.substr(0, data.size() - 1), root));
    ASSERT_EQ(root.Children.size(), 1u);
    EXPECT_EQ(root.Children[0].Name, "A");
}

TEST(CategoryTree, LevelJumpsWithoutNodesStayBounded)
{
    // A level far below any node made, then a node: it hangs at most
    // MaxCategoryLevel deep and the walk returns to the top afterwards.
    const std::string data =
        Level(1) + Node("A", "a") + "\x05\x00\x02\x00\xff\xff"s + Node("Deep", "d") + Level(0) + Node("Top", "t");
    CategoryNode root;
    ASSERT_TRUE(HandleTreeData(data, root));
    ASSERT_EQ(root.Children.size(), 2u);
    EXPECT_EQ(root.Children[1].Name, "Top");
    ASSERT_EQ(root.Children[0].Children.size(), 1u);
    EXPECT_EQ(root.Children[0].Children[0].Name, "Deep");
}

// Short inputs the fuzzer found: a node address with no name before it, a
// level with no node above it, a record cut inside its header.
TEST(CategoryTree, InputsTheFuzzerFoundWalkSafely)
{
    const struct
    {
        std::string data;
        bool whole;
        std::size_t topNodes;
    } rows[] = {
        {"\x07\x00\x00\x00"s, true, 1},
        {"\x05\x00\x80\x06\x02\x00"s, true, 0},
        {"\x05\x00\x80\x06\x02\x00"s + Node("A", "a"), true, 1},
        {"\xe2\x07\x05\xff"s, false, 0},
        {"\x05\x00\x02\x00\x01"s, false, 0},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(testing::PrintToString(row.data));
        CategoryNode root;
        EXPECT_EQ(HandleTreeData(row.data, root), row.whole);
        EXPECT_EQ(root.Children.size(), row.topNodes);
    }
    CategoryNode unnamed;
    HandleTreeData("\x07\x00\x00\x00"s, unnamed);
    EXPECT_EQ(unnamed.Children[0], (CategoryNode{"", "", {}}));
}

TEST(CategoryTree, CompressesAndExpandsBackToTheSameBytes)
{
    const std::string data = Level(1) + Node("Arts", "arts");
    const std::optional<std::string> compressed = CompressTree(data);
    ASSERT_TRUE(compressed);
    EXPECT_EQ(ExpandTree(*compressed), data);
    EXPECT_FALSE(ExpandTree("not a block"));
}

DirectoryPropertyDefinition SampleProperty()
{
    DirectoryPropertyDefinition property;
    property.Name = "Portals";
    property.SubItems = {"", "Science"};
    property.Texts = {"note"};
    property.BaseAddress = "https://w.org/wiki/";
    property.Tree.Children = {{"Arts", "Portal:Arts", {}}};
    return property;
}

TEST(DirectoryFile, WritesTheGoldenBytesAroundTheCompressedTree)
{
    const std::optional<std::string> bytes = WriteDirectoryFile({SampleProperty()});
    ASSERT_TRUE(bytes);
    const std::string head = "YPF-MWR\x01\x00\x00\x00"s + "\x00\x00\x07\x00Portals"s + "\x02\x00\x00\x00"s +
                             "\x02\x00\x07\x00Science"s + "\x04\x00\x04\x00note"s + "\x09\x00\x13\x00https://w.org/wiki/"s +
                             "\x08\x00"s;
    ASSERT_GT(bytes->size(), head.size() + 4);
    EXPECT_EQ(bytes->substr(0, head.size()), head);
    const std::string sizeField = bytes->substr(head.size(), 4);
    const std::uint32_t size = std::uint8_t(sizeField[0]) | std::uint8_t(sizeField[1]) << 8 | std::uint8_t(sizeField[2]) << 16 |
                               std::uint32_t(std::uint8_t(sizeField[3])) << 24;
    ASSERT_EQ(bytes->size(), head.size() + 4 + size);
    EXPECT_EQ(ExpandTree(bytes->substr(head.size() + 4)), Level(1) + Node("Arts", "Portal:Arts"));
}

TEST(DirectoryFile, ReadsPropertiesSubItemsAndTheirFile)
{
    const std::optional<std::string> bytes = WriteDirectoryFile({SampleProperty()});
    ASSERT_TRUE(bytes);
    const DirectoryFile read = ReadDirectoryFile(*bytes, "libs/p.ypf");
    EXPECT_EQ(read.Status, DirectoryFileStatus::Ok);
    ASSERT_EQ(read.Properties.size(), 1u);
    const DirectoryProperty& p = read.Properties[0];
    EXPECT_EQ(p.Name, "Portals");
    EXPECT_EQ(p.File, "libs/p.ypf");
    EXPECT_EQ(p.BaseAddress, "https://w.org/wiki/");
    EXPECT_EQ(p.Texts, std::vector<std::string>{"note"});
    ASSERT_EQ(p.SubItems.size(), 1u);
    EXPECT_EQ(p.SubItems[0], (DirectorySubItem{"Science", "libs/p.ypf", "https://w.org/wiki/"}));

    const std::optional<CategoryNode> tree = ReadCategoryTree(*bytes);
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->Children, SampleProperty().Tree.Children);
}

TEST(DirectoryFile, UsesOnlyVersionOneZero)
{
    std::string bytes = *WriteDirectoryFile({SampleProperty()});
    const struct
    {
        char major, minor;
        bool listed, treeRead;
    } rows[] = {{1, 0, true, true}, {0, 0, false, true}, {2, 0, false, false}, {1, 1, false, false}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(testing::Message() << int(row.major) << "." << int(row.minor));
        bytes[7] = row.major;
        bytes[9] = row.minor;
        EXPECT_EQ(ReadDirectoryFile(bytes, "f").Status == DirectoryFileStatus::Ok, row.listed);
        EXPECT_EQ(ReadCategoryTree(bytes).has_value(), row.treeRead);
    }
    bytes[0] = 'X';
    EXPECT_EQ(ReadDirectoryFile(bytes, "f").Status, DirectoryFileStatus::BadMagic);
}

TEST(DirectoryFile, ATreeSizeBeyondTheFileIsACut)
{
    const std::string bytes = "YPF-MWR\x01\x00\x00\x00"s + "\x00\x00\x01\x00P"s + "\x08\x00\xff\xff\xff\x7f"s + "abc";
    const DirectoryFile read = ReadDirectoryFile(bytes, "f");
    EXPECT_EQ(read.Status, DirectoryFileStatus::Truncated);
    ASSERT_EQ(read.Properties.size(), 1u);
    EXPECT_FALSE(ReadCategoryTree(bytes));
}

TEST(DirectoryFile, MergesPropertiesOfTheSameNameIgnoringCase)
{
    std::vector<DirectoryProperty> all;
    MergeProperties(all, {{"Portals", {{"Arts", "a.ypf", ""}}, {}, "", "a.ypf"}});
    MergeProperties(
        all, {{"PORTALS", {{"Science", "b.ypf", "https://b/"}}, {"t"}, "https://b/", "b.ypf"}, {"Other", {}, {}, "", "b.ypf"}});
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].Name, "Portals");
    ASSERT_EQ(all[0].SubItems.size(), 2u);
    EXPECT_EQ(all[0].SubItems[1].File, "b.ypf");
    EXPECT_EQ(all[0].BaseAddress, "https://b/");
    EXPECT_EQ(all[0].File, "a.ypf");
    EXPECT_EQ(CategoryFileOf(all[0]), "a.ypf");
    EXPECT_EQ(all[1].Name, "Other");
}

class DefinitionFolder : public test::SandboxedTest
{
};

TEST_F(DefinitionFolder, ReadsEveryEngineFileAndSortsEachGroupIgnoringCase)
{
    test::WriteFile(PathOf("b.sel"), WriteSearchEngineFile({{"zeta", "z/s", "q=", false}, {"Alpha", "a/s", "q=", true}}));
    test::WriteFile(PathOf("a.sel"), WriteSearchEngineFile({{"beta", "b/s", "q=", false}, {"Gamma", "g/s", "q=", true}}));
    test::WriteFile(PathOf("bad.sel"), "RVSEDF-XXX\x01\x00\x00\x00"s + EngineBytes("Bad", "x/y", "q=", false));
    test::WriteFile(PathOf("c.txt"), WriteSearchEngineFile({{"Text", "t/s", "q=", false}}));
    std::filesystem::create_directory(PathOf("libs"));
    test::WriteFile(PathOf("libs/p.ypf"), *WriteDirectoryFile({SampleProperty()}));

    const DefinitionSet set = LoadDefinitions(Dir());
    auto names = [](const std::vector<SearchEngine>& engines)
    {
        std::vector<std::string> out;
        for (const SearchEngine& e : engines)
            out.push_back(e.Name);
        return out;
    };
    EXPECT_EQ(names(set.Engines), (std::vector<std::string>{"Alpha", "beta", "Gamma", "zeta"}));
    EXPECT_EQ(names(set.AdvancedEngines), (std::vector<std::string>{"Alpha", "Gamma"}));
    EXPECT_EQ(names(set.SimpleEngines), (std::vector<std::string>{"beta", "zeta"}));
    ASSERT_EQ(set.Properties.size(), 1u);
    EXPECT_EQ(set.Properties[0].File, PathOf("libs/p.ypf"));
    EXPECT_EQ(set.FindEngine("beta")->QueryAddress, "b/s");
    EXPECT_EQ(set.FindEngine("Beta"), nullptr);
}

TEST_F(DefinitionFolder, AnEmptyFolderGivesNoDefinitions)
{
    const DefinitionSet set = LoadDefinitions(Dir());
    EXPECT_TRUE(set.Engines.empty());
    EXPECT_TRUE(set.Properties.empty());
    EXPECT_TRUE(LoadDefinitions(PathOf("missing")).Engines.empty());
}

} // namespace
} // namespace rv
