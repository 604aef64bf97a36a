// AddressEntryDialog: the small setup of an entry's name and address that a
// brief window uses until the full entry setup dialogs are installed
// through its EntrySetup seam. With several entries selected the name and
// the address cannot be edited, as in the full dialogs. GUI thread only.
#pragma once

#include "client/briefs/web-list.h"

#include <QDialog>
#include <vector>

class QLineEdit;

namespace rv
{

class AddressEntryDialog : public QDialog
{
    Q_OBJECT

public:
    AddressEntryDialog(TWebList& list, std::vector<int> selected, QWidget* parent = nullptr);

    // Writes the typed name and address to the one selected entry: a typed
    // name names the entry; an empty one makes the row show the address.
    void Apply();

private:
    TWebList& list_;
    std::vector<int> selected_;
    QLineEdit* name_ = nullptr;
    QLineEdit* address_ = nullptr;
};

// Runs the dialog over the entries; false when it was cancelled.
bool RunAddressEntryDialog(QWidget* parent, TWebList& list, const std::vector<int>& selected);

} // namespace rv
