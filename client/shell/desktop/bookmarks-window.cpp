#include "client/shell/desktop/bookmarks-window.h"

#include "client/pages/bookmark-entry.h"
#include "client/shell/desktop/bookmark-tree-model.h"

#include <QAction>
#include <QHeaderView>
#include <QTreeView>
#include <QVBoxLayout>

namespace rv
{

TBkMarks::TBkMarks(std::vector<BookmarkNode> nodes, const QString& caption, EntryClipboard& clipboard,
                   const EntryDefaults& webDefaults, QWidget* parent)
    : QWidget(parent), clipboard_(clipboard), webDefaults_(webDefaults), model_(new BookmarkTreeModel(std::move(nodes), this)),
      tree_(new QTreeView(this)), copy_(new QAction(tr("&Copy"), this))
{
    setObjectName(QStringLiteral("BkMarks"));
    setWindowTitle(caption);
    tree_->setObjectName(QStringLiteral("KSOutline"));
    tree_->setModel(model_);
    tree_->setHeaderHidden(true);
    tree_->setUniformRowHeights(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setDragEnabled(true);
    tree_->setDragDropMode(QAbstractItemView::DragOnly);
    tree_->setDefaultDropAction(Qt::CopyAction);
    tree_->setContextMenuPolicy(Qt::ActionsContextMenu);
    if (model_->rowCount() > 0)
        tree_->setCurrentIndex(model_->index(0, 0));

    copy_->setObjectName(QStringLiteral("Copy1"));
    copy_->setShortcut(QKeySequence::Copy);
    copy_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    tree_->addAction(copy_);
    connect(copy_, &QAction::triggered, this, [this] { Copy1Click(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tree_);
    resize(420, 480);
}

bool TBkMarks::Copy1Click()
{
    const std::optional<std::size_t> node = model_->NodeOf(tree_->currentIndex());
    if (!node)
        return false;
    clipboard_.SetSpare(BookmarkEntry(model_->Nodes()[*node], webDefaults_));
    emit copied();
    return true;
}

} // namespace rv
