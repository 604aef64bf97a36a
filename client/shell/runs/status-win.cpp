#include "client/shell/runs/status-win.h"

#include "widgets/message-box.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace rv
{
namespace
{

// Column widths in pixels; the first one grows with the window.
constexpr int BriefColumn = 192;
constexpr int StartTimeColumn = 109;
constexpr int StatusColumn = 49;
constexpr int MinimumWidth = 333;

// Draws a status line's three fields in the header's columns.
class StatusLineDelegate : public QStyledItemDelegate
{
public:
    StatusLineDelegate(QHeaderView& header, QObject* parent) : QStyledItemDelegate(parent), header_(header) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem background = option;
        initStyleOption(&background, index);
        background.text.clear();
        QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &background, painter);
        const QStringList fields = index.data().toString().split(QChar(2));
        painter->save();
        painter->setPen(
            option.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        const QFontMetrics metrics(option.font);
        for (int column = 0; column < 3 && column < fields.size(); ++column)
        {
            const int left = header_.sectionPosition(column) - header_.offset();
            const int width = header_.sectionSize(column);
            QString text = fields[column];
            if (column == 0 && metrics.horizontalAdvance(text) >= width - 5)
            {
                while (!text.isEmpty() && metrics.horizontalAdvance(text + QStringLiteral("...")) >= width - 5)
                    text.chop(1);
                text += QStringLiteral("...");
            }
            const QRect cell(option.rect.left() + left + 2, option.rect.top(), std::max(0, width - 2), option.rect.height());
            painter->drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, text);
        }
        painter->restore();
    }

private:
    QHeaderView& header_;
};

} // namespace

bool CopyArchive(const QString& from, const QString& to)
{
    if (QFileInfo::exists(to))
        return false;
    return QFile::copy(from, to);
}

bool SaveArchiveAs(const RunWindowServices& services, const QString& title, const QString& archive, const QString& folder)
{
    if (!services.AskSavePath)
        return false;
    const QString start = QDir(folder).exists() ? folder : QCoreApplication::applicationDirPath();
    QString path =
        services.AskSavePath(title, QDir(start).filePath(QStringLiteral("*.rvd")), QString::fromLatin1(ArchiveFilter));
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".RVD");
    return CopyArchive(archive, path);
}

TStatusWin::TStatusWin(QAbstractItemModel& lines, int archiveRole,
                       std::function<void(const std::string& archive)> removeArchive, RunWindowServices services,
                       QWidget* parent)
    : QWidget(parent), lines_(lines), archiveRole_(archiveRole), removeArchive_(std::move(removeArchive)),
      services_(std::move(services))
{
    setObjectName(QStringLiteral("StatusWin"));
    setWindowTitle(QStringLiteral("Brief Status Log"));
    setMinimumWidth(MinimumWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);

    auto* columns = new QStandardItemModel(0, 3, this);
    columns->setHorizontalHeaderLabels({QStringLiteral("Brief"), QStringLiteral("Start Time"), QStringLiteral("Status")});
    header_ = new QHeaderView(Qt::Horizontal);
    header_->setObjectName(QStringLiteral("StatusHeader"));
    header_->setModel(columns);
    header_->setStretchLastSection(false);
    header_->resizeSection(0, BriefColumn);
    // The start time and the longest status never lose their end to the
    // column in the desktop's font.
    const QFontMetrics metrics = fontMetrics();
    header_->resizeSection(1, std::max(StartTimeColumn, metrics.horizontalAdvance(QStringLiteral("12/31/99, 12:59:59PM")) + 8));
    header_->resizeSection(2, std::max(StatusColumn, metrics.horizontalAdvance(QStringLiteral("Connection Failure")) + 8));
    header_->setFixedHeight(header_->sizeHint().height());
    header_->setSectionResizeMode(0, QHeaderView::Stretch);
    header_->setSectionResizeMode(1, QHeaderView::Fixed);
    header_->setSectionResizeMode(2, QHeaderView::Fixed);
    layout->addWidget(header_);

    list_ = new QListView;
    list_->setObjectName(QStringLiteral("StatusList"));
    list_->setModel(&lines_);
    list_->setItemDelegate(new StatusLineDelegate(*header_, list_));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setUniformItemSizes(true);
    layout->addWidget(list_, 1);
    connect(header_, &QHeaderView::sectionResized, list_->viewport(), [this] { list_->viewport()->update(); });

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 6, 0, 0);
    // The list above sits flush under its header; the buttons do not.
    buttons->setSpacing(6);
    view_ = new QPushButton(QStringLiteral("&View Brief"));
    view_->setObjectName(QStringLiteral("ViewBrief"));
    delete_ = new QPushButton(QStringLiteral("&Delete Brief"));
    delete_->setObjectName(QStringLiteral("DeleteBrief"));
    saveAs_ = new QPushButton(QStringLiteral("&Save As..."));
    saveAs_->setObjectName(QStringLiteral("SaveAs"));
    for (QPushButton* button : {view_, delete_, saveAs_})
    {
        buttons->addWidget(button);
        button->setEnabled(false);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);
    resize(BriefColumn + header_->sectionSize(1) + header_->sectionSize(2) + 24, 220);

    connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { ListBox1Click(); });
    connect(list_, &QListView::clicked, this, [this] { emit Activated(); });
    connect(list_, &QListView::doubleClicked, this, [this] { ListBox1DblClick(); });
    connect(view_, &QPushButton::clicked, this, [this] { ListBox1DblClick(); });
    connect(delete_, &QPushButton::clicked, this, [this] { DeleteBriefClick(); });
    connect(saveAs_, &QPushButton::clicked, this, [this] { SaveAsClick(); });
    connect(&lines_, &QAbstractItemModel::rowsRemoved, this, [this] { ListBox1Click(); });
    connect(&lines_, &QAbstractItemModel::dataChanged, this, [this] { ListBox1Click(); });
}

std::string TStatusWin::SelectedArchive() const
{
    const QModelIndex current = list_->currentIndex();
    if (!current.isValid())
        return {};
    return current.data(archiveRole_).toString().toLocal8Bit().toStdString();
}

void TStatusWin::SelectRow(int row)
{
    list_->setCurrentIndex(lines_.index(row, 0));
}

void TStatusWin::ListBox1Click()
{
    const bool archive = !SelectedArchive().empty();
    for (QPushButton* button : {view_, delete_, saveAs_})
        button->setEnabled(archive);
}

void TStatusWin::ListBox1DblClick()
{
    const std::string archive = SelectedArchive();
    if (archive.empty() || !services_.OpenAddress)
        return;
    services_.OpenAddress(ArchiveAddress(services_.ServerPort ? services_.ServerPort() : 0, archive));
}

void TStatusWin::DeleteBriefClick()
{
    const std::string archive = SelectedArchive();
    if (archive.empty())
        return;
    if (ShowMessage(this, QString::fromLatin1(DeleteArchivedBriefCaption), QString::fromLatin1(DeleteArchivedBriefQuestion),
                    MessageIcon::Question, MessageButtons::YesNo) != MessageAnswer::Yes)
        return;
    const int row = list_->currentIndex().row();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    list_->setEnabled(false);
    for (QPushButton* button : {view_, delete_, saveAs_})
        button->setEnabled(false);
    const bool gone = services_.DeleteArchive && services_.DeleteArchive(archive);
    if (gone && removeArchive_)
        removeArchive_(archive);
    const int rows = lines_.rowCount();
    if (rows > 0)
        SelectRow(std::min(row, rows - 1));
    list_->setEnabled(true);
    ListBox1Click();
    QApplication::restoreOverrideCursor();
}

void TStatusWin::SaveAsClick()
{
    const std::string archive = SelectedArchive();
    if (archive.empty())
        return;
    const QFileInfo file(QString::fromLocal8Bit(archive));
    SaveArchiveAs(services_, QStringLiteral("Save ") + file.fileName() + QStringLiteral(" As"), file.filePath(),
                  file.absolutePath());
}

QPushButton* TStatusWin::ButtonForMnemonic(const QKeyEvent& key) const
{
    if (key.modifiers() != Qt::AltModifier)
        return nullptr;
    const QKeySequence pressed(key.keyCombination());
    for (QPushButton* button : {view_, delete_, saveAs_})
        if (button->isEnabled() && QKeySequence::mnemonic(button->text()) == pressed)
            return button;
    return nullptr;
}

bool TStatusWin::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::MouseButtonPress)
        emit Activated();
    // The log lives inside the main window, whose menu bar claims Alt and a
    // letter too ("&View"); while the log has the focus its own buttons win.
    if (event->type() == QEvent::ShortcutOverride && ButtonForMnemonic(*static_cast<QKeyEvent*>(event)))
    {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::KeyPress)
        if (QPushButton* button = ButtonForMnemonic(*static_cast<QKeyEvent*>(event)))
        {
            button->animateClick();
            return true;
        }
    return QWidget::event(event);
}

} // namespace rv
