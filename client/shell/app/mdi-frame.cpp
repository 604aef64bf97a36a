#include "client/shell/app/mdi-frame.h"

#include "client/briefs/brief.h"
#include "client/engine/run-engine.h"
#include "client/pages/definition-set.h"
#include "client/pages/entry-targets.h"
#include "client/shell/app/frame-run-observer.h"
#include "client/shell/briefs/brief-window.h"
#include "client/shell/desktop/bookmark-tree-model.h"
#include "client/shell/desktop/bookmarks-window.h"
#include "client/shell/desktop/network-connector.h"
#include "client/shell/dialogs/run-entry-setup.h"
#include "client/shell/dialogs/settings/brief-options-dialog.h"
#include "client/shell/dialogs/settings/dialup-connections.h"
#include "client/shell/dialogs/settings/preferences-dialog.h"
#include "client/shell/runs/run-windows.h"
#include "platform/server-control.h"
#include "platform/settings-store.h"
#include "store/temp-files.h"
#include "widgets/message-box.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <chrono>
#include <filesystem>

namespace rv
{
namespace
{

// The sample briefs a first start opens, in this order, from "Briefs/".
constexpr const char* SampleBriefs[] = {"Leisure.brf", "Sports.brf", "News.brf", "Gov.brf", "Demo.brf"};

QString Local(const std::string& path)
{
    return QString::fromLocal8Bit(path);
}

std::string Local(const QString& path)
{
    return path.toLocal8Bit().toStdString();
}

WindowPlacement PlacementOf(const QWidget& window)
{
    const QRect bounds = window.isMaximized() || window.isMinimized() ? window.normalGeometry() : window.geometry();
    WindowPlacement placement{bounds.left(), bounds.top(), bounds.width(), bounds.height(), WindowState::Normal};
    if (window.isMinimized())
        placement.State = WindowState::Minimised;
    else if (window.isMaximized())
        placement.State = WindowState::Maximised;
    return placement;
}

void Place(QWidget& window, const WindowPlacement& placement)
{
    window.setGeometry(placement.Left, placement.Top, placement.Width, placement.Height);
    if (placement.State == WindowState::Minimised)
        window.showMinimized();
    else if (placement.State == WindowState::Maximised)
        window.showMaximized();
}

} // namespace

TMDIFrame::TMDIFrame(FrameServices services, QStringList commandLineBriefs, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)), commandLineBriefs_(std::move(commandLineBriefs)),
      store_(std::make_unique<SettingsStore>(services_.SettingsPath)), observer_(std::make_unique<FrameRunObserver>(*this))
{
    setWindowTitle(QString::fromLatin1(ApplicationTitle));
    setObjectName(QStringLiteral("MDIFrame"));
    // Fits a 1024 by 768 screen; a stored layout replaces it.
    resize(960, 680);
    if (services_.StartServer)
        services_.StartServer();

    area_ = new QMdiArea(this);
    area_->setObjectName(QStringLiteral("MDIArea"));
    setCentralWidget(area_);
    statusLog_ = new StatusLogModel(this);
    CreateActions();
    CreateMenus();
    CreateDesktopCommands();
    statusBar()->showMessage(QStringLiteral(" ") + QString::fromLatin1(ApplicationTitle));

    DeleteLeftoverTempFiles(Local(services_.DataFolder));
    ReadStartupSettings(*store_, settings_);
    SharedClientSettings::Instance().Replace(settings_);
    RetrievalSettings retrieval;
    FillRetrievalSettings(settings_, retrieval);
    retrieval.ProgramFolder = Local(services_.DataFolder);
    CreateRunWindows();
    engine_ = std::make_unique<RunEngine>(retrieval, runWindows_->Model());
    definitions_ = std::make_shared<DefinitionSet>(LoadDefinitions(retrieval.ProgramFolder));
    engine_->SetTargetsOf([definitions = definitions_](const TWebPage& entry) { return EntryTargets(entry, *definitions); });
    engine_->SetArchiveCloser([](const std::filesystem::path& archive)
                              { ServerCloseFile(QString::fromStdString(archive.string())); });
    engine_->SetRunEnded([this] { RunEnded(); });
    CreateConnector();

    scheduleCheck_ = std::make_unique<ScheduleCheck>(
        services_.Clock,
        [this](TBrief& brief, bool scheduled)
        {
            if (TKestrelForm* window = WindowOf(brief))
                StartRun(*window, scheduled);
        },
        [this](TBrief& brief)
        {
            if (TKestrelForm* window = WindowOf(brief))
                window->Save();
        });
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &TMDIFrame::ScheduleTick);
    timer_->start(1000);

    connect(area_, &QMdiArea::subWindowActivated, this, [this] { UpdateCommands(); });
    UpdateCommands();
}

TMDIFrame::~TMDIFrame()
{
    timer_->stop();
    StopConnecting();
    // The run ends before the briefs it writes into go.
    engine_.reset();
    // The child windows are destroyed with the QWidget part of this window,
    // after this part has gone: nothing they signal or filter may reach it.
    for (QObject* child : findChildren<QObject*>())
    {
        child->disconnect(this);
        child->removeEventFilter(this);
    }
    briefs_.clear();
}

void TMDIFrame::CreateActions()
{
    const auto add = [this](const char* name, const QString& text, auto slot, QKeySequence shortcut = {})
    {
        QAction* action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(name));
        if (!shortcut.isEmpty())
            action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add(
        "NewBrief", QStringLiteral("&New Brief..."), [this] { NewBriefClick(); }, QKeySequence::New);
    add(
        "OpenBrief", QStringLiteral("&Open Brief..."), [this] { OpenBriefClick(); }, QKeySequence::Open);
    add("SaveAs", QStringLiteral("Save &As..."), [this] { SaveAsClick(); });
    add(
        "CloseBrief", QStringLiteral("&Close Brief"),
        [this]
        {
            if (TKestrelForm* window = CurrentBrief())
                CloseBrief(*window);
        },
        QKeySequence(Qt::CTRL | Qt::Key_F4));
    exitAction_ = add(
        "Exit", QStringLiteral("E&xit"), [this] { close(); }, QKeySequence(Qt::ALT | Qt::Key_F4));

    const auto onBrief = [this](auto act)
    {
        return [this, act]
        {
            if (TKestrelForm* window = CurrentBrief())
                act(*window);
        };
    };
    add("Cut", QStringLiteral("Cu&t"), onBrief([](TKestrelForm& w) { w.CutEntries(); }), QKeySequence::Cut);
    add(
        "Copy", QStringLiteral("&Copy"),
        [this]
        {
            if (TBkMarks* bookmarks = ActiveBookmarks())
                bookmarks->Copy1Click();
            else if (TKestrelForm* window = CurrentBrief())
                window->CopyEntries();
        },
        QKeySequence::Copy);
    add("Paste", QStringLiteral("&Paste"), onBrief([](TKestrelForm& w) { w.PasteEntries(); }), QKeySequence::Paste);
    add("DeleteEntry", QStringLiteral("&Delete Entry"), onBrief([](TKestrelForm& w) { w.DeleteEntries(); }),
        QKeySequence::Delete);
    add("AddWebEntry", QStringLiteral("&Add Web Entry"), onBrief([](TKestrelForm& w) { w.NewEntry(EntryKind::Web); }),
        QKeySequence(Qt::Key_Insert));
    add("AddSearchEntry", QStringLiteral("Add Sea&rch Entry"), onBrief([](TKestrelForm& w) { w.NewEntry(EntryKind::Search); }));
    add("AddYahooEntry", QStringLiteral("Add &Yahoo Entry"), onBrief([](TKestrelForm& w) { w.NewEntry(EntryKind::Yahoo); }));
    add("EntrySetup", QStringLiteral("Entry &Setup..."), onBrief([](TKestrelForm& w) { w.OpenEntrySetup(); }),
        QKeySequence(Qt::ALT | Qt::Key_Return));
    add("SortEntries", QStringLiteral("&Sort Entries"), onBrief([](TKestrelForm& w) { w.SortEntries(); }));
    add("BriefSetup", QStringLiteral("&Brief Setup..."), [this] { BriefSetupClick(false); });
    add("SetTimers", QStringLiteral("Set &Timers..."), [this] { BriefSetupClick(true); });
    add("Preferences", QStringLiteral("P&references..."), [this] { PreferencesClick(); });
    add(
        "GenerateBrief", QStringLiteral("&Generate Brief"), [this] { GenerateBriefClick(); }, QKeySequence(Qt::Key_F9));
    add(
        "ViewLastBrief", QStringLiteral("&View Last Brief"), [this] { ViewLastBriefClick(); }, QKeySequence(Qt::Key_F5));
    add(
        "ViewCumulativeBrief", QStringLiteral("View C&umulative Brief"), [this] { ViewCumulativeBriefClick(); },
        QKeySequence(Qt::SHIFT | Qt::Key_F5));
    add("Cascade", QStringLiteral("&Cascade"), [this] { area_->cascadeSubWindows(); });
    add("Tile", QStringLiteral("&Tile"), [this] { area_->tileSubWindows(); });
    add(
        "NextWindow", QStringLiteral("&Next Window"), [this] { area_->activateNextSubWindow(); },
        QKeySequence(Qt::CTRL | Qt::Key_F6));
    add(
        "HelpContents", QStringLiteral("&Contents"),
        [this]
        {
            if (services_.ShowHelp)
                services_.ShowHelp(0);
        },
        QKeySequence::HelpContents);
}

QAction* TMDIFrame::Action(const QString& objectName) const
{
    return findChild<QAction*>(objectName, Qt::FindDirectChildrenOnly);
}

void TMDIFrame::CreateMenus()
{
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    for (const char* name : {"NewBrief", "OpenBrief", "SaveAs", "CloseBrief"})
        fileMenu_->addAction(Action(QString::fromLatin1(name)));
    fileMenu_->addSeparator();
    fileMenu_->addAction(Action(QStringLiteral("Preferences")));
    recentSeparator_ = fileMenu_->addSeparator();
    fileMenu_->addSeparator();
    fileMenu_->addAction(exitAction_);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    for (const char* name : {"Cut", "Copy", "Paste", "DeleteEntry"})
        edit->addAction(Action(QString::fromLatin1(name)));

    QMenu* brief = menuBar()->addMenu(QStringLiteral("&Brief"));
    for (const char* name : {"AddWebEntry", "AddSearchEntry", "AddYahooEntry", "EntrySetup", "SortEntries"})
        brief->addAction(Action(QString::fromLatin1(name)));
    brief->addSeparator();
    for (const char* name : {"BriefSetup", "SetTimers"})
        brief->addAction(Action(QString::fromLatin1(name)));
    brief->addSeparator();
    for (const char* name : {"GenerateBrief", "ViewLastBrief", "ViewCumulativeBrief"})
        brief->addAction(Action(QString::fromLatin1(name)));

    QMenu* window = menuBar()->addMenu(QStringLiteral("&Window"));
    for (const char* name : {"Cascade", "Tile", "NextWindow"})
        window->addAction(Action(QString::fromLatin1(name)));
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(Action(QStringLiteral("HelpContents")));

    QToolBar* tools = addToolBar(QStringLiteral("Toolbar"));
    tools->setObjectName(QStringLiteral("Toolbar"));
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const auto tool = [&](const char* name, const char* text)
    {
        QAction* action = Action(QString::fromLatin1(name));
        tools->addAction(action);
        tools->widgetForAction(action)->setToolTip(QString::fromLatin1(text));
        tools->widgetForAction(action)->setObjectName(QString::fromLatin1(name) + QStringLiteral("Button"));
    };
    tool("NewBrief", "New Brief");
    tool("OpenBrief", "Open Brief");
    tools->addSeparator();
    tool("AddWebEntry", "New Web Entry");
    tool("AddSearchEntry", "New Search Entry");
    tool("Copy", "Copy");
    tool("Paste", "Paste");
    tools->addSeparator();
    tool("GenerateBrief", "Generate Brief");
    tool("SetTimers", "Set Timers");
    tool("ViewLastBrief", "View Last Brief");
}

void TMDIFrame::UpdateRecentMenu()
{
    for (QAction* action : recentActions_)
        delete action;
    recentActions_.clear();
    QAction* before = recentSeparator_;
    // The items go between the separator after the file commands and the one
    // before "E&xit".
    const QList<QAction*> all = fileMenu_->actions();
    const qsizetype at = all.indexOf(recentSeparator_);
    before = at + 1 < all.size() ? all[at + 1] : exitAction_;
    for (std::size_t i = 0; i < recent_.Paths().size(); ++i)
    {
        QAction* action = new QAction(recent_.Caption(i), this);
        action->setObjectName(QStringLiteral("Recent%1").arg(i + 1));
        const std::string path = recent_.Paths()[i];
        connect(action, &QAction::triggered, this,
                [this, path]
                {
                    for (TKestrelForm* window : briefs_)
                        if (window->FilePath() == Local(path))
                            return area_->setActiveSubWindow(SubWindowOf(*window));
                    OpenBrief(Local(path));
                });
        fileMenu_->insertAction(before, action);
        recentActions_.push_back(action);
    }
}

QList<QAction*> TMDIFrame::RecentActions() const
{
    return QList<QAction*>(recentActions_.begin(), recentActions_.end());
}

void TMDIFrame::UpdateCommands()
{
    // While a bookmarks window is active no brief is current.
    TKestrelForm* current = ActiveBookmarks() ? nullptr : CurrentBrief();
    const bool open = current != nullptr;
    const bool editable = open && !current->Brief().Retrieving;
    const bool entries = open && current->Brief().Entries.Count() > 0;
    const bool selection = open && current->HasSelection();
    const auto enable = [this](const char* name, bool on) { Action(QString::fromLatin1(name))->setEnabled(on); };
    for (const char* name : {"SaveAs", "CloseBrief", "ViewLastBrief", "ViewCumulativeBrief"})
        enable(name, open);
    for (const char* name : {"AddWebEntry", "AddSearchEntry", "AddYahooEntry"})
        enable(name, editable);
    enable("Cut", editable && selection);
    enable("DeleteEntry", editable && selection);
    enable("Copy", selection);
    enable("Paste", editable && current->CanPaste());
    enable("EntrySetup", entries);
    enable("SortEntries", editable && entries);
    enable("GenerateBrief", editable);
    enable("BriefSetup", open);
    enable("SetTimers", open);
    UpdateDesktopCommands();
}

void TMDIFrame::BriefSetupClick(bool timers)
{
    TKestrelForm* window = CurrentBrief();
    if (!window)
        return;
    BriefOptionsHooks hooks;
    hooks.headerChanged = [window] { window->Refresh(); };
    TBriefOpts dialog(window->Brief(), std::move(hooks), this);
    dialog.Open(timers ? BriefOptionsPage::RetrievalTime : BriefOptionsPage::Properties);
    window->Refresh();
    UpdateCommands();
}

void TMDIFrame::PreferencesClick(int page, int prompt)
{
    PreferencesOptions options;
    const std::unique_ptr<DialUpConnections> connections = DialUpList();
    options.connections = connections.get();
    options.applied = [this](const ClientSettings& applied)
    {
        SharedClientSettings::Instance().Replace(applied);
        RetrievalSettings retrieval;
        FillRetrievalSettings(applied, retrieval);
        retrieval.ProgramFolder = Local(services_.DataFolder);
        engine_->SetSettings(retrieval);
    };
    TKSPrefs dialog(*store_, settings_, std::move(options), this);
    dialog.Open(static_cast<PreferencesPage>(page), static_cast<PreferencesPrompt>(prompt));
}

TKestrelForm* TMDIFrame::CurrentBrief() const
{
    QMdiSubWindow* active = area_->activeSubWindow();
    if (!active)
        active = area_->currentSubWindow();
    for (TKestrelForm* window : briefs_)
        if (active && active->widget() == window)
            return window;
    return briefs_.empty() ? nullptr : briefs_.back();
}

int TMDIFrame::WindowNumber(const TKestrelForm& window) const
{
    for (std::size_t i = 0; i < briefs_.size(); ++i)
        if (briefs_[i] == &window)
            return int(i) + 1;
    return 0;
}

TKestrelForm* TMDIFrame::WindowOf(const TBrief& brief) const
{
    for (TKestrelForm* window : briefs_)
        if (&window->Brief() == &brief)
            return window;
    return nullptr;
}

QMdiSubWindow* TMDIFrame::SubWindowOf(const TKestrelForm& window) const
{
    return qobject_cast<QMdiSubWindow*>(window.parentWidget());
}

TKestrelForm* TMDIFrame::AddBriefWindow(const WindowPlacement* placement)
{
    auto* window = new TKestrelForm(clipboard_, &settings_.EntryDefaults);
    QMdiSubWindow* sub = area_->addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->installEventFilter(this);
    connect(window, &TKestrelForm::SelectionChanged, this, [this] { UpdateCommands(); });
    connect(window, &TKestrelForm::BriefModified, this, [this] { UpdateCommands(); });
    connect(window, &TKestrelForm::SavePathNeeded, this, [this, window] { SaveAs(*window); });
    window->SetBookmarkReader([](const QMimeData& data) { return BookmarksFromMimeData(data); });
    window->SetEntrySetup(
        [this](TKestrelForm& form, const std::vector<int>& selected, bool newEntry)
        {
            const EntrySetupEnvironment environment{store_.get(), definitions_.get(), services_.DataFolder,
                                                    services_.SettingsPath};
            return RunEntrySetup(&form, form.Brief(), selected, newEntry, settings_, environment);
        });
    briefs_.push_back(window);
    sub->resize(460, 300);
    sub->show();
    if (placement)
        Place(*sub, *placement);
    area_->setActiveSubWindow(sub);
    return window;
}

void TMDIFrame::RemoveBriefWindow(TKestrelForm& window)
{
    std::erase(briefs_, &window);
    UpdateCommands();
}

TKestrelForm* TMDIFrame::OpenBrief(const QString& path, const WindowPlacement* placement)
{
    for (TKestrelForm* open : briefs_)
        if (open->FilePath() == path)
        {
            ShowMessage(this, BriefAlreadyOpen, MessageIcon::Information);
            return nullptr;
        }
    TKestrelForm* window = AddBriefWindow(placement);
    if (!window->OpenFile(path))
    {
        QMdiSubWindow* sub = SubWindowOf(*window);
        RemoveBriefWindow(*window);
        sub->removeEventFilter(this);
        sub->close();
        return nullptr;
    }
    recent_.Push(Local(path));
    UpdateRecentMenu();
    UpdateCommands();
    return window;
}

void TMDIFrame::OpenHandedOver(const QStringList& paths)
{
    for (const QString& path : paths)
        OpenBrief(path);
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

QString TMDIFrame::BriefsFolder() const
{
    const QDir data(services_.DataFolder);
    for (const char* name : {"briefs", "Briefs"})
        if (data.exists(QString::fromLatin1(name)) && QFileInfo(data.filePath(QString::fromLatin1(name))).isWritable())
            return data.filePath(QString::fromLatin1(name));
    return QFileInfo(data.path()).isWritable() ? data.path() : QDir::homePath();
}

QString TMDIFrame::AskSavePath(const QString& title)
{
    if (!services_.AskSavePath)
        return {};
    for (;;)
    {
        QString path = services_.AskSavePath(title, BriefsFolder());
        if (path.isEmpty())
            return {};
        if (QFileInfo(path).suffix().isEmpty())
            path += QStringLiteral(".brf");
        if (!QFileInfo::exists(path) ||
            ShowMessage(this, FileAlreadyExists, MessageIcon::Question, MessageButtons::YesNo) == MessageAnswer::Yes)
            return path;
    }
}

void TMDIFrame::NewBriefClick()
{
    const QString path = AskSavePath(QStringLiteral("New Brief"));
    if (path.isEmpty())
        return;
    for (TKestrelForm* open : briefs_)
        if (open->FilePath() == path)
        {
            ShowMessage(this, BriefAlreadyOpen, MessageIcon::Information);
            return;
        }
    TKestrelForm* window = AddBriefWindow(nullptr);
    window->NewBrief(path);
    window->Save();
    recent_.Push(Local(path));
    UpdateRecentMenu();
    UpdateCommands();
}

void TMDIFrame::OpenBriefClick()
{
    if (!services_.AskOpenPath)
        return;
    const QString path = services_.AskOpenPath(BriefsFolder());
    if (!path.isEmpty())
        OpenBrief(path);
}

void TMDIFrame::SaveAsClick()
{
    if (TKestrelForm* window = CurrentBrief())
        SaveAs(*window);
}

void TMDIFrame::SaveAs(TKestrelForm& window)
{
    const QString path = AskSavePath(QStringLiteral("Save ") + window.FilePath() + QStringLiteral(" As"));
    if (path.isEmpty() || !window.SaveAs(path))
        return;
    recent_.Push(Local(path));
    UpdateRecentMenu();
}

bool TMDIFrame::CloseBrief(TKestrelForm& window)
{
    QMdiSubWindow* sub = SubWindowOf(window);
    return sub && sub->close();
}

bool TMDIFrame::eventFilter(QObject* watched, QEvent* event)
{
    auto* sub = qobject_cast<QMdiSubWindow*>(watched);
    if (!sub || event->type() != QEvent::Close)
        return QMainWindow::eventFilter(watched, event);
    auto* window = qobject_cast<TKestrelForm*>(sub->widget());
    if (!window || shuttingDown_)
        return false;
    if (window->Brief().Retrieving)
    {
        event->ignore();
        return true;
    }
    // The schedule check may be looking at this brief from inside a message
    // box of its own; the window closes once the check has finished.
    if (checkRunning_)
    {
        pendingCloses_.push_back(sub);
        event->ignore();
        return true;
    }
    RemoveBriefWindow(*window);
    return false;
}

void TMDIFrame::ScheduleTick()
{
    if (shuttingDown_ || closeWhenIdle_ || checkRunning_)
        return;
    std::vector<TBrief*> open;
    for (TKestrelForm* window : briefs_)
        if (!window->Brief().TemporaryPage)
            open.push_back(&window->Brief());
    checkRunning_ = true;
    scheduleCheck_->Check(open);
    checkRunning_ = false;
    for (const QPointer<QMdiSubWindow>& sub : std::exchange(pendingCloses_, {}))
        if (sub)
            sub->close();
}

void TMDIFrame::StartRun(TKestrelForm& window, bool scheduled, const std::string& targetName)
{
    TBrief& brief = window.Brief();
    if (brief.Retrieving)
        return;
    brief.Retrieving = true;
    brief.RunStartTime = std::chrono::system_clock::now();
    window.SetRetrieving(true);
    UpdateCommands();
    engine_->StartBrief(brief, targetName, scheduled);
}

void TMDIFrame::RunEnded()
{
    HangUpAfterRun();
    // A brief that could not join the run is free again as well.
    for (TKestrelForm* window : briefs_)
        if (window->Brief().Retrieving)
        {
            window->Brief().Retrieving = false;
            window->SetRetrieving(false);
        }
    UpdateCommands();
    if (closeWhenIdle_)
        close();
}

void TMDIFrame::GenerateBriefClick()
{
    if (TKestrelForm* window = CurrentBrief())
        StartRun(*window, false);
}

void TMDIFrame::ViewArchive(bool cumulative)
{
    TKestrelForm* window = CurrentBrief();
    if (!window || !services_.OpenAddress)
        return;
    const TBrief& brief = window->Brief();
    // During a run of the brief its newest archive is still being written.
    const std::size_t usable = brief.ArchiveFiles.size() - (brief.Retrieving && !brief.ArchiveFiles.empty() ? 1 : 0);
    if (usable == 0)
        return;
    std::string path = brief.Folder + brief.ArchiveFiles[usable - 1];
    if (!std::filesystem::exists(path))
        return;
    bool fragments = false;
    for (int i = 0; i < brief.Entries.Count(); ++i)
        fragments = fragments || !brief.Entries[i].SummaryFragments.empty();
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.ends_with("htm"))
        return services_.OpenAddress(QStringLiteral("file:///") + Local(path.starts_with('/') ? path.substr(1) : path));
    std::string address =
        "http://127.0.0.1:" + std::to_string(settings_.Servers.port) + "/" + (path.starts_with('/') ? path.substr(1) : path);
    address += cumulative && fragments ? "/cumulative" : "/";
    services_.OpenAddress(Local(address));
}

void TMDIFrame::ViewLastBriefClick()
{
    ViewArchive(false);
}

void TMDIFrame::ViewCumulativeBriefClick()
{
    ViewArchive(true);
}

void TMDIFrame::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!activated_)
        QTimer::singleShot(0, this, [this] { FormActivateFirst(); });
}

void TMDIFrame::FormActivateFirst()
{
    if (activated_)
        return;
    activated_ = true;
    StartupSettings startup;
    ReadFirstActivationSettings(*store_, startup);
    settings_.Startup.OpenBriefs = startup.OpenBriefs;
    settings_.Startup.ShowLog = startup.ShowLog;

    const WindowLayout& layout = startup.OpenBriefs;
    if (store_->Setting("Startup/Open Briefs"))
        Place(*this, layout.Main);
    bool storedOpened = false;
    for (const BriefWindowPlacement& stored : layout.Briefs)
        storedOpened = OpenBrief(Local(stored.Path), &stored.Placement) != nullptr || storedOpened;
    for (const QString& path : commandLineBriefs_)
        OpenBrief(path);

    if (startup.ShowLog && services_.MakeStatusLogWindow)
        statusLogWindow_ = services_.MakeStatusLogWindow(*this);

    if (startup.FirstStart)
    {
        const QDir samples(QDir(services_.DataFolder).filePath(QStringLiteral("Briefs")));
        bool all = true;
        for (const char* name : SampleBriefs)
            all = all && QFileInfo::exists(samples.filePath(QString::fromLatin1(name)));
        if (all && !storedOpened)
        {
            for (const char* name : SampleBriefs)
                OpenBrief(samples.filePath(QString::fromLatin1(name)));
            if (services_.ShowHelp)
                services_.ShowHelp(FirstStartHelpContext);
        }
        if (services_.FirstStartPrompts)
            services_.FirstStartPrompts(*this);
        WriteFirstStart(*store_, false);
    }
    // The recent briefs opened above come first; the stored ones follow.
    for (const std::string& path : startup.PreviousBriefs)
        recent_.Append(path);
    UpdateRecentMenu();
    UpdateCommands();
}

WindowLayout TMDIFrame::CurrentLayout() const
{
    WindowLayout layout;
    layout.Main = PlacementOf(*this);
    QList<QMdiSubWindow*> order = area_->subWindowList(QMdiArea::StackingOrder);
    std::reverse(order.begin(), order.end());
    for (QMdiSubWindow* sub : order)
        if (auto* window = qobject_cast<TKestrelForm*>(sub->widget());
            window && WindowNumber(*window) > 0 && !window->Brief().TemporaryPage)
            layout.Briefs.push_back({Local(window->FilePath()), PlacementOf(*sub)});
    return layout;
}

void TMDIFrame::closeEvent(QCloseEvent* event)
{
    if (engine_->RunActive())
    {
        if (services_.Beep)
            services_.Beep();
        event->ignore();
        return;
    }
    Shutdown();
    event->accept();
}

void TMDIFrame::CloseWhenIdle()
{
    closeWhenIdle_ = true;
    if (!engine_->RunActive())
        close();
}

void TMDIFrame::Shutdown()
{
    shuttingDown_ = true;
    timer_->stop();
    WriteOpenBriefs(*store_, CurrentLayout());
    WritePreviousBriefs(*store_, recent_.Paths());
    for (TKestrelForm* window : briefs_)
        if (QMdiSubWindow* sub = SubWindowOf(*window))
        {
            sub->removeEventFilter(this);
            sub->close();
        }
    briefs_.clear();
    if (services_.MakeStatusLogWindow)
        WriteShowLog(*store_, statusLogWindow_ && statusLogWindow_->isVisible());
    if (settings_.Servers.closeServer && services_.ShutdownServer)
        services_.ShutdownServer();
}

} // namespace rv
