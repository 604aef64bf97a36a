// The exclusion dialog and its line editor offscreen: a line goes through
// the editor's simple and advanced forms and comes back as the rules build
// it, and the lists an entry keeps come from the ticked lines while the
// suggestion pools keep every line.
#include "client/shell/client-settings.h"
#include "client/shell/dialogs/exclusion-dialog.h"
#include "client/shell/dialogs/exclusion-line-editor.h"
#include "client/shell/dialogs/run-entry-setup.h"
#include "tests/support/offscreen-widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

namespace rv::test
{
namespace
{

using namespace std::string_literals;

struct LineRow
{
    const char* name;
    std::string line;
    std::function<void(TEditEx&)> edit;
    std::string after;
};

void PrintTo(const LineRow& row, std::ostream* out)
{
    *out << row.name;
}

template <typename Widget> Widget* Control(QWidget& dialog, const char* name)
{
    auto* widget = dialog.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

class LineEditorTest : public ::testing::TestWithParam<LineRow>
{
protected:
    void SetUp() override { EnsureWidgetsApplication(); }
};

TEST_P(LineEditorTest, RebuildsTheLineFromWhatTheControlsHold)
{
    const LineRow& row = GetParam();
    TEditEx editor(row.line, {}, {});
    editor.show();
    row.edit(editor);
    EXPECT_EQ(editor.Line(), row.after);
}

void ToAdvanced(TEditEx& e)
{
    Control<QRadioButton>(e, "Advanced")->click();
}

void ToSimple(TEditEx& e)
{
    Control<QRadioButton>(e, "Simple")->click();
}

INSTANTIATE_TEST_SUITE_P(Lines, LineEditorTest,
                         ::testing::Values(LineRow{"SimpleUntouched",
                                                   "1\x01"
                                                   "Ecgi\x01"
                                                   "HI",
                                                   [](TEditEx&) {},
                                                   "1\x01"
                                                   "Ecgi\x01"
                                                   "HI"},
                                           LineRow{"SimpleToAdvanced",
                                                   "1\x01"
                                                   "Scgi-bin\x01"
                                                   "GH",
                                                   ToAdvanced,
                                                   "1cgi-bin\x01"
                                                   "GH"},
                                           LineRow{"AdvancedToSimpleAndBack",
                                                   "0*.gif\x01"
                                                   "I",
                                                   [](TEditEx& e)
                                                   {
                                                       ToSimple(e);
                                                       ToAdvanced(e);
                                                   },
                                                   "0*.gif\x01"
                                                   "I"},
                                           LineRow{"AdvancedToSimpleTakesTheChosenType",
                                                   "0/ads/\x01"
                                                   "O",
                                                   [](TEditEx& e)
                                                   {
                                                       ToSimple(e);
                                                       Control<QComboBox>(e, "MatchType")->setCurrentIndex(1);
                                                   },
                                                   "0\x01"
                                                   "I/ads/\x01"
                                                   "O"},
                                           LineRow{"NoFlagsShowsGlobalAndDisablesTheKinds",
                                                   "0\x01"
                                                   "CNew Entry",
                                                   [](TEditEx& e)
                                                   {
                                                       EXPECT_TRUE(Control<QCheckBox>(e, "Global")->isChecked());
                                                       EXPECT_FALSE(Control<QCheckBox>(e, "Images")->isEnabled());
                                                   },
                                                   "0\x01"
                                                   "CNew Entry\x01"
                                                   "G"},
                                           LineRow{"GlobalOffEnablesTheKinds",
                                                   "1\x01"
                                                   "Cx\x01"
                                                   "G",
                                                   [](TEditEx& e)
                                                   {
                                                       Control<QCheckBox>(e, "Global")->click();
                                                       Control<QCheckBox>(e, "Java")->click();
                                                       Control<QCheckBox>(e, "HTMLText")->click();
                                                   },
                                                   "1\x01"
                                                   "Cx\x01"
                                                   "HJ"}));

class ExclusionDialogTest : public ::testing::Test
{
protected:
    void SetUp() override { EnsureWidgetsApplication(); }
};

TEST_F(ExclusionDialogTest, EntryKeepsTheTickedPatternsAndThePoolsKeepEveryLine)
{
    ClientSettings settings;
    settings.Startup.ExclusionItems = {"1\x01"
                                       "Cads\x01"
                                       "G",
                                       "0\x01"
                                       "Ccgi\x01"
                                       "G"};
    settings.Startup.InclusionItems = {"1/news/*\x01"
                                       "H"};
    TBrief brief;
    const int at = brief.Entries.Create(EntryKind::Web, -1);
    brief.Entries[at].ExList = {"\x01"
                                "Ccgi\x01"
                                "G",
                                "*.exe\x01"
                                "O"};
    brief.Entries.Click(at);
    auto dialog = MakeEntrySetupDialog(brief.Entries, settings, {}, false, nullptr);
    dialog->show();
    WhenModal(
        [](QDialog& d)
        {
            auto& exclusion = dynamic_cast<TExclusion&>(d);
            QListWidget* just = exclusion.ExcludeJust();
            EXPECT_EQ(exclusion.Lines(just), (std::vector<std::string>{"0\x01"
                                                                       "Cads\x01"
                                                                       "G",
                                                                       "1\x01"
                                                                       "Ccgi\x01"
                                                                       "G",
                                                                       "1*.exe\x01"
                                                                       "O"}));
            just->item(0)->setCheckState(Qt::Checked);
            just->item(1)->setCheckState(Qt::Unchecked);
            just->setCurrentRow(2);
            Control<QPushButton>(d, "DeleteButton")->click();
            exclusion.ExcludeAllExcept()->setCurrentRow(0);
            Control<QPushButton>(d, "NewButton")->click();
            Control<QPushButton>(d, "OkButton")->click();
        });
    Control<QPushButton>(*dialog, "ExclusionListsButton")->click();
    EXPECT_EQ(settings.Startup.ExclusionItems, (std::vector<std::string>{"1\x01"
                                                                         "Cads\x01"
                                                                         "G",
                                                                         "0\x01"
                                                                         "Ccgi\x01"
                                                                         "G"}));
    EXPECT_EQ(settings.Startup.InclusionItems, (std::vector<std::string>{"0/news/*\x01"
                                                                         "H",
                                                                         "0\x01"
                                                                         "CNew Entry"}));
    EXPECT_EQ(brief.Entries[at].ExList, (std::vector<std::string>{"\x01"
                                                                  "Ccgi\x01"
                                                                  "G",
                                                                  "*.exe\x01"
                                                                  "O"}));
    Control<QPushButton>(*dialog, "OkButton")->click();
    EXPECT_EQ(brief.Entries[at].ExList, (std::vector<std::string>{"\x01"
                                                                  "Cads\x01"
                                                                  "G"}));
    EXPECT_TRUE(brief.Entries[at].InList.empty());
}

} // namespace
} // namespace rv::test
