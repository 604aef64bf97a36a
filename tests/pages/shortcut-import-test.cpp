#include "client/pages/shortcut-import.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

namespace rv
{
namespace
{

class ShortcutImportTest : public test::SandboxedTest
{
protected:
    std::string Shortcut(const std::string& name, const std::string& text)
    {
        const std::filesystem::path path = Dir() / name;
        test::WriteFile(path, text);
        return path.string();
    }
};

TEST_F(ShortcutImportTest, ShortcutsAreAddedAtTheTopInTheOrderChosen)
{
    TWebList list;
    list.Create(EntryKind::Web, 0);
    list[0].EntryName = "Old";
    const std::vector<std::string> paths = {
        Shortcut("News.url", "[InternetShortcut]\r\nURL=http://news.example/\r\n\r\n"),
        Shortcut("Second.URL", "[{000214A0-0000-0000-C000-000000000046}]\r\nProp3=19,11\r\n[InternetShortcut]\r\n"
                               "IDList=\r\nURL=https://second.example/a b\r\nIconIndex=0\r\n"),
        Shortcut("notes.txt", "URL=http://ignored.example/"),
        Shortcut("third.desktop", "[Desktop Entry]\nType=Link\nName=Third one\nName[de]=Dritter\nURL=http://third.example/\n"),
    };
    const ShortcutImport result = ImportShortcuts(list, paths, nullptr);
    EXPECT_FALSE(result.Error);
    ASSERT_EQ(result.Added, 3);
    ASSERT_EQ(list.Count(), 4);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"News", "http://news.example/"}, {"Second", "https://second.example/a b"}, {"Third one", "http://third.example/"}};
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(list[i].EntryName, expected[static_cast<std::size_t>(i)].first) << i;
        EXPECT_EQ(list[i].URL, expected[static_cast<std::size_t>(i)].second) << i;
        EXPECT_TRUE(list[i].NameSet);
    }
    EXPECT_EQ(list[3].EntryName, "Old");
}

TEST_F(ShortcutImportTest, UnreadableShortcutStopsTheImportAndKeepsWhatWasAdded)
{
    TWebList list;
    const std::vector<std::string> paths = {
        Shortcut("first.url", "[InternetShortcut]\nURL=http://first.example/\n"),
        (Dir() / "missing.url").string(),
        Shortcut("app.desktop", "[Desktop Entry]\nType=Application\nExec=true\n"),
        Shortcut("last.url", "[InternetShortcut]\nURL=http://last.example/\n"),
    };
    const ShortcutImport result = ImportShortcuts(list, paths, nullptr);
    ASSERT_TRUE(result.Error);
    EXPECT_EQ(*result.Error, ShortcutFileError);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0].URL, "http://last.example/");
}

} // namespace
} // namespace rv
