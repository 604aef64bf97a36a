// TWebProperties: the setup dialog of web page entries, and of a selection
// that mixes kinds (then only the shared properties are edited). Its own
// page holds the entry's name and address, which are editable only when
// one entry is selected.
//
// Threads: the GUI thread only.
#pragma once

#include "client/shell/dialogs/entry-setup-dialog.h"

class QLineEdit;

namespace rv
{

class TWebProperties : public EntrySetupDialog
{
    Q_OBJECT

public:
    TWebProperties(TWebList& list, ClientSettings& settings, EntrySetupEnvironment environment, bool readOnly,
                   QWidget* parent = nullptr);

protected:
    void CollectOwnChanges(EntrySetupFields& changed) const override;
    std::vector<QWidget*> OwnControls() const override;

private:
    QLineEdit* name_ = nullptr;
    QLineEdit* url_ = nullptr;
};

} // namespace rv
