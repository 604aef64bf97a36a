// The main window's commands that reach outside the program: the imports of
// bookmarks, links and shortcuts, the browser's page as a new entry, and an
// entry's page in the browser, live or as stored.
#include "client/briefs/brief.h"
#include "client/pages/page-information.h"
#include "client/shell/app/mdi-frame.h"
#include "client/shell/briefs/brief-window.h"
#include "client/shell/desktop/bookmark-import.h"
#include "client/shell/desktop/bookmark-tree-model.h"
#include "client/shell/desktop/bookmarks-window.h"
#include "client/shell/desktop/browser-link.h"
#include "widgets/message-box.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <algorithm>
#include <cctype>
#include <filesystem>

namespace rv
{
namespace
{

QMenu* MenuTitled(QMenuBar& bar, const QString& title)
{
    for (QAction* action : bar.actions())
        if (action->text() == title)
            return action->menu();
    return nullptr;
}

// The part of a page reference after its archive: the page's address
// without the page number and the separators before it.
std::string ReferencedAddress(const std::string& tail)
{
    std::size_t at = 0;
    while (at < tail.size() && (std::isdigit(static_cast<unsigned char>(tail[at])) || tail[at] == '/' || tail[at] == '\\'))
        ++at;
    std::string address = tail.substr(at);
    if (address.starts_with("file:"))
    {
        std::size_t slashes = 5;
        while (slashes < address.size() && address[slashes] == '/')
            ++slashes;
        address = "file:" + address.substr(slashes);
    }
    return address;
}

} // namespace

void TMDIFrame::CreateDesktopCommands()
{
    const auto add = [this](const char* name, const char* text, auto slot)
    {
        QAction* action = new QAction(QString::fromLatin1(text), this);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    QAction* bookmarks = add("ImportBookmarks", "&Import Bookmarks...", [this] { ImportBookmarksClick(); });
    QAction* links = add("ImportLinks", "Import &Links from File...", [this] { ImportLinksClick(); });
    QAction* shortcuts = add("ImportShortcuts", "Import &Shortcuts...", [this] { ImportShortcutsClick(); });
    QAction* page = add("AddBrowserPage", "Add &Page from Browser", [this] { AddPageFromBrowserClick(); });
    QAction* launch = add("LaunchEntry", "&Launch Entry in Browser", [this] { LaunchEntryClick(); });
    QAction* view = add("ViewEntry", "&View Entry", [this] { ViewEntryClick(); });
    QAction* archive = add("ArchiveBrowserPage", "Archive Browser Page", [this] { ArchiveBrowserPageClick(); });

    // The imports follow the file commands; the browser's page follows the
    // entry commands of the Brief menu.
    QAction* preferences = Action(QStringLiteral("Preferences"));
    fileMenu_->insertActions(preferences, {bookmarks, links, shortcuts});
    fileMenu_->insertSeparator(preferences);
    if (QMenu* brief = MenuTitled(*menuBar(), QStringLiteral("&Brief")))
    {
        QAction* setup = Action(QStringLiteral("BriefSetup"));
        brief->insertActions(setup, {page, archive});
        brief->insertSeparator(setup);
    }
    // An entry's page in the browser, beside the other entry commands ("&View
    // Last Brief" has the Brief menu's V).
    if (QMenu* edit = MenuTitled(*menuBar(), QStringLiteral("&Edit")))
    {
        edit->addSeparator();
        edit->addActions({launch, view});
    }
    if (auto* tools = findChild<QToolBar*>(QStringLiteral("Toolbar")))
    {
        tools->insertAction(Action(QStringLiteral("Copy")), page);
        tools->widgetForAction(page)->setToolTip(QStringLiteral("Add Page from Browser"));
        tools->widgetForAction(page)->setObjectName(QStringLiteral("AddBrowserPageButton"));
    }
    if (!services_.AskArchivePath)
        services_.AskArchivePath = [this](const QString& folder)
        {
            QString path = QFileDialog::getSaveFileName(this, QString(), folder, QStringLiteral("Ravelin Files (*.RVD *.rvd)"));
            if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
                path += QStringLiteral(".rvd");
            return path;
        };
    if (!services_.AskImportPaths)
        services_.AskImportPaths = [this](const QString& title, const QString& folder, const QString& filter, bool many)
        { return AskImportFiles(this, title, folder, filter, many); };
}

void TMDIFrame::UpdateDesktopCommands()
{
    TKestrelForm* current = ActiveBookmarks() ? nullptr : CurrentBrief();
    const bool editable = current && !current->Brief().Retrieving;
    const bool focused = current && current->Brief().Entries.IsValid(current->Brief().Entries.Focus());
    Action(QStringLiteral("ImportShortcuts"))->setEnabled(editable);
    Action(QStringLiteral("AddBrowserPage"))->setEnabled(editable);
    Action(QStringLiteral("ArchiveBrowserPage"))->setEnabled(!pageBrief_ || !pageBrief_->Brief().Retrieving);
    Action(QStringLiteral("LaunchEntry"))->setEnabled(focused);
    Action(QStringLiteral("ViewEntry"))->setEnabled(focused);
    // While a bookmarks window is active, Copy copies its bookmark.
    if (ActiveBookmarks())
        Action(QStringLiteral("Copy"))->setEnabled(true);
}

TBkMarks* TMDIFrame::ActiveBookmarks() const
{
    QMdiSubWindow* active = area_->activeSubWindow();
    return active ? qobject_cast<TBkMarks*>(active->widget()) : nullptr;
}

QWidget* TMDIFrame::ShowBookmarks(std::unique_ptr<TBkMarks> window)
{
    if (!window)
        return nullptr;
    TBkMarks* bookmarks = window.release();
    connect(bookmarks, &TBkMarks::copied, this, [this] { UpdateCommands(); });
    QMdiSubWindow* sub = area_->addSubWindow(bookmarks);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->resize(360, 420);
    sub->show();
    area_->setActiveSubWindow(sub);
    UpdateCommands();
    return bookmarks;
}

QWidget* TMDIFrame::ImportBookmarksClick()
{
    return ShowBookmarks(
        rv::ImportBookmarksClick(this, BrowserFolder(), clipboard_, settings_.EntryDefaults.Web, services_.AskImportPaths));
}

QWidget* TMDIFrame::ImportLinksClick()
{
    return ShowBookmarks(
        rv::ImportLinksClick(this, BrowserFolder(), clipboard_, settings_.EntryDefaults.Web, services_.AskImportPaths));
}

void TMDIFrame::ImportShortcutsClick()
{
    TKestrelForm* window = CurrentBrief();
    if (!window || window->Brief().Retrieving)
        return;
    const ShortcutImport imported = rv::ImportShortcutsClick(this, BrowserFolder(), window->Brief().Entries,
                                                             &settings_.EntryDefaults, services_.AskImportPaths);
    if (imported.Added > 0)
    {
        window->Save();
        window->Refresh();
    }
    UpdateCommands();
}

QString TMDIFrame::BrowserFolder() const
{
    const QString browser = QString::fromLocal8Bit(settings_.Browser.Path);
    const QFileInfo program(browser);
    if (!browser.isEmpty() && program.isAbsolute() && program.dir().exists())
        return program.absolutePath();
    return services_.ProgramFolder;
}

void TMDIFrame::AddPageFromBrowserClick()
{
    TKestrelForm* window = CurrentBrief();
    if (!window || window->Brief().Retrieving)
        return;
    const std::optional<PageInformation> page = AskBrowserForPage(services_.SettingsPath);
    if (!page)
    {
        ShowMessage(this, BrowserUnreachable, MessageIcon::Error);
        return;
    }
    if (AddBrowserPage(window->Brief().Entries, *page, &settings_.EntryDefaults) < 0)
        return;
    window->Save();
    window->Refresh();
    UpdateCommands();
    window->OpenEntrySetup();
}

void TMDIFrame::LaunchEntryClick()
{
    TKestrelForm* window = CurrentBrief();
    if (!window || !services_.OpenAddress)
        return;
    TWebList& entries = window->Brief().Entries;
    if (!entries.IsValid(entries.Focus()))
        return;
    const TWebPage& entry = entries[entries.Focus()];
    if (entry.EngineListLength == 0 && !entry.URL.empty())
        services_.OpenAddress(QString::fromStdString(entry.URL));
}

void TMDIFrame::ViewEntryClick()
{
    TKestrelForm* window = CurrentBrief();
    if (!window || !services_.OpenAddress)
        return;
    TBrief& brief = window->Brief();
    if (!brief.Entries.IsValid(brief.Entries.Focus()))
        return;
    std::vector<std::string>& refs = brief.Entries[brief.Entries.Focus()].PageRefs;
    bool dropped = false;
    std::string address;
    while (!refs.empty() && address.empty())
    {
        const std::string& ref = refs.back();
        const std::size_t rvd = ref.find(".rvd");
        if (rvd != std::string::npos)
        {
            const std::string archive = ref.substr(0, rvd + 4);
            const std::size_t slash = archive.find_last_of("/\\");
            std::string path = brief.Folder + (slash == std::string::npos ? archive : archive.substr(slash + 1));
            if (std::filesystem::exists(path))
            {
                std::replace(path.begin(), path.end(), '\\', '/');
                const std::string tail = rvd + 5 <= ref.size() ? ref.substr(rvd + 5) : std::string();
                address = "http://127.0.0.1:" + std::to_string(settings_.Servers.port) + "/" +
                          (path.starts_with('/') ? path.substr(1) : path) + "/" + ReferencedAddress(tail);
                break;
            }
        }
        refs.pop_back();
        dropped = true;
    }
    if (dropped)
        window->Save();
    if (!address.empty())
        services_.OpenAddress(QString::fromLocal8Bit(address));
}

} // namespace rv
