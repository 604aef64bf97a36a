// BriefEntriesView: the scrolling rows of a brief window.
//
// The view keeps no selection of its own: clicks and keys are turned into
// requests that the window applies to the entry list (which holds the
// selection), and the rows are painted from the model. Dragging a row asks
// the window for the drag's data; a drop is handed back to the window with
// the row under the pointer (the row count when it lies past the last row).
// GUI thread only.
#pragma once

#include <QListView>
#include <functional>

class QMimeData;

namespace rv
{

class BriefEntriesView : public QListView
{
    Q_OBJECT

public:
    explicit BriefEntriesView(QWidget* parent = nullptr);

    // The data of a drag that starts on the row; nullptr refuses the drag.
    std::function<QMimeData*(int row)> DragData;
    // Whether a drop of this data would be taken (the pointer's row is not
    // needed to decide).
    std::function<bool(const QMimeData& data)> CanDrop;
    // Takes a drop at the row; copy is true when the copy key was held.
    std::function<bool(const QMimeData& data, int row, bool copy)> Drop;

    // The row a drop at the point lands on: the row under it, or the row
    // count past the last row.
    int DropRowAt(const QPoint& point) const;

signals:
    void RowClicked(int row, Qt::KeyboardModifiers modifiers);
    void CheckMarkClicked(int row);
    void RowActivated(int row);
    // A key the view does not handle itself: Delete, Enter, arrows...
    void KeyCommand(int key, Qt::KeyboardModifiers modifiers);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QPoint pressPoint_;
    int pressRow_ = -1;
};

} // namespace rv
