// The entry setup command of a brief window: shows the setup dialog of the
// selected entries' kind (the web dialog when the kinds differ) over the
// window and applies what the user changed to those entries.
//
// Threads: the GUI thread only.
#pragma once

#include "client/briefs/brief.h"
#include "client/shell/dialogs/entry-setup-dialog.h"

#include <memory>
#include <vector>

namespace rv
{

// The dialog for the list's selected entries, opened on its focused entry.
// Every control is read-only when `readOnly`, or when the focused entry is
// locked. Nothing when nothing is selected.
std::unique_ptr<EntrySetupDialog> MakeEntrySetupDialog(TWebList& list, ClientSettings& settings,
                                                       const EntrySetupEnvironment& environment, bool readOnly,
                                                       QWidget* parent);

// Selects the entries at `selected` (the focus stays when it is among them,
// else it moves to the first), runs their setup dialog and returns whether
// it was left with OK. On OK the entries hold the changes; the caller saves
// the brief and redraws its rows. On Cancel nothing has changed, and the
// caller deletes a new entry (`newEntry`) again. A brief under a run opens
// the dialog read-only.
bool RunEntrySetup(QWidget* parent, TBrief& brief, const std::vector<int>& selected, bool newEntry, ClientSettings& settings,
                   const EntrySetupEnvironment& environment = {});

} // namespace rv
