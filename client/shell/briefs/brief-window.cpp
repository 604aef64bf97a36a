#include "client/shell/briefs/brief-window.h"

#include "client/briefs/brief-store.h"
#include "client/briefs/entry-clipboard.h"
#include "client/shell/briefs/address-entry-dialog.h"
#include "client/shell/briefs/brief-entries-model.h"
#include "client/shell/briefs/brief-entries-view.h"
#include "client/shell/briefs/entry-row-delegate.h"
#include "client/shell/briefs/system-clipboard.h"
#include "widgets/message-box.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QVBoxLayout>
#include <map>
#include <optional>

namespace rv
{
namespace
{

// A dragged row: "<process id> <window id> <row>". Only windows of this
// process take it; the id, not a pointer, names the window so that a drag
// that outlives its window finds nothing.
const QString EntryRowFormat = QStringLiteral("application/x-ravelin-entry-row");

std::map<quint64, TKestrelForm*>& OpenWindows()
{
    static std::map<quint64, TKestrelForm*> windows;
    return windows;
}

quint64 NextWindowId()
{
    static quint64 next = 0;
    return ++next;
}

// The hourglass while a brief file is read or written.
class WaitCursor
{
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QString Latin1(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string LocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

struct DraggedRow
{
    quint64 Window = 0;
    int Row = -1;
};

// The row the data carries, when it names a row of an open window of this
// process.
std::optional<DraggedRow> DraggedRowIn(const QMimeData& data)
{
    const QList<QByteArray> parts = data.data(EntryRowFormat).split(' ');
    bool windowRead = false;
    bool rowRead = false;
    DraggedRow dragged;
    if (parts.size() != 3 || parts[0] != QByteArray::number(QCoreApplication::applicationPid()))
    {
        return std::nullopt;
    }
    dragged.Window = parts[1].toULongLong(&windowRead);
    dragged.Row = parts[2].toInt(&rowRead);
    const auto window = OpenWindows().find(dragged.Window);
    if (!windowRead || !rowRead || window == OpenWindows().end() || !window->second->Brief().Entries.IsValid(dragged.Row))
    {
        return std::nullopt;
    }
    return dragged;
}

bool Matches(int key, Qt::KeyboardModifiers modifiers, QKeySequence::StandardKey standard)
{
    const QKeyCombination pressed(modifiers, static_cast<Qt::Key>(key));
    for (const QKeySequence& sequence : QKeySequence::keyBindings(standard))
    {
        if (sequence.count() == 1 && sequence[0] == pressed)
        {
            return true;
        }
    }
    return false;
}

} // namespace

TKestrelForm::TKestrelForm(EntryClipboard& clipboard, const EntryDefaultsRecords* defaults, QWidget* parent)
    : QWidget(parent), clipboard_(clipboard), defaults_(defaults), id_(NextWindowId())
{
    OpenWindows()[id_] = this;
    ResetBrief(brief_, {});
    setObjectName(QStringLiteral("BriefWindow"));

    nameEdit_ = new QLineEdit(this);
    nameEdit_->setObjectName(QStringLiteral("BriefNameEdit"));
    // No mnemonics here: the window is a child of the main window, whose
    // menus own the Alt keys. Tab reaches both controls from the rows.
    auto* nameLabel = new QLabel(QStringLiteral("Brief:"), this);
    nameLabel->setBuddy(nameEdit_);
    activeBox_ = new QCheckBox(QStringLiteral("Active"), this);
    activeBox_->setObjectName(QStringLiteral("BriefActiveBox"));

    model_ = new BriefEntriesModel(brief_.Entries, this);
    view_ = new BriefEntriesView(this);
    view_->setObjectName(QStringLiteral("EntryList"));
    view_->setItemDelegate(new EntryRowDelegate(view_));
    view_->setModel(model_);
    view_->DragData = [this](int row) { return DragData(row); };
    view_->CanDrop = [this](const QMimeData& data) { return CanDrop(data); };
    view_->Drop = [this](const QMimeData& data, int row, bool copy) { return DropData(data, row, copy); };

    auto* header = new QHBoxLayout;
    header->addWidget(nameLabel);
    header->addWidget(nameEdit_, 1);
    header->addWidget(activeBox_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(header);
    layout->addWidget(view_, 1);
    setFocusProxy(view_);

    connect(nameEdit_, &QLineEdit::textEdited, this,
            [this](const QString& text)
            {
                if (brief_.Retrieving)
                {
                    return;
                }
                brief_.BriefName = text.toLatin1().toStdString();
                EditDone();
            });
    connect(activeBox_, &QCheckBox::clicked, this,
            [this](bool checked)
            {
                if (brief_.Retrieving)
                {
                    return;
                }
                brief_.BriefActive = checked;
                EditDone();
            });
    connect(view_, &BriefEntriesView::RowClicked, this, &TKestrelForm::RowClicked);
    connect(view_, &BriefEntriesView::CheckMarkClicked, this, &TKestrelForm::ToggleActive);
    connect(view_, &BriefEntriesView::RowActivated, this,
            [this](int row)
            {
                brief_.Entries.Click(row);
                SelectionDone();
                OpenEntrySetup();
            });
    connect(view_, &BriefEntriesView::KeyCommand, this, &TKestrelForm::KeyCommand);
    resize(560, 360);
    ShowHeader();
}

TKestrelForm::~TKestrelForm()
{
    OpenWindows().erase(id_);
}

bool TKestrelForm::OpenFile(const QString& path)
{
    LoadResult result;
    {
        WaitCursor wait;
        result = LoadBrief(LocalPath(path), brief_);
    }
    if (const std::optional<UserMessage> message = MessageFor(result))
    {
        ShowMessage(this, *message, MessageIcon::Error);
    }
    if (result.Status != LoadStatus::Loaded)
    {
        return false;
    }
    if (result.SaveFailed)
    {
        ShowMessage(this, BriefSavingError, MessageIcon::Error);
    }
    Refresh();
    return true;
}

void TKestrelForm::NewBrief(const QString& path)
{
    ResetBrief(brief_, LocalPath(path));
    Refresh();
}

bool TKestrelForm::Save()
{
    SaveStatus status = SaveStatus::NeedsPath;
    if (!brief_.FilePath.empty())
    {
        WaitCursor wait;
        status = SaveBrief(brief_, false);
    }
    switch (status)
    {
    case SaveStatus::Saved:
        return true;
    case SaveStatus::NeedsPath:
        emit SavePathNeeded();
        return false;
    case SaveStatus::Failed:
        break;
    }
    ShowMessage(this, BriefSavingError, MessageIcon::Error);
    return false;
}

bool TKestrelForm::SaveAs(const QString& path)
{
    const std::string oldPath = brief_.FilePath;
    SetBriefPath(brief_, LocalPath(path));
    if (!Save())
    {
        SetBriefPath(brief_, oldPath);
        return false;
    }
    setWindowTitle(QFile::decodeName(WindowCaptionFromPath(brief_.FilePath).c_str()));
    return true;
}

QString TKestrelForm::FilePath() const
{
    return QFile::decodeName(brief_.FilePath.c_str());
}

void TKestrelForm::SetRetrieving(bool retrieving)
{
    brief_.Retrieving = retrieving;
    ShowHeader();
    model_->SetReadOnly(retrieving);
    emit SelectionChanged();
}

void TKestrelForm::Refresh()
{
    ShowHeader();
    model_->Reload();
    setWindowTitle(QFile::decodeName(WindowCaptionFromPath(brief_.FilePath).c_str()));
    SelectionDone();
}

void TKestrelForm::ShowHeader()
{
    const QSignalBlocker nameBlocker(nameEdit_);
    const QSignalBlocker activeBlocker(activeBox_);
    const QString name = Latin1(brief_.BriefName);
    if (nameEdit_->text() != name)
    {
        nameEdit_->setText(name);
    }
    activeBox_->setChecked(brief_.BriefActive);
    nameEdit_->setEnabled(!brief_.Retrieving);
    activeBox_->setEnabled(!brief_.Retrieving);
}

void TKestrelForm::EditDone()
{
    Save();
    emit BriefModified();
    emit SelectionChanged();
}

void TKestrelForm::SelectionDone()
{
    model_->SelectionChanged();
    const int focus = brief_.Entries.Focus();
    if (brief_.Entries.IsValid(focus))
    {
        const QModelIndex index = model_->index(focus);
        view_->setCurrentIndex(index);
        view_->scrollTo(index);
    }
    emit SelectionChanged();
}

void TKestrelForm::RowClicked(int row, Qt::KeyboardModifiers modifiers)
{
    TWebList& list = brief_.Entries;
    if (modifiers & Qt::ControlModifier)
    {
        list.CtrlClick(row);
    }
    else if (modifiers & Qt::ShiftModifier)
    {
        list.ShiftClick(row);
    }
    else
    {
        list.Click(row);
    }
    SelectionDone();
}

void TKestrelForm::ToggleActive(int row)
{
    if (brief_.Retrieving || !brief_.Entries.IsValid(row))
    {
        return;
    }
    TWebPage& entry = brief_.Entries[row];
    entry.Active = !entry.Active;
    model_->RowsChanged(row, row);
    EditDone();
}

void TKestrelForm::MoveFocusTo(int row, Qt::KeyboardModifiers modifiers)
{
    TWebList& list = brief_.Entries;
    if (list.Empty())
    {
        return;
    }
    row = std::clamp(row, 0, list.Count() - 1);
    if (modifiers & Qt::ShiftModifier)
    {
        list.ShiftClick(row);
    }
    else if (modifiers & Qt::ControlModifier)
    {
        list.SetFocus(row);
    }
    else
    {
        list.Click(row);
    }
    SelectionDone();
}

void TKestrelForm::KeyCommand(int key, Qt::KeyboardModifiers modifiers)
{
    TWebList& list = brief_.Entries;
    const int focus = list.Focus();
    const int page = std::max(1, view_->viewport()->height() / EntryRowHeight);
    if (Matches(key, modifiers, QKeySequence::Copy))
    {
        CopyEntries();
    }
    else if (Matches(key, modifiers, QKeySequence::Cut))
    {
        CutEntries();
    }
    else if (Matches(key, modifiers, QKeySequence::Paste))
    {
        PasteEntries();
    }
    else if (Matches(key, modifiers, QKeySequence::SelectAll))
    {
        for (int row = 0; row < list.Count(); ++row)
        {
            list.Select(row, true);
        }
        SelectionDone();
    }
    else
    {
        switch (key)
        {
        case Qt::Key_Delete:
            DeleteEntries();
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            OpenEntrySetup();
            break;
        case Qt::Key_Up:
            MoveFocusTo(focus < 0 ? 0 : focus - 1, modifiers);
            break;
        case Qt::Key_Down:
            MoveFocusTo(focus + 1, modifiers);
            break;
        case Qt::Key_PageUp:
            MoveFocusTo(focus - page, modifiers);
            break;
        case Qt::Key_PageDown:
            MoveFocusTo(focus < 0 ? page - 1 : focus + page, modifiers);
            break;
        case Qt::Key_Home:
            MoveFocusTo(0, modifiers);
            break;
        case Qt::Key_End:
            MoveFocusTo(list.Count() - 1, modifiers);
            break;
        case Qt::Key_Space:
            if (modifiers & Qt::ControlModifier)
            {
                if (list.IsValid(focus))
                {
                    list.CtrlClick(focus);
                    SelectionDone();
                }
            }
            else
            {
                ToggleActive(focus);
            }
            break;
        default:
            break;
        }
    }
}

void TKestrelForm::SetEntrySetup(EntrySetup setup)
{
    setup_ = std::move(setup);
}

bool TKestrelForm::HasSelection() const
{
    return brief_.Entries.EntryActionsEnabled();
}

bool TKestrelForm::CanPaste() const
{
    return !brief_.Retrieving && (clipboard_.CanPaste() || HasForeignClipboardAddresses());
}

bool TKestrelForm::CanSort() const
{
    return !brief_.Retrieving && !brief_.Entries.Empty();
}

void TKestrelForm::NewEntry(EntryKind kind)
{
    if (brief_.Retrieving)
    {
        return;
    }
    TWebList& list = brief_.Entries;
    const int position = AddEntryFromMenu(list, kind, defaults_);
    if (position < 0)
    {
        return;
    }
    model_->Reload();
    SelectionDone();
    const bool kept = setup_ ? setup_(*this, {position}, true) : RunAddressEntryDialog(this, list, {position});
    if (!kept)
    {
        list.Delete(position);
        model_->Reload();
        SelectionDone();
        return;
    }
    model_->Reload();
    EditDone();
}

void TKestrelForm::OpenEntrySetup()
{
    TWebList& list = brief_.Entries;
    if (brief_.Retrieving || list.Empty())
    {
        return;
    }
    std::vector<int> selected = list.SelectedPositions();
    if (selected.empty())
    {
        if (!list.IsValid(list.Focus()))
        {
            return;
        }
        list.Click(list.Focus());
        SelectionDone();
        selected = {list.Focus()};
    }
    const bool applied = setup_ ? setup_(*this, selected, false) : RunAddressEntryDialog(this, list, selected);
    if (applied)
    {
        model_->Reload();
        SelectionDone();
        EditDone();
    }
}

void TKestrelForm::DeleteEntries()
{
    TWebList& list = brief_.Entries;
    if (brief_.Retrieving || !HasSelection())
    {
        return;
    }
    if (ShowMessage(this, DeleteQuestion("Delete", list.SelectedCount()), MessageIcon::Question, MessageButtons::YesNo) !=
        MessageAnswer::Yes)
    {
        return;
    }
    DeleteSelected(list);
    model_->Reload();
    SelectionDone();
    EditDone();
}

void TKestrelForm::CutEntries()
{
    TWebList& list = brief_.Entries;
    if (brief_.Retrieving || !HasSelection())
    {
        return;
    }
    CopyEntries();
    if (ShowMessage(this, DeleteQuestion("Cut", list.SelectedCount()), MessageIcon::Question, MessageButtons::YesNo) !=
        MessageAnswer::Yes)
    {
        return;
    }
    const int oldFocus = list.Focus();
    DeleteSelected(list);
    FocusAfterCut(list, oldFocus);
    model_->Reload();
    SelectionDone();
    EditDone();
}

void TKestrelForm::CopyEntries()
{
    if (!HasSelection())
    {
        return;
    }
    clipboard_.Copy(brief_.Entries);
    PutSelectionOnSystemClipboard(brief_.Entries);
    emit SelectionChanged();
}

void TKestrelForm::PasteEntries()
{
    if (brief_.Retrieving)
    {
        return;
    }
    // Addresses that another program put on the desktop's clipboard are
    // newer than the program's own copy, which would have replaced them.
    const QStringList addresses = ForeignClipboardAddresses();
    if (!addresses.isEmpty())
    {
        PasteAddresses(brief_.Entries, addresses, defaults_);
    }
    else if (clipboard_.CanPaste())
    {
        clipboard_.Paste(brief_.Entries);
    }
    else
    {
        return;
    }
    model_->Reload();
    SelectionDone();
    EditDone();
}

void TKestrelForm::SortEntries()
{
    if (brief_.Retrieving || brief_.Entries.Empty())
    {
        return;
    }
    SortEntriesByName(brief_.Entries);
    model_->Reload();
    SelectionDone();
    EditDone();
}

std::unique_ptr<QMenu> TKestrelForm::MakePopupMenu()
{
    auto menu = std::make_unique<QMenu>(this);
    const bool editable = !brief_.Retrieving;
    QAction* setup = menu->addAction(QStringLiteral("&Entry Setup..."), this, &TKestrelForm::OpenEntrySetup);
    setup->setEnabled(editable && !brief_.Entries.Empty());
    QAction* remove = menu->addAction(QStringLiteral("&Delete Entry"), this, &TKestrelForm::DeleteEntries);
    remove->setEnabled(editable && HasSelection());
    QAction* sort = menu->addAction(QStringLiteral("&Sort Entries"), this, &TKestrelForm::SortEntries);
    sort->setEnabled(CanSort());
    emit PopupMenuShown(menu.get());
    return menu;
}

void TKestrelForm::contextMenuEvent(QContextMenuEvent* event)
{
    // A click on a row that is not selected selects it first, so that the
    // menu acts on the row under the pointer.
    if (event->reason() == QContextMenuEvent::Mouse)
    {
        const QPoint point = view_->viewport()->mapFrom(this, event->pos());
        const QModelIndex index = view_->indexAt(point);
        if (index.isValid() && !brief_.Entries[index.row()].Selected)
        {
            brief_.Entries.Click(index.row());
            SelectionDone();
        }
    }
    const std::unique_ptr<QMenu> menu = MakePopupMenu();
    menu->exec(event->globalPos());
}

QMimeData* TKestrelForm::DragData(int row) const
{
    if (!brief_.Entries.IsValid(row))
    {
        return nullptr;
    }
    QMimeData* data = AddressesMimeData({&brief_.Entries[row]});
    data->setData(EntryRowFormat, QByteArray::number(QCoreApplication::applicationPid()) + ' ' + QByteArray::number(id_) + ' ' +
                                      QByteArray::number(row));
    return data;
}

bool TKestrelForm::CanDrop(const QMimeData& data) const
{
    return !brief_.Retrieving &&
           (data.hasFormat(EntryRowFormat) || data.hasUrls() || data.hasText() || (bookmarks_ && !bookmarks_(data).empty()));
}

bool TKestrelForm::DropData(const QMimeData& data, int row, bool copyKey)
{
    TWebList& list = brief_.Entries;
    if (brief_.Retrieving)
    {
        return false;
    }
    if (const std::optional<DraggedRow> dragged = DraggedRowIn(data))
    {
        TKestrelForm& source = *OpenWindows().at(dragged->Window);
        const bool dropped = &source == this ? DropEntryWithin(list, dragged->Row, row, copyKey)
                                             : DropEntryOnto(list, source.Brief().Entries[dragged->Row], row) >= 0;
        if (!dropped)
        {
            return false;
        }
    }
    else if (const std::vector<BookmarkNode> nodes = bookmarks_ ? bookmarks_(data) : std::vector<BookmarkNode>{};
             !nodes.empty())
    {
        const int first = list.IsValid(row) ? row : list.Count();
        if (DropBookmarks(list, nodes, 0, first) == 0)
        {
            return false;
        }
        list.SetFocus(first);
    }
    else
    {
        // Addresses from another program, or a row of a window that is gone.
        const int first = list.IsValid(row) ? row : list.Count();
        if (InsertAddressEntries(list, AddressesIn(data), first, defaults_) == 0)
        {
            return false;
        }
        list.SetFocus(first);
    }
    model_->Reload();
    SelectionDone();
    EditDone();
    return true;
}

} // namespace rv
