// The import commands of the main window: "&Import Bookmarks...",
// "Import &Links from File..." and "Import &Shortcuts...". Each asks for the
// files with its own open dialog, reads them, and reports failures with the
// readers' messages; a failed bookmark or link import leaves no window.
//
// Main thread only. The returned window has no parent; the caller puts it
// into its window area and owns it.
#pragma once

#include "client/pages/bookmark-file.h"
#include "client/pages/shortcut-import.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QWidget;

namespace rv
{

class TBkMarks;
class EntryClipboard;

enum class BookmarkFileKind
{
    Bookmarks, // nested definition lists of a browser's export
    Links,     // every link of an HTML file, as a flat list
};

// Reads a file of the kind; a missing, empty or oversized file fails with
// the kind's message.
BookmarkTree LoadBookmarkFile(const QString& path, BookmarkFileKind kind);

// The window for a file that read; its caption is the file's title, else
// its name.
std::unique_ptr<TBkMarks> OpenBookmarksWindow(const QString& path, BookmarkFileKind kind, EntryClipboard& clipboard,
                                              const EntryDefaults& webDefaults, UserMessage* error);

// The open dialog of a command: its title, the starting folder and the
// filter ("Name (*.EXT);;..."); the chosen files, several only when `many`,
// none when the user cancelled.
using ImportFileChooser =
    std::function<QStringList(const QString& title, const QString& folder, const QString& filter, bool many)>;
// Qt's open dialog.
QStringList AskImportFiles(QWidget* parent, const QString& title, const QString& folder, const QString& filter, bool many);

// The commands: the open dialog starts in `folder`. Nothing when the user
// cancels or the file does not read (the message has then been shown).
std::unique_ptr<TBkMarks> ImportBookmarksClick(QWidget* parent, const QString& folder, EntryClipboard& clipboard,
                                               const EntryDefaults& webDefaults, const ImportFileChooser& choose);
std::unique_ptr<TBkMarks> ImportLinksClick(QWidget* parent, const QString& folder, EntryClipboard& clipboard,
                                           const EntryDefaults& webDefaults, const ImportFileChooser& choose);
// Adds the chosen shortcut files to the brief's list; the caller saves the
// brief when entries were added.
ShortcutImport ImportShortcutsClick(QWidget* parent, const QString& folder, TWebList& list,
                                    const EntryDefaultsRecords* defaults, const ImportFileChooser& choose);

} // namespace rv
