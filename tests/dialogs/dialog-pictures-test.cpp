// Every dialog of the entry setup on one screen: it fits 1024x768, its Help
// button opens its own help page, and a picture of each page is saved for
// people to look at. The search and directory dialogs show definitions
// written into the sandbox.
#include "client/pages/definition-set.h"
#include "client/shell/client-settings.h"
#include "client/shell/dialogs/exclusion-dialog.h"
#include "client/shell/dialogs/exclusion-line-editor.h"
#include "client/shell/dialogs/help-contexts.h"
#include "client/shell/dialogs/run-entry-setup.h"
#include "client/shell/dialogs/yahoo-props.h"
#include "tests/support/offscreen-widgets.h"
#include "tests/support/sandbox.h"
#include "widgets/help-opener.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace rv::test
{
namespace
{

// Tab from the top of the dialog reaches every control on show before the
// dialog's own buttons.
void ExpectButtonsLastInTabOrder(QDialog& dialog, const std::string& name)
{
    bool buttonsReached = false;
    for (QWidget* w = dialog.nextInFocusChain(); w != &dialog; w = w->nextInFocusChain())
    {
        if (!w->isVisible() || !(w->focusPolicy() & Qt::TabFocus))
            continue;
        const bool dialogButton = qobject_cast<QDialogButtonBox*>(w->parentWidget()) != nullptr;
        EXPECT_FALSE(buttonsReached && !dialogButton) << name << ": " << w->objectName().toStdString();
        buttonsReached = buttonsReached || dialogButton;
    }
}

class DialogPicturesTest : public SandboxedTest
{
protected:
    void SetUp() override
    {
        SandboxedTest::SetUp();
        EnsureWidgetsApplication();
        WriteFile(PathOf("engines.sel"), WriteSearchEngineFile({{"Fast Finder", "find.example.org/s", "q=", true},
                                                                {"Open Index", "index.example.org/search", "query=", false},
                                                                {"Web Crawler Deluxe", "crawl.example.org/q", "w=", false}}));
        DirectoryPropertyDefinition portals;
        portals.Name = "Encyclopedia Portals";
        portals.SubItems = {""};
        portals.BaseAddress = "https://w.example.org/wiki/";
        portals.Tree.Children = {{"Arts", "Portal:Arts", {{"Music", "Portal:Music", {}}, {"Film", "Portal:Film", {}}}},
                                 {"Science", "Portal:Science", {{"Physics", "Portal:Physics", {}}}},
                                 {"History", "Portal:History", {}}};
        std::filesystem::create_directories(PathOf("libs"));
        WriteFile(PathOf("libs/portals.ypf"), *WriteDirectoryFile({portals}));
        definitions = LoadDefinitions(Dir());
        environment.definitions = &definitions;
    }

    // One entry of the kind, selected; a second one too when `two`.
    TBrief BriefOf(EntryKind kind, bool two = false)
    {
        TBrief brief;
        for (int i = 0; i < (two ? 2 : 1); ++i)
        {
            const int at = brief.Entries.Create(kind, -1);
            brief.Entries[at].URL = kind == EntryKind::Web ? "http://www.example.org/news/index.html" : "";
        }
        for (int i = 0; i < brief.Entries.Count(); ++i)
            brief.Entries.Select(i, true);
        brief.Entries.SetFocus(0);
        return brief;
    }

    // Saves a picture of every page and checks the fit and the help page.
    void Look(QDialog& dialog, const std::string& name, int helpContext)
    {
        const std::string title = dialog.windowTitle().toStdString();
        QString opened;
        auto* setup = dynamic_cast<EntrySetupDialog*>(&dialog);
        if (setup)
            setup->Help()->launch = [&](const QString& url)
            {
                opened = url;
                return BrowserLoad::Started;
            };
        dialog.show();
        EXPECT_LE(dialog.frameGeometry().width(), 1024) << name;
        EXPECT_LE(dialog.frameGeometry().height(), 768) << name;
        EXPECT_GE(dialog.width(), dialog.minimumSizeHint().width()) << name;
        EXPECT_GE(dialog.height(), dialog.minimumSizeHint().height()) << name;
        if (auto* tabs = dialog.findChild<QTabWidget*>())
            for (int page = 0; page < tabs->count(); ++page)
            {
                tabs->setCurrentIndex(page);
                ExpectButtonsLastInTabOrder(dialog, name + "-" + std::to_string(page));
                EXPECT_FALSE(SaveScreenshot(dialog, name + "-" + std::to_string(page)).empty());
            }
        else
        {
            ExpectButtonsLastInTabOrder(dialog, name);
            EXPECT_FALSE(SaveScreenshot(dialog, name).empty());
        }
        if (setup)
        {
            dialog.findChild<QPushButton*>(QStringLiteral("HelpButton"))->click();
            EXPECT_TRUE(opened.endsWith(QStringLiteral("/help/%1.html").arg(helpContext))) << opened.toStdString();
        }
        // The page of the dialog's help context ships with the program and is about this dialog.
        const std::string page = ReadFile(SourceDir() / "data/help" / (std::to_string(helpContext) + ".html"));
        EXPECT_NE(page.find("<title>" + title + "</title>"), std::string::npos) << name << " " << helpContext;
    }

    DefinitionSet definitions;
    EntrySetupEnvironment environment;
    ClientSettings settings;
};

TEST_F(DialogPicturesTest, WebEntry)
{
    TBrief brief = BriefOf(EntryKind::Web);
    brief.Entries[0].SpiderDepth = 7;
    auto dialog = MakeEntrySetupDialog(brief.Entries, settings, environment, false, nullptr);
    Look(*dialog, "web", WebEntryHelpContext);
}

TEST_F(DialogPicturesTest, WebEntriesOfMixedKinds)
{
    TBrief brief = BriefOf(EntryKind::Web, true);
    brief.Entries[1].Kind = EntryKind::Search;
    auto dialog = MakeEntrySetupDialog(brief.Entries, settings, environment, false, nullptr);
    EXPECT_EQ(dialog->Kind(), EntryKind::Web);
    Look(*dialog, "mixed", WebEntryHelpContext);
}

TEST_F(DialogPicturesTest, SearchEntry)
{
    TBrief brief = BriefOf(EntryKind::Search);
    auto dialog = MakeEntrySetupDialog(brief.Entries, settings, environment, false, nullptr);
    auto* engines = dialog->findChild<QListWidget*>(QStringLiteral("SearchEngines"));
    ASSERT_NE(engines, nullptr);
    EXPECT_EQ(engines->count(), 6); // two headers, an empty row, three engines
    engines->item(1)->setCheckState(Qt::Checked);
    Look(*dialog, "search", SearchEntryHelpContext);
    dialog->findChild<QPushButton*>(QStringLiteral("OkButton"))->click();
    EXPECT_EQ(brief.Entries[0].EngineList, std::string("\x0b"
                                                       "Fast Finder",
                                                       12) +
                                               '\0');
}

TEST_F(DialogPicturesTest, DirectoryEntry)
{
    TBrief brief = BriefOf(EntryKind::Yahoo);
    auto dialog = MakeEntrySetupDialog(brief.Entries, settings, environment, false, nullptr);
    auto& yahoo = dynamic_cast<TYahooProps&>(*dialog);
    QTreeWidget* categories = yahoo.CategoriesList();
    ASSERT_EQ(categories->topLevelItemCount(), 3);
    categories->expandAll();
    yahoo.CategoriesListClick(categories->topLevelItem(0)->child(1));
    EXPECT_EQ(yahoo.SelectedList()->count(), 1);
    Look(*dialog, "directory", DirectoryEntryHelpContext);
}

TEST_F(DialogPicturesTest, ExclusionListsAndLineEditor)
{
    TExclusion exclusion({"1\x01"
                          "Ccgi-bin\x01"
                          "GH",
                          "0*.exe\x01"
                          "O"},
                         {"0\x01"
                          "S/news/\x01"
                          "H"},
                         std::vector<std::string>{"\x01"
                                                  "Ccgi-bin\x01"
                                                  "GH"},
                         std::nullopt, {}, {});
    Look(exclusion, "exclusion", ExclusionHelpContext);
    TEditEx editor("1\x01"
                   "Ccgi-bin\x01"
                   "HI",
                   {}, {});
    Look(editor, "line-editor", ExclusionLineHelpContext);
}

} // namespace
} // namespace rv::test
