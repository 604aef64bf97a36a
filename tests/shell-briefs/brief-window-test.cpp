// The brief window offscreen, driven through its rows, keys and menus'
// commands: what the rows show, what the brief holds afterwards and what
// the brief file holds once the window saved it.
#include "client/briefs/brief-store.h"
#include "client/briefs/entry-clipboard.h"
#include "client/shell/briefs/brief-entries-model.h"
#include "client/shell/briefs/brief-entries-view.h"
#include "client/shell/briefs/brief-window.h"
#include "client/shell/briefs/entry-row-delegate.h"
#include "tests/support/offscreen-widgets.h"
#include "tests/support/sandbox.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <memory>

namespace rv::test
{
namespace
{

struct Row
{
    EntryKind kind = EntryKind::Web;
    std::string name;
};

TWebPage MakeRow(const Row& row)
{
    TWebPage entry = MakeEntry(row.kind);
    entry.EntryName = row.name;
    entry.NameSet = true;
    return entry;
}

std::vector<Row> Webs(std::initializer_list<const char*> names)
{
    std::vector<Row> rows;
    for (const char* name : names)
        rows.push_back({EntryKind::Web, name});
    return rows;
}

// Rejects, and counts, every modal dialog that opens while it lives.
class ModalGuard
{
public:
    ModalGuard()
    {
        QObject::connect(&timer_, &QTimer::timeout,
                         [this]
                         {
                             if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                             {
                                 ++seen_;
                                 dialog->reject();
                             }
                         });
        timer_.start(10);
    }
    int Seen() const { return seen_; }

private:
    QTimer timer_;
    int seen_ = 0;
};

class BriefWindowTest : public SandboxedTest
{
protected:
    void SetUp() override
    {
        SandboxedTest::SetUp();
        EnsureWidgetsApplication();
        QGuiApplication::clipboard()->clear();
    }

    TKestrelForm& OpenWindow(const std::vector<Row>& rows, const std::string& file = "brief.brf")
    {
        windows_.push_back(std::make_unique<TKestrelForm>(clipboard_, nullptr));
        TKestrelForm& window = *windows_.back();
        window.NewBrief(QString::fromStdString(PathOf(file).string()));
        for (const Row& row : rows)
            window.Brief().Entries.Insert(MakeRow(row), -1);
        window.Refresh();
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        return window;
    }

    static std::vector<std::string> Shown(const TKestrelForm& window)
    {
        std::vector<std::string> names;
        const QAbstractItemModel& model = *window.EntriesView()->model();
        for (int row = 0; row < model.rowCount(); ++row)
            names.push_back(model.index(row, 0).data().toString().toStdString());
        return names;
    }

    std::vector<std::string> Saved(const TKestrelForm& window) const
    {
        TBrief brief;
        EXPECT_EQ(LoadBrief(window.Brief().FilePath, brief).Status, LoadStatus::Loaded);
        std::vector<std::string> names;
        for (int i = 0; i < brief.Entries.Count(); ++i)
            names.push_back(brief.Entries[i].EntryName);
        return names;
    }

    static QPoint RowPoint(const TKestrelForm& window, int row)
    {
        BriefEntriesView& view = *window.EntriesView();
        return view.visualRect(view.model()->index(row, 0)).center();
    }

    static void ClickRow(TKestrelForm& window, int row, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(window.EntriesView()->viewport(), Qt::LeftButton, modifiers, RowPoint(window, row));
    }

    static void Key(TKestrelForm& window, int key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(window.EntriesView(), static_cast<Qt::Key>(key), modifiers);
    }

    // Drops the data on the row of the window (past the rows when row is the
    // row count), as a drag released there would.
    static bool DropOn(TKestrelForm& window, const QMimeData& data, int row, bool copyKey)
    {
        BriefEntriesView& view = *window.EntriesView();
        const QPoint point = row < view.model()->rowCount() ? RowPoint(window, row) : QPoint(10, view.viewport()->height() - 2);
        QDragEnterEvent enter(point, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                              copyKey ? Qt::ControlModifier : Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &enter);
        QDropEvent drop(point, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                        copyKey ? Qt::ControlModifier : Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &drop);
        return drop.isAccepted();
    }

    EntryClipboard clipboard_;
    std::vector<std::unique_ptr<TKestrelForm>> windows_;
};

TEST_F(BriefWindowTest, CopiedRowsPasteAtTheFocusInTheirOrderAndAreSaved)
{
    TKestrelForm& window = OpenWindow(Webs({"e0", "e1", "e2", "e3", "e4", "e5"}));
    ClickRow(window, 1);
    ClickRow(window, 3, Qt::ControlModifier);
    ClickRow(window, 5, Qt::ControlModifier);
    Key(window, Qt::Key_C, Qt::ControlModifier);
    ClickRow(window, 0);
    Key(window, Qt::Key_V, Qt::ControlModifier);
    const std::vector<std::string> expected{"e1", "e3", "e5", "e0", "e1", "e2", "e3", "e4", "e5"};
    EXPECT_EQ(Shown(window), expected);
    EXPECT_EQ(Saved(window), expected);
}

TEST_F(BriefWindowTest, ALongNameIsPastedIntoAnotherBriefWithItsFirst256Characters)
{
    TKestrelForm& source = OpenWindow({{EntryKind::Search, std::string(300, 'n')}}, "source.brf");
    TKestrelForm& target = OpenWindow({}, "target.brf");
    ClickRow(source, 0);
    source.CopyEntries();
    EXPECT_TRUE(target.CanPaste());
    target.PasteEntries();
    ASSERT_EQ(Shown(target), std::vector<std::string>{std::string(256, 'n')});
    EXPECT_EQ(target.Brief().Entries[0].Kind, EntryKind::Search);
}

TEST_F(BriefWindowTest, CuttingTheLastEntryAsksThenLeavesAnEmptyBriefReadyToPaste)
{
    TKestrelForm& window = OpenWindow(Webs({"only"}));
    ClickRow(window, 0);
    QString caption;
    QString text;
    AnswerNextMessageBox(MessageAnswer::Yes,
                         [&](MessageBox& box)
                         {
                             caption = box.windowTitle();
                             text = box.Text();
                         });
    window.CutEntries();
    EXPECT_EQ(caption, "Cut Entry");
    EXPECT_EQ(text, "Are you sure you want to cut this Entry and all of its properties?");
    EXPECT_TRUE(Shown(window).empty());
    EXPECT_EQ(window.Brief().Entries.Focus(), -1);
    EXPECT_TRUE(window.CanPaste());
    EXPECT_TRUE(Saved(window).empty());
}

struct DragRow
{
    const char* name;
    bool copyKey;
    std::vector<std::string> names;
    int focus;
};

void PrintTo(const DragRow& row, std::ostream* out)
{
    *out << row.name;
}

class BriefWindowDragTest : public BriefWindowTest, public ::testing::WithParamInterface<DragRow>
{
};

TEST_P(BriefWindowDragTest, DraggingRow2OntoRow4)
{
    const DragRow& row = GetParam();
    TKestrelForm& window = OpenWindow(Webs({"e0", "e1", "e2", "e3", "e4", "e5"}));
    const std::unique_ptr<QMimeData> data(window.DragData(2));
    ASSERT_TRUE(DropOn(window, *data, 4, row.copyKey));
    EXPECT_EQ(Shown(window), row.names);
    EXPECT_EQ(window.Brief().Entries.Focus(), row.focus);
    EXPECT_EQ(Saved(window), row.names);
}

INSTANTIATE_TEST_SUITE_P(Drops, BriefWindowDragTest,
                         ::testing::Values(DragRow{"Moves", false, {"e0", "e1", "e3", "e4", "e2", "e5"}, 4},
                                           DragRow{
                                               "CopiesWithTheCopyKey", true, {"e0", "e1", "e2", "e3", "e2", "e4", "e5"}, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BriefWindowTest, DraggingOntoAnotherBriefWindowCopiesAndLeavesTheSourceAsItWas)
{
    TKestrelForm& source = OpenWindow(Webs({"a", "b", "c"}), "source.brf");
    TKestrelForm& target = OpenWindow(Webs({"x", "y"}), "target.brf");
    const std::unique_ptr<QMimeData> data(source.DragData(1));
    ASSERT_TRUE(DropOn(target, *data, 2, false));
    EXPECT_EQ(Shown(source), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_FALSE(std::filesystem::exists(PathOf("source.brf"))); // nothing to save there
    EXPECT_EQ(Shown(target), (std::vector<std::string>{"x", "y", "b"}));
    EXPECT_EQ(Saved(target), (std::vector<std::string>{"x", "y", "b"}));
}

TEST_F(BriefWindowTest, SortingOrdersTheRowsByNameWithoutRegardToCase)
{
    TKestrelForm& window = OpenWindow(Webs({"beta", "Alpha", "alpha2"}));
    window.SortEntries();
    EXPECT_EQ(Shown(window), (std::vector<std::string>{"Alpha", "alpha2", "beta"}));
    EXPECT_EQ(Saved(window), (std::vector<std::string>{"Alpha", "alpha2", "beta"}));
}

TEST_F(BriefWindowTest, WhileRetrievingEveryEditIsRefused)
{
    TKestrelForm& source = OpenWindow(Webs({"z"}), "source.brf");
    TKestrelForm& window = OpenWindow(Webs({"b", "a"}));
    ClickRow(window, 0);
    window.CopyEntries();
    window.SetRetrieving(true);
    EXPECT_FALSE(window.NameEdit()->isEnabled());
    EXPECT_FALSE(window.ActiveBox()->isEnabled());
    EXPECT_FALSE(window.CanPaste());
    const std::unique_ptr<QMimeData> data(source.DragData(0));
    const std::vector<std::pair<const char*, std::function<void()>>> edits{
        {"Delete key", [&] { Key(window, Qt::Key_Delete); }},
        {"Delete", [&] { window.DeleteEntries(); }},
        {"Cut", [&] { window.CutEntries(); }},
        {"Paste", [&] { window.PasteEntries(); }},
        {"Sort", [&] { window.SortEntries(); }},
        {"New entry", [&] { window.NewEntry(EntryKind::Web); }},
        {"Entry setup", [&] { window.OpenEntrySetup(); }},
        {"Check mark",
         [&]
         {
             const QRect row = window.EntriesView()->visualRect(window.EntriesView()->model()->index(0, 0));
             QTest::mouseClick(window.EntriesView()->viewport(), Qt::LeftButton, {},
                               EntryRowDelegate::CheckMarkRect(row).center());
         }},
        {"Drop", [&] { DropOn(window, *data, 0, false); }},
    };
    for (const auto& [name, edit] : edits)
    {
        ModalGuard guard;
        edit();
        QTest::qWait(30);
        EXPECT_EQ(guard.Seen(), 0) << name;
        EXPECT_EQ(Shown(window), (std::vector<std::string>{"b", "a"})) << name;
        EXPECT_TRUE(window.Brief().Entries[0].Active) << name;
    }
    // Once the run is over the same key asks again.
    window.SetRetrieving(false);
    bool asked = false;
    AnswerNextMessageBox(MessageAnswer::No, [&](MessageBox&) { asked = true; });
    Key(window, Qt::Key_Delete);
    EXPECT_TRUE(asked);
    EXPECT_TRUE(window.NameEdit()->isEnabled());
}

struct SystemClipboardRow
{
    const char* name;
    std::function<void(QClipboard&)> put;
    std::vector<std::string> addresses; // of the rows pasted as web entries, before the focused "x"
    bool ownCopy = false;               // the program's copy of "x" is pasted instead
};

void PrintTo(const SystemClipboardRow& row, std::ostream* out)
{
    *out << row.name;
}

class SystemClipboardTest : public BriefWindowTest, public ::testing::WithParamInterface<SystemClipboardRow>
{
};

TEST_P(SystemClipboardTest, AddressesCopiedInAnotherProgramPasteAsWebEntries)
{
    const SystemClipboardRow& row = GetParam();
    TKestrelForm& window = OpenWindow(Webs({"x"}));
    ClickRow(window, 0);
    window.CopyEntries(); // the program's own copy is older than what follows
    row.put(*QGuiApplication::clipboard());
    EXPECT_TRUE(window.CanPaste());
    window.PasteEntries();
    std::vector<std::string> shown = Shown(window);
    if (row.ownCopy)
    {
        EXPECT_EQ(shown, (std::vector<std::string>{"x", "x"}));
        return;
    }
    ASSERT_EQ(shown.size(), row.addresses.size() + 1);
    EXPECT_EQ(shown.back(), "x");
    shown.pop_back();
    EXPECT_EQ(shown, row.addresses);
    for (int i = 0; i < static_cast<int>(row.addresses.size()); ++i)
    {
        EXPECT_EQ(window.Brief().Entries[i].Kind, EntryKind::Web);
        EXPECT_EQ(window.Brief().Entries[i].URL, row.addresses[static_cast<std::size_t>(i)]);
        EXPECT_FALSE(window.Brief().Entries[i].NameSet);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Clipboards, SystemClipboardTest,
    ::testing::Values(
        SystemClipboardRow{"Text",
                           [](QClipboard& clipboard)
                           { clipboard.setText("see http://a.example/x and\nhttps://b.example/ ftp://c.example/ http:// no"); },
                           {"http://a.example/x", "https://b.example/"}},
        SystemClipboardRow{"UriList",
                           [](QClipboard& clipboard)
                           {
                               auto* data = new QMimeData;
                               data->setUrls({QUrl("http://c.example/p?q=1"), QUrl("file:///etc/passwd")});
                               clipboard.setMimeData(data);
                           },
                           {"http://c.example/p?q=1"}},
        SystemClipboardRow{
            "NoAddressesPasteTheProgramsCopy", [](QClipboard& clipboard) { clipboard.setText("plain words"); }, {}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BriefWindowTest, CopiedEntriesGoOnTheSystemClipboardAsTheirAddresses)
{
    TKestrelForm& window = OpenWindow({});
    for (const char* address : {"http://a.example/", "http://b.example/"})
    {
        TWebPage entry = MakeEntry(EntryKind::Web);
        entry.URL = address;
        window.Brief().Entries.Insert(entry, -1);
    }
    window.Refresh();
    ClickRow(window, 0);
    ClickRow(window, 1, Qt::ShiftModifier);
    window.CopyEntries();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), "http://a.example/\nhttp://b.example/");
    EXPECT_EQ(data->urls(), (QList<QUrl>{QUrl("http://a.example/"), QUrl("http://b.example/")}));
    // Pasting now takes the program's own copies, not their addresses again.
    ClickRow(window, 0);
    window.PasteEntries();
    EXPECT_EQ(window.Brief().Entries.Count(), 4);
}

TEST_F(BriefWindowTest, AFailedSaveShowsTheSavingErrorAndKeepsTheEdit)
{
    TKestrelForm& window = OpenWindow(Webs({"b", "a"}), "no-such-folder/brief.brf");
    UserMessage shown;
    AnswerNextMessageBox(MessageAnswer::Ok,
                         [&](MessageBox& box) {
                             shown = {box.windowTitle().toStdString(), box.Text().toStdString()};
                         });
    window.SortEntries();
    EXPECT_EQ(shown, BriefSavingError);
    EXPECT_EQ(Shown(window), (std::vector<std::string>{"a", "b"}));
}

TEST_F(BriefWindowTest, RowsShowKindCheckMarkNameAndRetrievalType)
{
    TKestrelForm& window = OpenWindow({});
    TWebList& list = window.Brief().Entries;
    TWebPage web = MakeEntry(EntryKind::Web);
    web.URL = "http://www.example.com/news/";
    list.Insert(web, -1);
    TWebPage named = MakeRow({EntryKind::Web, "Weather"});
    named.FullRetrieval = false;
    named.MarkDiffs = true;
    named.SmartSearch = true;
    named.LocalOnly = false;
    named.SpiderDepth = 3;
    named.ExternalDepth = 2;
    list.Insert(named, -1);
    list.Insert(MakeRow({EntryKind::Search, "ravelin falcons"}), -1);
    list.Insert(MakeRow({EntryKind::Yahoo, "New Yahoo! Entry"}), -1);
    TWebPage differences = MakeRow({EntryKind::Web, "Prices"});
    differences.FullRetrieval = false;
    list.Insert(differences, -1);
    for (int i = 0; i < list.Count(); ++i)
        list[i].Active = i == 1;
    window.Refresh();
    ClickRow(window, 1);
    ClickRow(window, 2, Qt::ControlModifier);
    ClickRow(window, 3, Qt::ControlModifier);
    window.resize(520, 220);

    EXPECT_EQ(Shown(window), (std::vector<std::string>{"http://www.example.com/news/", "Weather", "ravelin falcons",
                                                       "New Yahoo! Entry", "Prices"}));
    const QAbstractItemModel& model = *window.EntriesView()->model();
    EXPECT_EQ(model.index(1, 0).data(BriefEntriesModel::RetrievalTextRole).toString(), "3 / 2");
    EXPECT_EQ(model.index(0, 0).data(BriefEntriesModel::RetrievalTextRole).toString(), "1 / 0");
    EXPECT_EQ(window.EntriesView()->visualRect(model.index(1, 0)).top() -
                  window.EntriesView()->visualRect(model.index(0, 0)).top(),
              EntryRowHeight);

    const std::filesystem::path picture = SaveScreenshot(window, "brief-window");
    ASSERT_FALSE(picture.empty());
    const QImage image = window.grab().toImage();
    const auto colourAt = [&](int row)
    {
        const QRect rect = window.EntriesView()->visualRect(model.index(row, 0));
        const QPoint point = window.EntriesView()->viewport()->mapTo(
            &window, QPoint(EntryRowDelegate::RetrievalCellRect(rect).left() - 2, rect.center().y()));
        return image.pixelColor(point * image.devicePixelRatio()).rgb();
    };
    EXPECT_EQ(colourAt(4), window.EntriesView()->palette().color(QPalette::Base).rgb());
    EXPECT_NE(colourAt(2), colourAt(3)); // selected search and directory rows stay apart
    window.Brief().Entries.DeselectAll();
    window.Brief().Entries.SetFocus(0);
    window.Refresh();
    const QImage plain = window.grab().toImage();
    const auto plainAt = [&](int row)
    {
        const QRect rect = window.EntriesView()->visualRect(model.index(row, 0));
        const QPoint point = window.EntriesView()->viewport()->mapTo(
            &window, QPoint(EntryRowDelegate::RetrievalCellRect(rect).left() - 2, rect.center().y()));
        return plain.pixelColor(point * plain.devicePixelRatio()).rgb();
    };
    EXPECT_EQ(plainAt(2), SearchRowColour);
    EXPECT_EQ(plainAt(3), DirectoryRowColour);
}

} // namespace
} // namespace rv::test
