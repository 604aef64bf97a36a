#include "client/shell/briefs/brief-entries-model.h"

namespace rv
{

QString RowName(const TWebPage& entry)
{
    // Texts are bytes; the windows show them as Latin-1.
    const std::string& name = entry.NameSet ? entry.EntryName : UnnamedEntryName(entry);
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

BriefEntriesModel::BriefEntriesModel(TWebList& list, QObject* parent) : QAbstractListModel(parent), list_(list) {}

int BriefEntriesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : list_.Count();
}

QVariant BriefEntriesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !list_.IsValid(index.row()))
    {
        return {};
    }
    const TWebPage& entry = list_[index.row()];
    switch (role)
    {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return RowName(entry);
    case Qt::CheckStateRole:
        return entry.Active ? Qt::Checked : Qt::Unchecked;
    case KindRole:
        return static_cast<int>(entry.Kind);
    case SelectedRole:
        return entry.Selected;
    case FocusRole:
        return list_.Focus() == index.row();
    case RetrievalTextRole:
        return QString::fromStdString(ComputeRetrievalTypeCell(entry).Text);
    case DifferencesIconRole:
        return ComputeRetrievalTypeCell(entry).DifferencesIcon;
    case MarkIconRole:
        return ComputeRetrievalTypeCell(entry).MarkIcon;
    case SmartSearchIconRole:
        return ComputeRetrievalTypeCell(entry).SmartSearchIcon;
    default:
        return {};
    }
}

Qt::ItemFlags BriefEntriesModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
    {
        return Qt::ItemIsDropEnabled;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

void BriefEntriesModel::Reload()
{
    beginResetModel();
    endResetModel();
}

void BriefEntriesModel::RowsChanged(int first, int last)
{
    if (list_.Empty())
    {
        return;
    }
    first = std::max(first, 0);
    last = std::min(last, list_.Count() - 1);
    if (first <= last)
    {
        emit dataChanged(index(first), index(last));
    }
}

void BriefEntriesModel::SelectionChanged()
{
    RowsChanged(0, list_.Count() - 1);
}

} // namespace rv
