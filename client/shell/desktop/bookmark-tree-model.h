// The bookmarks tree as a Qt item model: one column, the nodes of an
// imported file in tree order (a node's children are the nodes after it that
// lie one level deeper). Read-only; dragging a node carries it and the
// nodes under it, which a brief window drops as web entries.
//
// The model owns its nodes. Main thread only.
#pragma once

#include "client/briefs/entry-clipboard.h"

#include <QAbstractItemModel>
#include <optional>
#include <vector>

class QMimeData;

namespace rv
{

// The drag format of bookmarks: the dragged node first, then the nodes under it.
inline constexpr const char* BookmarksMimeType = "application/x-ravelin-bookmarks";

class BookmarkTreeModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    // Role of a node's address (a QString, empty for a folder).
    static constexpr int AddressRole = Qt::UserRole + 1;

    explicit BookmarkTreeModel(std::vector<BookmarkNode> nodes, QObject* parent = nullptr);

    const std::vector<BookmarkNode>& Nodes() const { return nodes_; }
    // The node an index shows; nothing for an invalid index.
    std::optional<std::size_t> NodeOf(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

private:
    static constexpr std::size_t NoParent = static_cast<std::size_t>(-1);

    std::vector<BookmarkNode> nodes_;
    std::vector<std::size_t> parent_;                // per node
    std::vector<int> row_;                           // per node: its row under its parent
    std::vector<std::vector<std::size_t>> children_; // per node
    std::vector<std::size_t> top_;
};

// The dragged node and the nodes under it, in tree order, with their depths
// made relative to the dragged node.
std::vector<BookmarkNode> DraggedBookmarks(const std::vector<BookmarkNode>& nodes, std::size_t first);

// The bookmarks a drag carries; empty when it carries none or they do not read.
std::vector<BookmarkNode> BookmarksFromMimeData(const QMimeData& data);

// Bookmark texts are the file's bytes: UTF-8 when they read as such, else
// Latin-1 as old files wrote them.
QString BookmarkText(const std::string& bytes);

} // namespace rv
