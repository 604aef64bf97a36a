#include "client/shell/runs/archive-form.h"

#include "client/briefs/brief.h"
#include "client/shell/runs/status-win.h"
#include "widgets/message-box.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>

namespace rv
{
namespace
{

constexpr const char* MonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

QString TwoDigits(const QString& number)
{
    return number.size() < 2 ? QStringLiteral("0") + number : number;
}

// Left edges of the caption columns, in pixels from the row's left.
constexpr int ColumnLefts[] = {4, 40, 66, 92, 110, 128, 148, 178};

class ArchiveRowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QStringList columns = ArchiveCaptionColumns(index.data().toString());
        if (columns.isEmpty())
            return QStyledItemDelegate::paint(painter, option, index);
        QStyleOptionViewItem background = option;
        initStyleOption(&background, index);
        background.text.clear();
        QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &background, painter);
        painter->save();
        painter->setPen(
            option.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        // month day year , hour : minutes : seconds AM/PM
        const QStringList cells = {
            columns[0], columns[1], columns[2], columns[3] + QStringLiteral(":"), columns[4] + QStringLiteral(":"),
            columns[5], columns[6]};
        for (int i = 0; i < cells.size(); ++i)
        {
            const QRect cell(option.rect.left() + ColumnLefts[i], option.rect.top(), ColumnLefts[i + 1] - ColumnLefts[i],
                             option.rect.height());
            painter->drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, cells[i]);
        }
        painter->restore();
    }
};

} // namespace

QStringList ArchiveCaptionColumns(const QString& caption)
{
    static const QRegularExpression form(
        QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d+), (\\d{1,2}):(\\d{1,2}):(\\d{1,2}) ?(AM|PM)$"));
    const QRegularExpressionMatch match = form.match(caption.trimmed());
    if (!match.hasMatch())
        return {};
    const int month = match.captured(1).toInt();
    if (month < 1 || month > 12)
        return {};
    return {QString::fromLatin1(MonthNames[month - 1]),
            TwoDigits(match.captured(2)),
            TwoDigits(match.captured(3)),
            TwoDigits(match.captured(4)),
            TwoDigits(match.captured(5)),
            TwoDigits(match.captured(6)),
            match.captured(7)};
}

TArchiveForm::TArchiveForm(TBrief& brief, ArchiveFormHooks hooks, RunWindowServices services, QWidget* parent)
    : QDialog(parent), brief_(brief), hooks_(std::move(hooks)), services_(std::move(services))
{
    setObjectName(QStringLiteral("ArchiveForm"));
    setWindowTitle(QStringLiteral("Brief Archive"));
    auto* layout = new QHBoxLayout(this);
    list_ = new QListWidget;
    list_->setObjectName(QStringLiteral("ArchiveList"));
    list_->setItemDelegate(new ArchiveRowDelegate(list_));
    list_->setMinimumWidth(ColumnLefts[7] + 30);
    layout->addWidget(list_, 1);
    auto* buttons = new QVBoxLayout;
    const auto button = [buttons](const char* text, const char* name)
    {
        auto* b = new QPushButton(QString::fromLatin1(text));
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    view_ = button("&View Brief", "ViewBrief");
    delete_ = button("&Delete Brief", "DeleteBrief");
    saveAs_ = button("&Save As...", "SaveAs");
    cumulative_ = button("View C&umulative", "ViewCumulative");
    package_ = button("&Package...", "Package");
    buttons->addStretch(1);
    close_ = button("&Close", "Close");
    layout->addLayout(buttons);
    resize(360, 260);

    connect(list_, &QListWidget::currentRowChanged, this, [this] { UpdateButtons(); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { ViewBriefClick(); });
    connect(view_, &QPushButton::clicked, this, [this] { ViewBriefClick(); });
    connect(delete_, &QPushButton::clicked, this, [this] { DeleteBriefClick(); });
    connect(saveAs_, &QPushButton::clicked, this, [this] { SaveAsClick(); });
    connect(cumulative_, &QPushButton::clicked, this,
            [this]
            {
                if (hooks_.ViewCumulative)
                    hooks_.ViewCumulative();
            });
    connect(package_, &QPushButton::clicked, this,
            [this]
            {
                if (hooks_.Package)
                    hooks_.Package();
            });
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    Reload();
}

void TArchiveForm::Reload()
{
    const int row = list_->currentRow();
    list_->clear();
    for (std::size_t i = 0; i < brief_.ArchiveFiles.size(); ++i)
        list_->addItem(
            QString::fromLatin1(i < brief_.ArchiveCaptions.size() ? brief_.ArchiveCaptions[i] : brief_.ArchiveFiles[i]));
    if (list_->count() > 0)
        list_->setCurrentRow(row < 0 ? list_->count() - 1 : std::min(row, list_->count() - 1));
    UpdateButtons();
}

void TArchiveForm::SelectRow(int row)
{
    list_->setCurrentRow(row);
}

int TArchiveForm::SelectedRow() const
{
    return list_->currentRow();
}

bool TArchiveForm::IsBeingWritten(int row) const
{
    return brief_.Retrieving && row == int(brief_.ArchiveFiles.size()) - 1;
}

void TArchiveForm::UpdateButtons()
{
    const int row = list_->currentRow();
    const bool any = row >= 0 && row < int(brief_.ArchiveFiles.size());
    const bool kept = any && !IsBeingWritten(row);
    view_->setEnabled(any);
    delete_->setEnabled(kept);
    saveAs_->setEnabled(kept);
    cumulative_->setEnabled(list_->count() > 0);
    package_->setEnabled(list_->count() > 0);
}

void TArchiveForm::ViewBriefClick()
{
    const int row = list_->currentRow();
    if (row < 0 || row >= int(brief_.ArchiveFiles.size()) || !services_.OpenAddress)
        return;
    std::string path = brief_.Folder + brief_.ArchiveFiles[std::size_t(row)];
    if (path.ends_with("htm"))
    {
        std::replace(path.begin(), path.end(), '\\', '/');
        services_.OpenAddress(QStringLiteral("file:///") +
                              QString::fromLocal8Bit(path.starts_with('/') ? path.substr(1) : path));
        return;
    }
    services_.OpenAddress(ArchiveAddress(services_.ServerPort ? services_.ServerPort() : 0, path));
}

void TArchiveForm::DeleteBriefClick()
{
    const int row = list_->currentRow();
    if (row < 0 || row >= int(brief_.ArchiveFiles.size()) || IsBeingWritten(row))
        return;
    if (ShowMessage(this, QString::fromLatin1(DeleteArchivedBriefCaption), QString::fromLatin1(DeleteArchivedBriefQuestion),
                    MessageIcon::Question, MessageButtons::YesNo) != MessageAnswer::Yes)
        return;
    const std::string name = brief_.ArchiveFiles[std::size_t(row)];
    const std::string path = brief_.Folder + name;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (QPushButton* b : {view_, delete_, saveAs_, cumulative_, package_})
        b->setEnabled(false);
    const bool gone = services_.DeleteArchive && services_.DeleteArchive(path);
    if (gone)
    {
        if (hooks_.RemoveStatusLines)
            hooks_.RemoveStatusLines(path);
        DropArchive(brief_, std::size_t(row));
        const auto names = [&](const std::string& item) { return item == name || item == path; };
        for (int i = 0; i < brief_.Entries.Count(); ++i)
        {
            TWebPage& entry = brief_.Entries[i];
            std::erase_if(entry.SummaryFragments, [&](const SummaryFragment& f) { return names(f.ArchiveFile); });
            std::erase_if(entry.PageRefs, names);
        }
        if (hooks_.BriefChanged)
            hooks_.BriefChanged();
        delete list_->takeItem(row);
        if (list_->count() > 0)
            list_->setCurrentRow(std::min(row, list_->count() - 1));
    }
    UpdateButtons();
    QApplication::restoreOverrideCursor();
}

void TArchiveForm::SaveAsClick()
{
    const int row = list_->currentRow();
    if (row < 0 || row >= int(brief_.ArchiveFiles.size()) || IsBeingWritten(row))
        return;
    const QString path = QString::fromLocal8Bit(brief_.Folder + brief_.ArchiveFiles[std::size_t(row)]);
    SaveArchiveAs(services_, QStringLiteral("Save ") + path + QStringLiteral(" As"), path,
                  QString::fromLocal8Bit(brief_.Folder));
}

} // namespace rv
