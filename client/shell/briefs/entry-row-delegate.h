// EntryRowDelegate: paints one row of a brief window from the entries
// model: the kind's colour, the check mark, the name and the retrieval-type
// cell with its icons. Rows are RowHeight pixels apart.
//
// Stateless apart from its icons; GUI thread only.
#pragma once

#include <QIcon>
#include <QStyledItemDelegate>

namespace rv
{

inline constexpr int EntryRowHeight = 26;

// Background of search rows and of directory rows.
inline constexpr QRgb SearchRowColour = qRgb(255, 255, 0);
inline constexpr QRgb DirectoryRowColour = qRgb(0, 255, 255);

class EntryRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit EntryRowDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Where a row's check mark lies; a click there toggles the entry.
    static QRect CheckMarkRect(const QRect& row);
    // Where the retrieval-type cell lies.
    static QRect RetrievalCellRect(const QRect& row);

private:
    QIcon differences_;
    QIcon mark_;
    QIcon smartSearch_;
};

} // namespace rv
