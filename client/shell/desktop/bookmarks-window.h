// TBkMarks: the window that shows an imported bookmark or link file as a
// tree (KSOutline). The user drags a bookmark (with the bookmarks under it)
// onto a brief window, or copies one with "&Copy" so that Paste in a brief
// adds it. The caption is the file's title.
//
// The window does not own the clipboard or the defaults it copies with; the
// main window that creates it keeps both alive longer. Main thread only.
#pragma once

#include "client/briefs/entry-clipboard.h"
#include "client/briefs/entry-defaults.h"

#include <QWidget>
#include <vector>

class QAction;
class QTreeView;

namespace rv
{

class BookmarkTreeModel;

class TBkMarks : public QWidget
{
    Q_OBJECT

public:
    TBkMarks(std::vector<BookmarkNode> nodes, const QString& caption, EntryClipboard& clipboard,
             const EntryDefaults& webDefaults, QWidget* parent = nullptr);

    QTreeView* KSOutline() const { return tree_; }
    BookmarkTreeModel* Model() const { return model_; }
    QAction* CopyAction() const { return copy_; }

    // Copies the selected bookmark into the clipboard's spare entry; false
    // when nothing is selected.
    bool Copy1Click();

signals:
    // A bookmark was copied: Paste may be enabled.
    void copied();

private:
    EntryClipboard& clipboard_;
    const EntryDefaults& webDefaults_;
    BookmarkTreeModel* model_;
    QTreeView* tree_;
    QAction* copy_;
};

} // namespace rv
