#include "client/shell/briefs/brief-entries-view.h"

#include "client/shell/briefs/entry-row-delegate.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>

namespace rv
{
namespace
{

Qt::DropAction ActionFor(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ControlModifier) ? Qt::CopyAction : Qt::MoveAction;
}

} // namespace

BriefEntriesView::BriefEntriesView(QWidget* parent) : QListView(parent)
{
    setSelectionMode(QAbstractItemView::NoSelection);
    setUniformItemSizes(true);
    setLayoutMode(QListView::SinglePass);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragEnabled(false); // drags start here, not in QAbstractItemView
    setDropIndicatorShown(true);
    setMouseTracking(false);
}

int BriefEntriesView::DropRowAt(const QPoint& point) const
{
    const QModelIndex index = indexAt(point);
    return index.isValid() ? index.row() : (model() ? model()->rowCount() : 0);
}

void BriefEntriesView::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    pressRow_ = -1;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || !index.isValid())
    {
        return;
    }
    pressPoint_ = event->position().toPoint();
    pressRow_ = index.row();
    if (EntryRowDelegate::CheckMarkRect(visualRect(index)).contains(pressPoint_))
    {
        pressRow_ = -1;
        emit CheckMarkClicked(index.row());
        return;
    }
    emit RowClicked(index.row(), event->modifiers());
}

void BriefEntriesView::mouseMoveEvent(QMouseEvent* event)
{
    if (pressRow_ < 0 || !(event->buttons() & Qt::LeftButton) || !DragData ||
        (event->position().toPoint() - pressPoint_).manhattanLength() < QApplication::startDragDistance())
    {
        return;
    }
    const int row = pressRow_;
    pressRow_ = -1;
    QMimeData* data = DragData(row);
    if (!data)
    {
        return;
    }
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
}

void BriefEntriesView::mouseReleaseEvent(QMouseEvent*)
{
    pressRow_ = -1;
}

void BriefEntriesView::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid() &&
        !EntryRowDelegate::CheckMarkRect(visualRect(index)).contains(event->position().toPoint()))
    {
        emit RowActivated(index.row());
    }
}

void BriefEntriesView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key())
    {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
        event->ignore();
        return;
    default:
        break;
    }
    if (event->modifiers() & Qt::AltModifier)
    {
        event->ignore();
        return;
    }
    emit KeyCommand(event->key(), event->modifiers());
}

void BriefEntriesView::dragEnterEvent(QDragEnterEvent* event)
{
    if (CanDrop && CanDrop(*event->mimeData()))
    {
        event->setDropAction(ActionFor(event->modifiers()));
        event->accept();
        return;
    }
    event->ignore();
}

void BriefEntriesView::dragMoveEvent(QDragMoveEvent* event)
{
    if (CanDrop && CanDrop(*event->mimeData()))
    {
        event->setDropAction(ActionFor(event->modifiers()));
        event->accept();
        return;
    }
    event->ignore();
}

void BriefEntriesView::dropEvent(QDropEvent* event)
{
    const bool copy = event->modifiers() & Qt::ControlModifier;
    if (Drop && Drop(*event->mimeData(), DropRowAt(event->position().toPoint()), copy))
    {
        event->setDropAction(copy ? Qt::CopyAction : Qt::MoveAction);
        event->accept();
        return;
    }
    event->ignore();
}

} // namespace rv
