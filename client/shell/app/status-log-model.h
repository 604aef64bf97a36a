// The status log: one line per brief run, newest first, kept by the main
// window whether or not the status log window shows it. A line's text is
// the brief name, the byte 0x02, the run's start time, 0x02 and its status;
// each line also has a detail text (the archive of the stored result, empty
// when there is none) and a key text. The status log window is a view on
// this model.
//
// Threads: the main thread only.
#pragma once

#include <QAbstractListModel>
#include <string>
#include <string_view>
#include <vector>

namespace rv
{

inline constexpr char StatusLogSeparator = '\x02';

class StatusLogModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role
    {
        DetailRole = Qt::UserRole + 1,
        KeyRole,
    };

    explicit StatusLogModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    // DisplayRole: the line's text as Latin-1; DetailRole and KeyRole its
    // other two texts.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Inserts a line at the top.
    void AddLine(std::string_view briefName, std::string_view startTime, std::string_view status, std::string_view detail,
                 std::string_view key);
    // The first line whose text starts with the brief name (and, when key is
    // not empty, whose key starts with key) gets the new status after its
    // second 0x02, and the new detail. False when no line matches.
    bool UpdateLine(std::string_view briefName, std::string_view status, std::string_view key, std::string_view detail);
    // Removes every line whose detail (archive) is detail: a trimmed
    // retrieval.
    void RemoveLinesWithDetail(std::string_view detail);

    const std::vector<std::string>& Lines() const { return lines_; }
    const std::vector<std::string>& Details() const { return details_; }
    const std::vector<std::string>& Keys() const { return keys_; }

private:
    std::vector<std::string> lines_;
    std::vector<std::string> details_;
    std::vector<std::string> keys_;
};

} // namespace rv
