// Entries on the desktop's clipboard and in drags: their addresses as
// text/uri-list and text/plain, so that other programs can paste them, and
// addresses copied in other programs read back as new web entries.
//
// The program's own entry clipboard (EntryClipboard) stays the one that
// pastes whole entries. What the program puts on the desktop's clipboard
// carries a private stamp; while the desktop's clipboard still holds that
// stamp, the program's own copy is the newer one. GUI thread only.
#pragma once

#include "client/briefs/web-list.h"

#include <QStringList>

class QMimeData;

namespace rv
{

// Addresses longer than this are not taken from other programs' text: no
// link a user copies is that long, and a page could hand over any amount.
inline constexpr qsizetype MaxPastedAddressLength = 2048;

// The http and https addresses of the data, in order: its URL list when it
// has one, else every word of its text that is such an address.
QStringList AddressesIn(const QMimeData& data);

// Mime data with the addresses of the entries (entries without one are
// left out of the address lists).
QMimeData* AddressesMimeData(const std::vector<const TWebPage*>& entries);

// Replaces the desktop's clipboard with the addresses of the list's
// selected entries, stamped as the program's own.
void PutSelectionOnSystemClipboard(const TWebList& list);

// The addresses on the desktop's clipboard when another program put them
// there after the program's last copy; empty otherwise.
QStringList ForeignClipboardAddresses();
// Whether it holds at least one; stops at the first address found.
bool HasForeignClipboardAddresses();

// Inserts one web entry per address, the way a paste inserts entries:
// from the focused position (after the last entry when nothing has the
// focus), the focus returning to where it was (0 when there was none).
// Each entry takes the web defaults when they are set. Returns how many
// were inserted (fewer when the list fills up).
int InsertAddressEntries(TWebList& list, const QStringList& addresses, int position, const EntryDefaultsRecords* defaults);
int PasteAddresses(TWebList& list, const QStringList& addresses, const EntryDefaultsRecords* defaults);

} // namespace rv
