#include "client/shell/dialogs/run-entry-setup.h"

#include "client/shell/dialogs/se-props.h"
#include "client/shell/dialogs/web-properties.h"
#include "client/shell/dialogs/yahoo-props.h"

#include <algorithm>

namespace rv
{

std::unique_ptr<EntrySetupDialog> MakeEntrySetupDialog(TWebList& list, ClientSettings& settings,
                                                       const EntrySetupEnvironment& environment, bool readOnly, QWidget* parent)
{
    const std::vector<int> selected = list.SelectedPositions();
    if (selected.empty())
        return nullptr;
    if (std::find(selected.begin(), selected.end(), list.Focus()) == selected.end())
        list.SetFocus(selected.front());
    const TWebPage& focused = list[list.Focus()];
    readOnly = readOnly || focused.EntryLocked;
    const bool oneKind =
        std::all_of(selected.begin(), selected.end(), [&](int position) { return list[position].Kind == focused.Kind; });
    const EntryKind kind = oneKind ? focused.Kind : EntryKind::Web;
    switch (kind)
    {
    case EntryKind::Search:
        return std::make_unique<TSEProps>(list, settings, environment, readOnly, parent);
    case EntryKind::Yahoo:
        return std::make_unique<TYahooProps>(list, settings, environment, readOnly, parent);
    case EntryKind::Web:
        break;
    }
    return std::make_unique<TWebProperties>(list, settings, environment, readOnly, parent);
}

bool RunEntrySetup(QWidget* parent, TBrief& brief, const std::vector<int>& selected, bool /*newEntry*/,
                   ClientSettings& settings, const EntrySetupEnvironment& environment)
{
    TWebList& list = brief.Entries;
    if (!selected.empty())
    {
        const int focus = list.Focus();
        list.DeselectAll();
        for (const int position : selected)
            list.Select(position, true);
        list.SetFocus(focus);
    }
    std::unique_ptr<EntrySetupDialog> dialog = MakeEntrySetupDialog(list, settings, environment, brief.Retrieving, parent);
    if (!dialog)
        return false;
    return dialog->exec() == QDialog::Accepted;
}

} // namespace rv
