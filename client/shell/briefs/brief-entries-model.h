// BriefEntriesModel: the rows of a brief window, one per entry of a TWebList.
//
// The list stays the one owner of the entries and of their selection and
// focus; the model only presents them and is told when the list changed.
// Nothing is cached per row, so a list of MaxEntries entries costs nothing
// until rows are painted. The list must outlive the model. GUI thread only.
#pragma once

#include "client/briefs/web-list.h"

#include <QAbstractListModel>

namespace rv
{

class BriefEntriesModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role
    {
        KindRole = Qt::UserRole + 1, // int: the EntryKind value
        SelectedRole,                // bool
        FocusRole,                   // bool: the list's focused entry
        RetrievalTextRole,           // QString: "3 / 0"
        DifferencesIconRole,         // bool
        MarkIconRole,                // bool
        SmartSearchIconRole,         // bool
    };

    explicit BriefEntriesModel(TWebList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The list was changed in ways that add, remove or reorder entries.
    void Reload();
    // Rows first to last (inclusive) show something new: a name, a check
    // mark, a selection.
    void RowsChanged(int first, int last);
    // Every row's selection or focus may have changed.
    void SelectionChanged();

private:
    TWebList& list_;
};

// The name a row shows: the entry's name once the user has named it, else
// its address (or the kind's new-entry name).
QString RowName(const TWebPage& entry);

} // namespace rv
