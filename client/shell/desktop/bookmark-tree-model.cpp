#include "client/shell/desktop/bookmark-tree-model.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>
#include <QStringDecoder>

namespace rv
{

namespace
{

// A drag carrying more nodes than a brief can hold is cut there.
constexpr qint32 MaxDraggedNodes = 32767;

} // namespace

BookmarkTreeModel::BookmarkTreeModel(std::vector<BookmarkNode> nodes, QObject* parent)
    : QAbstractItemModel(parent), nodes_(std::move(nodes)), parent_(nodes_.size(), NoParent), row_(nodes_.size(), 0),
      children_(nodes_.size())
{
    // The last node seen at each depth is the parent of the next one deeper.
    std::vector<std::size_t> open;
    for (std::size_t i = 0; i < nodes_.size(); ++i)
    {
        const std::size_t depth = static_cast<std::size_t>(std::max(nodes_[i].Depth, 0));
        open.resize(std::min(depth, open.size()));
        std::vector<std::size_t>& siblings = open.empty() ? top_ : children_[open.back()];
        parent_[i] = open.empty() ? NoParent : open.back();
        row_[i] = static_cast<int>(siblings.size());
        siblings.push_back(i);
        open.push_back(i);
    }
}

std::optional<std::size_t> BookmarkTreeModel::NodeOf(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return std::nullopt;
    return static_cast<std::size_t>(index.internalId());
}

QModelIndex BookmarkTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    const std::optional<std::size_t> node = NodeOf(parent);
    const std::vector<std::size_t>& siblings = node ? children_[*node] : top_;
    if (column != 0 || row < 0 || row >= static_cast<int>(siblings.size()))
        return {};
    return createIndex(row, 0, static_cast<quintptr>(siblings[static_cast<std::size_t>(row)]));
}

QModelIndex BookmarkTreeModel::parent(const QModelIndex& child) const
{
    const std::optional<std::size_t> node = NodeOf(child);
    if (!node || parent_[*node] == NoParent)
        return {};
    const std::size_t up = parent_[*node];
    return createIndex(row_[up], 0, static_cast<quintptr>(up));
}

int BookmarkTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    const std::optional<std::size_t> node = NodeOf(parent);
    return static_cast<int>((node ? children_[*node] : top_).size());
}

int BookmarkTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant BookmarkTreeModel::data(const QModelIndex& index, int role) const
{
    const std::optional<std::size_t> node = NodeOf(index);
    if (!node)
        return {};
    const BookmarkNode& bookmark = nodes_[*node];
    switch (role)
    {
    case Qt::DisplayRole:
        return BookmarkText(bookmark.Text);
    case Qt::ToolTipRole:
    case AddressRole:
        return BookmarkText(bookmark.Address);
    default:
        return {};
    }
}

Qt::ItemFlags BookmarkTreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList BookmarkTreeModel::mimeTypes() const
{
    return {QString::fromLatin1(BookmarksMimeType)};
}

QMimeData* BookmarkTreeModel::mimeData(const QModelIndexList& indexes) const
{
    if (indexes.isEmpty() || !NodeOf(indexes.first()))
        return nullptr;
    const std::vector<BookmarkNode> dragged = DraggedBookmarks(nodes_, *NodeOf(indexes.first()));
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << static_cast<qint32>(dragged.size());
    for (const BookmarkNode& node : dragged)
        out << static_cast<qint32>(node.Depth) << QByteArray::fromStdString(node.Text)
            << QByteArray::fromStdString(node.Address);
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(BookmarksMimeType), bytes);
    if (!dragged.front().Address.empty())
        data->setText(BookmarkText(dragged.front().Address));
    return data;
}

std::vector<BookmarkNode> DraggedBookmarks(const std::vector<BookmarkNode>& nodes, std::size_t first)
{
    std::vector<BookmarkNode> dragged;
    if (first >= nodes.size())
        return dragged;
    const int base = nodes[first].Depth;
    for (std::size_t i = first; i < nodes.size() && (i == first || nodes[i].Depth > base); ++i)
    {
        dragged.push_back(nodes[i]);
        dragged.back().Depth -= base;
    }
    return dragged;
}

std::vector<BookmarkNode> BookmarksFromMimeData(const QMimeData& data)
{
    QByteArray bytes = data.data(QString::fromLatin1(BookmarksMimeType));
    QDataStream in(&bytes, QIODevice::ReadOnly);
    qint32 count = 0;
    in >> count;
    std::vector<BookmarkNode> nodes;
    for (qint32 i = 0; i < std::min(count, MaxDraggedNodes) && in.status() == QDataStream::Ok; ++i)
    {
        qint32 depth = 0;
        QByteArray text;
        QByteArray address;
        in >> depth >> text >> address;
        if (in.status() == QDataStream::Ok)
            nodes.push_back({depth, text.toStdString(), address.toStdString()});
    }
    return in.status() == QDataStream::Ok ? nodes : std::vector<BookmarkNode>();
}

QString BookmarkText(const std::string& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return utf8.hasError() ? QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())) : text;
}

} // namespace rv
