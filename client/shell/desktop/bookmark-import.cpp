#include "client/shell/desktop/bookmark-import.h"

#include "client/shell/desktop/bookmark-tree-model.h"
#include "client/shell/desktop/bookmarks-window.h"
#include "widgets/message-box.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

namespace rv
{

namespace
{

// The main window takes no input while a file is read, whatever the way out.
class InputBlock
{
public:
    explicit InputBlock(QWidget* window) : window_(window)
    {
        if (window_)
            window_->setEnabled(false);
    }
    ~InputBlock()
    {
        if (window_)
            window_->setEnabled(true);
    }
    InputBlock(const InputBlock&) = delete;
    InputBlock& operator=(const InputBlock&) = delete;

private:
    QWidget* window_;
};

std::unique_ptr<TBkMarks> ImportFile(QWidget* parent, const QString& folder, BookmarkFileKind kind, EntryClipboard& clipboard,
                                     const EntryDefaults& webDefaults, const ImportFileChooser& choose)
{
    const bool bookmarks = kind == BookmarkFileKind::Bookmarks;
    const QStringList chosen = choose(bookmarks ? QStringLiteral("Import Bookmarks") : QStringLiteral("Import Links"), folder,
                                      bookmarks ? QStringLiteral("Bookmark Files (*.HTM);;All Files (*.*)")
                                                : QStringLiteral("HTML Files (*.HTM);;All Files (*.*)"),
                                      false);
    if (chosen.isEmpty() || chosen.front().isEmpty())
        return nullptr;
    const QString& path = chosen.front();
    UserMessage error;
    std::unique_ptr<TBkMarks> window;
    {
        InputBlock block(parent ? parent->window() : nullptr);
        window = OpenBookmarksWindow(path, kind, clipboard, webDefaults, &error);
    }
    if (!window)
        ShowMessage(parent, error, MessageIcon::Error);
    return window;
}

} // namespace

BookmarkTree LoadBookmarkFile(const QString& path, BookmarkFileKind kind)
{
    QFile file(path);
    BookmarkTree failed;
    failed.Error = kind == BookmarkFileKind::Bookmarks ? BookmarkFileError : LinkFileError;
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0 || file.size() > qint64(MaxBookmarkFileBytes))
        return failed;
    const QByteArray bytes = file.read(qint64(MaxBookmarkFileBytes));
    if (bytes.isEmpty())
        return failed;
    const std::string_view text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return kind == BookmarkFileKind::Bookmarks ? ReadBookmarkFile(text) : ReadLinkFile(text);
}

std::unique_ptr<TBkMarks> OpenBookmarksWindow(const QString& path, BookmarkFileKind kind, EntryClipboard& clipboard,
                                              const EntryDefaults& webDefaults, UserMessage* error)
{
    BookmarkTree tree = LoadBookmarkFile(path, kind);
    if (!tree.Ok)
    {
        if (error)
            *error = tree.Error;
        return nullptr;
    }
    const QString caption = tree.Title.empty() ? QFileInfo(path).fileName() : BookmarkText(tree.Title);
    return std::make_unique<TBkMarks>(std::move(tree.Nodes), caption, clipboard, webDefaults);
}

QStringList AskImportFiles(QWidget* parent, const QString& title, const QString& folder, const QString& filter, bool many)
{
    QFileDialog dialog(parent, title, folder, filter);
    dialog.setFileMode(many ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    if (many)
        dialog.selectFile(QStringLiteral("*.url"));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

std::unique_ptr<TBkMarks> ImportBookmarksClick(QWidget* parent, const QString& folder, EntryClipboard& clipboard,
                                               const EntryDefaults& webDefaults, const ImportFileChooser& choose)
{
    return ImportFile(parent, folder, BookmarkFileKind::Bookmarks, clipboard, webDefaults, choose);
}

std::unique_ptr<TBkMarks> ImportLinksClick(QWidget* parent, const QString& folder, EntryClipboard& clipboard,
                                           const EntryDefaults& webDefaults, const ImportFileChooser& choose)
{
    return ImportFile(parent, folder, BookmarkFileKind::Links, clipboard, webDefaults, choose);
}

ShortcutImport ImportShortcutsClick(QWidget* parent, const QString& folder, TWebList& list,
                                    const EntryDefaultsRecords* defaults, const ImportFileChooser& choose)
{
    const QStringList chosen = choose(QStringLiteral("Import Internet Shortcuts"), folder,
                                      QStringLiteral("Shortcuts (*.URL);;Link Files (*.desktop)"), true);
    if (chosen.isEmpty())
        return {};
    std::vector<std::string> paths;
    for (const QString& file : chosen)
        paths.push_back(file.toLocal8Bit().toStdString());
    ShortcutImport result;
    {
        InputBlock block(parent ? parent->window() : nullptr);
        result = ImportShortcuts(list, paths, defaults);
    }
    if (result.Error)
        ShowMessage(parent, *result.Error, MessageIcon::Error);
    return result;
}

} // namespace rv
