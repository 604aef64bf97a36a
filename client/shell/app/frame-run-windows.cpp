// The main window's part of the run windows: their menu, the engine's stop
// and skip for them, and where the status log, archive and packaging
// windows open.
#include "client/briefs/brief.h"
#include "client/engine/run-engine.h"
#include "client/shell/app/frame-run-observer.h"
#include "client/shell/app/mdi-frame.h"
#include "client/shell/briefs/brief-window.h"
#include "client/shell/runs/archive-form.h"
#include "client/shell/runs/available-briefs.h"
#include "client/shell/runs/package-dlg.h"
#include "client/shell/runs/run-windows.h"
#include "client/shell/runs/status-win.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>

namespace rv
{

void TMDIFrame::CreateRunWindows()
{
    RunWindowServices services = DesktopRunServices(services_.SettingsPath, [this] { return int(settings_.Servers.port); });
    if (services_.OpenAddress)
        services.OpenAddress = services_.OpenAddress;
    services.StopBrief = [this](const TBrief& brief)
    {
        if (TKestrelForm* window = WindowOf(brief))
            engine_->StopBrief(window->Brief());
    };
    services.SkipEntry = [this](const TBrief& brief, int entry)
    {
        if (TKestrelForm* window = WindowOf(brief); window && window->Brief().Entries.IsValid(entry))
            engine_->SkipEntry(window->Brief(), window->Brief().Entries[entry]);
    };
    runWindows_ = std::make_unique<RunWindows>(observer_.get(), std::move(services), this);
    if (!services_.MakeStatusLogWindow)
        services_.MakeStatusLogWindow = [](TMDIFrame& frame) { return frame.ShowStatusLog(); };

    QMenu* view = new QMenu(QStringLiteral("&View"), this);
    const auto add = [this, view](const char* name, const char* text, auto slot)
    {
        QAction* action = view->addAction(QString::fromLatin1(text), this, slot);
        action->setObjectName(QString::fromLatin1(name));
        action->setParent(this);
        return action;
    };
    QAction* progress = add("ViewProgress", "&Progress", [this] { ShowProgressClick(); });
    add("ViewStatusLog", "&Status Log", [this] { ShowStatusLog(); });
    add("ViewArchive", "&Archive...", [this] { ShowArchiveClick(); });
    // The View menu goes before the Window menu.
    QAction* before = nullptr;
    for (QAction* action : menuBar()->actions())
        if (action->text() == QStringLiteral("&Window"))
            before = action;
    menuBar()->insertMenu(before, view);
    connect(runWindows_.get(), &RunWindows::ProgressShown, progress, [progress](bool shown) { progress->setEnabled(!shown); });
    connect(runWindows_.get(), &RunWindows::StatusLogWanted, this,
            [this]
            {
                if (isMinimized())
                    showNormal();
                raise();
                activateWindow();
                ShowStatusLog();
            });
}

void TMDIFrame::ShowProgressClick()
{
    runWindows_->ShowProgress();
}

QWidget* TMDIFrame::ShowStatusLog()
{
    if (!statusLogWindow_)
    {
        auto* window = new TStatusWin(
            *statusLog_, StatusLogModel::DetailRole,
            [this](const std::string& archive) { statusLog_->RemoveLinesWithDetail(archive); }, runWindows_->Services());
        connect(window, &TStatusWin::Activated, &runWindows_->Notice(), &QWidget::hide);
        QMdiSubWindow* sub = area_->addSubWindow(window);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->resize(window->size() + QSize(8, 30));
        statusLogWindow_ = window;
    }
    if (auto* sub = qobject_cast<QMdiSubWindow*>(statusLogWindow_->parentWidget()))
    {
        sub->show();
        area_->setActiveSubWindow(sub);
    }
    return statusLogWindow_;
}

void TMDIFrame::ShowArchiveClick()
{
    TKestrelForm* window = CurrentBrief();
    if (!window)
        return;
    ArchiveFormHooks hooks;
    hooks.RemoveStatusLines = [this](const std::string& archive) { statusLog_->RemoveLinesWithDetail(archive); };
    hooks.BriefChanged = [window] { window->Save(); };
    hooks.ViewCumulative = [this] { ViewCumulativeBriefClick(); };
    hooks.Package = [this] { ShowPackage(); };
    TArchiveForm form(window->Brief(), hooks, runWindows_->Services(), this);
    form.exec();
}

void TMDIFrame::ShowPackage()
{
    TKestrelForm* window = CurrentBrief();
    TPackageDlg dialog(window ? window->FilePath() : QString(), BriefsFolder(), runWindows_->Services(), this);
    dialog.exec();
}

} // namespace rv
