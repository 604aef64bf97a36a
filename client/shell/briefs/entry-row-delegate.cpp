#include "client/shell/briefs/entry-row-delegate.h"

#include "client/briefs/entry-kind.h"
#include "client/shell/briefs/brief-entries-model.h"

#include <QApplication>
#include <QPainter>

// The icons are built into this static library; nothing else pulls them in.
static void InitBriefWindowImages()
{
    Q_INIT_RESOURCE(brief_window_images);
}

namespace rv
{
namespace
{

constexpr int CheckMarkSize = 16;
constexpr int CheckMarkMargin = 6;
constexpr int RetrievalCellWidth = 120;
constexpr int IconSize = 16;

QColor KindColour(int kind, const QPalette& palette)
{
    switch (static_cast<EntryKind>(kind))
    {
    case EntryKind::Search:
        return QColor(SearchRowColour);
    case EntryKind::Yahoo:
        return QColor(DirectoryRowColour);
    case EntryKind::Web:
        break;
    }
    return palette.color(QPalette::Base);
}

} // namespace

EntryRowDelegate::EntryRowDelegate(QObject* parent) : QStyledItemDelegate(parent)
{
    InitBriefWindowImages();
    differences_ = QIcon(QStringLiteral(":/brief-window/diff.gif"));
    mark_ = QIcon(QStringLiteral(":/brief-window/mdiff.gif"));
    smartSearch_ = QIcon(QStringLiteral(":/brief-window/smart.gif"));
}

QRect EntryRowDelegate::CheckMarkRect(const QRect& row)
{
    return {row.left() + CheckMarkMargin, row.top() + (row.height() - CheckMarkSize) / 2, CheckMarkSize, CheckMarkSize};
}

QRect EntryRowDelegate::RetrievalCellRect(const QRect& row)
{
    return {row.right() - RetrievalCellWidth + 1, row.top(), RetrievalCellWidth, row.height()};
}

QSize EntryRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return {std::max(option.rect.width(), 200), EntryRowHeight};
}

void EntryRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QRect row = option.rect;
    const QPalette& palette = option.palette;
    const bool selected = index.data(BriefEntriesModel::SelectedRole).toBool();
    painter->save();

    painter->fillRect(row, KindColour(index.data(BriefEntriesModel::KindRole).toInt(), palette));
    painter->setPen(palette.color(QPalette::Mid));
    painter->drawLine(row.bottomLeft(), row.bottomRight());

    QStyleOptionButton check;
    check.rect = CheckMarkRect(row);
    check.state = QStyle::State_Enabled;
    check.state |= index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
    if (!(option.state & QStyle::State_Enabled))
    {
        check.state &= ~QStyle::State_Enabled;
    }
    QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &check, painter, option.widget);

    const QRect cell = RetrievalCellRect(row);
    // A selected row highlights its name, as a selected label does; the
    // kind's colour stays around it so that a selected search row still
    // reads as one.
    const QRect label(check.rect.right() + 4, row.top() + 2, cell.left() - check.rect.right() - 8, row.height() - 5);
    const QRect name = label.adjusted(4, 0, -4, 0);
    QColor text = palette.color(QPalette::Text);
    if (selected)
    {
        painter->fillRect(label, palette.color(QPalette::Highlight));
        text = palette.color(QPalette::HighlightedText);
    }
    painter->setPen(text);
    painter->setFont(option.font);
    painter->drawText(name, Qt::AlignVCenter | Qt::AlignLeft,
                      option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, name.width()));

    painter->setPen(palette.color(QPalette::Mid));
    painter->drawLine(cell.topLeft(), cell.bottomLeft() - QPoint(0, 1));
    int x = cell.left() + 4;
    const int iconTop = row.top() + (row.height() - IconSize) / 2;
    const auto drawIcon = [&](const QIcon& icon, bool shown)
    {
        if (shown)
        {
            icon.paint(painter, QRect(x, iconTop, IconSize, IconSize));
            x += IconSize + 2;
        }
    };
    drawIcon(differences_, index.data(BriefEntriesModel::DifferencesIconRole).toBool());
    drawIcon(mark_, index.data(BriefEntriesModel::MarkIconRole).toBool());
    drawIcon(smartSearch_, index.data(BriefEntriesModel::SmartSearchIconRole).toBool());
    painter->setPen(palette.color(QPalette::Text));
    painter->drawText(QRect(x, row.top(), cell.right() - x - 4, row.height()), Qt::AlignVCenter | Qt::AlignRight,
                      index.data(BriefEntriesModel::RetrievalTextRole).toString());

    if (index.data(BriefEntriesModel::FocusRole).toBool() && (option.state & QStyle::State_HasFocus))
    {
        QStyleOptionFocusRect focus;
        focus.rect = row.adjusted(1, 1, -1, -2);
        focus.palette = palette;
        focus.state = QStyle::State_KeyboardFocusChange;
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
    }
    painter->restore();
}

} // namespace rv
