// "Archive Browser Page": the page the browser shows, retrieved into an
// archive file of the user's choosing through a temporary one-page brief
// ("loadpage.brf") that is never listed, scheduled or catalogued.
#include "client/briefs/brief.h"
#include "client/pages/page-information.h"
#include "client/shell/app/mdi-frame.h"
#include "client/shell/briefs/brief-window.h"
#include "client/shell/desktop/browser-link.h"
#include "client/shell/dialogs/run-entry-setup.h"
#include "widgets/message-box.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QMdiSubWindow>

namespace rv
{

namespace
{

constexpr const char* PageSetupCaption = "Please set the properties for this retrieval";

// What a one-page archive does not use: differences, exclusions, searching.
constexpr const char* UnusedControls[] = {"MarkDifferences", "ExtractDifferences", "ExclusionLists", "ExclusionListsButton",
                                          "SmartSearch",     "SearchFor",          "CaseSensitive",  "CheckHeader",
                                          "SearchHTML",      "PreserveOnly"};

} // namespace

void TMDIFrame::ArchiveBrowserPageClick()
{
    if (pageBrief_ && pageBrief_->Brief().Retrieving)
        return;
    const std::optional<PageInformation> page = AskBrowserForPage(services_.SettingsPath);
    if (!page)
    {
        ShowMessage(this, BrowserUnreachable, MessageIcon::Error);
        return;
    }
    if (pageBrief_)
        CloseBrief(*pageBrief_);
    TKestrelForm* window = AddBriefWindow(nullptr);
    pageBrief_ = window;
    window->NewBrief(QDir(services_.DataFolder).filePath(QStringLiteral("loadpage.brf")));
    TBrief& brief = window->Brief();
    brief.TemporaryPage = true;
    const int at = AddBrowserPage(brief.Entries, *page, &settings_.EntryDefaults);
    const auto discard = [this, window]
    {
        if (QMdiSubWindow* sub = SubWindowOf(*window))
            sub->close();
    };
    if (at < 0)
        return discard();
    brief.Entries[at].FullRetrieval = true;
    brief.Entries[at].Active = true;
    window->Refresh();

    const EntrySetupEnvironment environment{store_.get(), definitions_.get(), services_.DataFolder, services_.SettingsPath};
    std::unique_ptr<EntrySetupDialog> dialog = MakeEntrySetupDialog(brief.Entries, settings_, environment, false, this);
    if (!dialog)
        return discard();
    dialog->setWindowTitle(QString::fromLatin1(PageSetupCaption));
    if (auto* active = dialog->findChild<QCheckBox*>(QStringLiteral("Active")))
    {
        active->setChecked(true);
        active->setEnabled(false);
    }
    for (const char* name : UnusedControls)
        if (QWidget* control = dialog->findChild<QWidget*>(QString::fromLatin1(name)))
            control->setEnabled(false);
    dialog->exec();

    const QString path = services_.AskArchivePath ? services_.AskArchivePath(BriefsFolder()) : QString();
    if (path.isEmpty())
        return discard();
    const QFileInfo archive(path);
    const QString title = QString::fromLatin1(brief.Entries[at].EntryName);
    brief.BriefName = brief.Entries[at].EntryName;
    brief.Folder = archive.absolutePath().toLocal8Bit().toStdString() + "/";
    window->setWindowTitle(title);
    Action(QStringLiteral("ArchiveBrowserPage"))->setEnabled(false);
    // An absolute target is the archive's whole path.
    StartRun(*window, false, archive.absoluteFilePath().toLocal8Bit().toStdString());
}

} // namespace rv
