// The definition files the build makes from data/definitions and puts
// beside the programs: they load, and every category they offer can be
// chosen and stored.
#include "client/pages/directory-choice.h"
#include "client/pages/entry-targets.h"
#include "tests/support/sandbox.h"

#include <functional>
#include <gtest/gtest.h>

namespace rv
{
namespace
{

TEST(ShippedDefinitions, OfferEnginesInBothGroups)
{
    const DefinitionSet set = LoadDefinitions(test::BinDir());
    EXPECT_GE(set.AdvancedEngines.size(), 2u);
    EXPECT_GE(set.SimpleEngines.size(), 2u);
    for (const SearchEngine& engine : set.Engines)
    {
        SCOPED_TRACE(engine.Name);
        EXPECT_TRUE(engine.QueryAddress.starts_with("https://"));
        EXPECT_TRUE(engine.QueryPrefix.ends_with("="));
    }
    TWebPage entry = MakeEntry(EntryKind::Search);
    entry.EntryName = "red fox";
    entry.EngineList = PackNames({"Wikipedia"}).Bytes;
    const std::vector<EntryTarget> targets = EntryTargets(entry, set);
    ASSERT_EQ(targets.size(), 1u);
    EXPECT_EQ(targets[0].Url, "https://en.wikipedia.org/w/index.php?fulltext=1&search=red+fox");
}

TEST(ShippedDefinitions, EveryDirectoryCategoryLoadsAndFitsAnEntry)
{
    const DefinitionSet set = LoadDefinitions(test::BinDir());
    ASSERT_GE(set.Properties.size(), 2u);
    DirectoryChoice choice(set, MakeEntry(EntryKind::Yahoo));
    for (std::size_t p = 0; p < set.Properties.size(); ++p)
    {
        SCOPED_TRACE(set.Properties[p].Name);
        ASSERT_TRUE(choice.PropertiesListChange(p));
        EXPECT_FALSE(choice.Categories().empty());
        std::function<void(const std::vector<CategoryBox>&)> check = [&](const std::vector<CategoryBox>& boxes)
        {
            for (const CategoryBox& box : boxes)
            {
                SCOPED_TRACE(box.Name);
                EXPECT_LE(box.Category.size(), MaxPackedItem);
                EXPECT_NE(box.Category.find("\thttps://en.wikipedia.org/wiki/"), std::string::npos);
                EXPECT_EQ(box.Category.find("wiki//"), std::string::npos);
                check(box.Children);
            }
        };
        check(choice.Categories());
    }
}

} // namespace
} // namespace rv
