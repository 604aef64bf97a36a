#include "client/shell/app/status-log-model.h"

namespace rv
{

StatusLogModel::StatusLogModel(QObject* parent) : QAbstractListModel(parent) {}

int StatusLogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(lines_.size());
}

QVariant StatusLogModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || std::size_t(index.row()) >= lines_.size())
        return {};
    const std::size_t row = std::size_t(index.row());
    switch (role)
    {
    case Qt::DisplayRole:
        return QString::fromLatin1(lines_[row]);
    case DetailRole:
        return QString::fromLatin1(details_[row]);
    case KeyRole:
        return QString::fromLatin1(keys_[row]);
    default:
        return {};
    }
}

void StatusLogModel::AddLine(std::string_view briefName, std::string_view startTime, std::string_view status,
                             std::string_view detail, std::string_view key)
{
    std::string line(briefName);
    line += StatusLogSeparator;
    line += startTime;
    line += StatusLogSeparator;
    line += status;
    beginInsertRows(QModelIndex(), 0, 0);
    lines_.insert(lines_.begin(), std::move(line));
    details_.insert(details_.begin(), std::string(detail));
    keys_.insert(keys_.begin(), std::string(key));
    endInsertRows();
}

bool StatusLogModel::UpdateLine(std::string_view briefName, std::string_view status, std::string_view key,
                                std::string_view detail)
{
    for (std::size_t row = 0; row < lines_.size(); ++row)
    {
        if (!lines_[row].starts_with(briefName) || (!key.empty() && !keys_[row].starts_with(key)))
            continue;
        std::string& line = lines_[row];
        const std::size_t first = line.find(StatusLogSeparator);
        const std::size_t second = first == std::string::npos ? first : line.find(StatusLogSeparator, first + 1);
        if (second == std::string::npos)
            line += StatusLogSeparator;
        line.replace(second == std::string::npos ? line.size() : second + 1, std::string::npos, status);
        details_[row] = std::string(detail);
        const QModelIndex changed = index(int(row));
        emit dataChanged(changed, changed);
        return true;
    }
    return false;
}

void StatusLogModel::RemoveLinesWithDetail(std::string_view detail)
{
    for (std::size_t row = lines_.size(); row-- > 0;)
    {
        if (details_[row] != detail)
            continue;
        beginRemoveRows(QModelIndex(), int(row), int(row));
        lines_.erase(lines_.begin() + std::ptrdiff_t(row));
        details_.erase(details_.begin() + std::ptrdiff_t(row));
        keys_.erase(keys_.begin() + std::ptrdiff_t(row));
        endRemoveRows();
    }
}

} // namespace rv
