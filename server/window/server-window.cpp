#include "server/window/server-window.h"

#include "server/browser-launcher.h"
#include "server/page-server.h"
#include "server/window/about-box.h"
#include "server/window/error-dialogs.h"
#include "widgets/help-opener.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QSessionManager>
#include <QSystemTrayIcon>
#include <QTimer>

namespace rv
{
namespace
{

// The program's icon: a small drawn badge, so that the tray never shows an
// empty square when no icon theme is installed.
QIcon ServerIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x1f, 0x4e, 0x9a));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(9, 7, 4, 18));
    painter.drawRect(QRectF(13, 7, 10, 4));
    painter.drawRect(QRectF(13, 15, 8, 4));
    painter.drawRect(QRectF(19, 19, 4, 6));
    painter.end();
    return QIcon(pixmap);
}

} // namespace

TForm1::TForm1(ServerWindowOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)), settings_(options_.settingsPath)
{
    setWindowTitle(QString::fromLatin1(ServerWindowCaption));
    setWindowIcon(ServerIcon());
    help_ = new HelpOpener(options_.serverDir, options_.settingsPath, this);
    askYesNo = [this](const QString& title, const QString& question) { return AskWithDialog(title, question); };
    BuildMenus();
    BuildCounters();
    if (options_.useTray.value_or(QSystemTrayIcon::isSystemTrayAvailable()))
        BuildTray();
    SetSwitches(settings_.Read());
#ifndef QT_NO_SESSIONMANAGER
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(gui, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { EndSession(); });
#endif
}

TForm1::~TForm1() = default;

void TForm1::BuildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    connect(file->addAction(QStringLiteral("&Open...")), &QAction::triggered, this, [this] { Open1Click(); });
    file->addSeparator();
    connect(file->addAction(QStringLiteral("&Exit")), &QAction::triggered, this, [this] { Exit1Click(); });

    optionsMenu_ = menuBar()->addMenu(QStringLiteral("&Options"));
    header_ = optionsMenu_->addAction(QStringLiteral("&Header/Footer"));
    warning_ = optionsMenu_->addAction(QStringLiteral("&Warning Pages"));
    shutdownWarningItem_ = optionsMenu_->addAction(QStringLiteral("&Shutdown Warning"));
    for (QAction* item : {header_, warning_, shutdownWarningItem_})
        item->setCheckable(true);
    connect(optionsMenu_, &QMenu::aboutToShow, this, [this] { DisplayClick(); });
    connect(header_, &QAction::triggered, this, [this] { HeaderClick(); });
    connect(warning_, &QAction::triggered, this, [this] { WarningClick(); });
    connect(shutdownWarningItem_, &QAction::triggered, this, [this] { ShutdownWarning1Click(); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    connect(help->addAction(QStringLiteral("&Contents")), &QAction::triggered, this, [this] { Contents1Click(); });
    connect(help->addAction(QStringLiteral("Ravelin &Server")), &QAction::triggered, this, [this] { Server1Click(); });
    help->addSeparator();
    connect(help->addAction(QStringLiteral("&About...")), &QAction::triggered, this, [this] { About1Click(); });
}

void TForm1::BuildCounters()
{
    auto* panel = new QWidget(this);
    auto* layout = new QFormLayout(panel);
    filesServed_ = new QLabel(QStringLiteral("0"), panel);
    bytesServed_ = new QLabel(QStringLiteral("0"), panel);
    layout->addRow(QStringLiteral("Files Served:"), filesServed_);
    layout->addRow(QStringLiteral("Bytes Served:"), bytesServed_);
    setCentralWidget(panel);
    resize(280, 120);
}

void TForm1::BuildTray()
{
    trayMenu_ = new QMenu(this);
    connect(trayMenu_->addAction(QStringLiteral("&About...")), &QAction::triggered, this, [this] { About1Click(); });
    connect(trayMenu_->addAction(QStringLiteral("&Restore")), &QAction::triggered, this, [this] { Restore1Click(); });
    trayExit_ = trayMenu_->addAction(QStringLiteral("E&xit"));
    connect(trayExit_, &QAction::triggered, this, [this] { Close1Click(); });

    tray_ = new QSystemTrayIcon(windowIcon(), this);
    tray_->setToolTip(QString::fromLatin1(ServerWindowCaption));
    tray_->setContextMenu(trayMenu_);
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason)
            {
                if (reason != QSystemTrayIcon::DoubleClick)
                    return;
                if (isVisible())
                    hide();
                else
                    Restore1Click();
            });
}

void TForm1::AttachServer(PageServer* server)
{
    server_ = server;
    UpdateInfo();
}

void TForm1::FormShowFirst()
{
    if (tray_)
        tray_->show();
    else
        showMinimized();
}

void TForm1::ShowError(const QString& title, const QString& text)
{
    TErrorDlg dialog(title, text, this);
    dialog.exec();
}

void TForm1::ShutdownRequested()
{
    shutdownRequested_ = true;
    if (question_)
        question_->reject(); // the client's command wins over the open question
    else
        close();
}

void TForm1::EndSession()
{
    ShutdownRequested();
}

QString TForm1::FilesServedText() const
{
    return filesServed_->text();
}

QString TForm1::BytesServedText() const
{
    return bytesServed_->text();
}

void TForm1::UpdateInfo()
{
    filesServed_->setText(QString::number(server_ ? server_->FilesServed() : 0));
    bytesServed_->setText(QString::number(server_ ? server_->BytesServed() : 0));
}

void TForm1::SetSwitches(const ServerSettings& settings)
{
    displayHeader_ = settings.displayHeader;
    displayWarning_ = settings.displayWarning;
    shutdownWarning_ = settings.shutdownWarning;
    header_->setChecked(displayHeader_);
    warning_->setChecked(displayWarning_);
    shutdownWarningItem_->setChecked(shutdownWarning_);
}

void TForm1::DisplayClick()
{
    SetSwitches(settings_.Read());
}

// QAction toggles its own check mark before it reports the click.
void TForm1::HeaderClick()
{
    SaveSettings();
}

void TForm1::WarningClick()
{
    SaveSettings();
}

void TForm1::ShutdownWarning1Click()
{
    SaveSettings();
}

void TForm1::SaveSettings()
{
    ServerSettings settings = settings_.Read();
    settings.displayHeader = header_->isChecked();
    settings.displayWarning = warning_->isChecked();
    settings.shutdownWarning = shutdownWarningItem_->isChecked();
    settings_.SaveSwitches(settings);
    displayHeader_ = settings.displayHeader;
    displayWarning_ = settings.displayWarning;
    shutdownWarning_ = settings.shutdownWarning;
}

QString TForm1::OpenDialogFolder() const
{
    if (!lastOpenFolder_.isEmpty())
        return lastOpenFolder_;
    const QString briefs = QDir(options_.serverDir).filePath(QStringLiteral("briefs"));
    return QFileInfo(briefs).isDir() ? briefs : options_.serverDir;
}

void TForm1::Open1Click()
{
    QFileDialog dialog(this, QString::fromLatin1(OpenArchiveTitle), OpenDialogFolder(),
                       QStringLiteral("Archive (*.RVD *.rvd)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    lastOpenFolder_ = dialog.directory().absolutePath();
    OpenArchive(dialog.selectedFiles().front());
}

void TForm1::OpenArchive(const QString& path)
{
    const int port = server_ ? server_->Port() : settings_.Read().port;
    QString name = path;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (DoBrowserLoad(ServerUrlFor(port, {name}), options_.settingsPath) == BrowserLoad::NotSet)
        ShowError(QString::fromLatin1(BrowserNotSetTitle), QString::fromLatin1(BrowserNotSetText));
}

void TForm1::DoMinimize()
{
    hide();
}

void TForm1::Restore1Click()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TForm1::About1Click()
{
    TRVServerAboutBox about(this);
    about.exec();
}

void TForm1::Contents1Click()
{
    help_->OpenContents();
}

void TForm1::Server1Click()
{
    help_->OpenContext(ServerHelpContext);
}

void TForm1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // With a tray icon a minimised window leaves the task bar: the icon brings it back.
    if (event->type() == QEvent::WindowStateChange && tray_ && isMinimized())
        QTimer::singleShot(0, this, [this] { DoMinimize(); });
}

bool TForm1::AskWithDialog(const QString& title, const QString& question)
{
    TErrorCheckDlg dialog(title, question, isVisible() ? this : nullptr);
    question_ = &dialog;
    dialog.exec();
    const bool yes = dialog.Answer() == MessageAnswer::Yes;
    question_ = nullptr;
    return yes;
}

bool TForm1::FormCloseQuery()
{
    if (asking_)
        return false; // the question is on screen already
    if (!shutdownWarning_ || shutdownRequested_)
        return true;
    asking_ = true;
    if (trayExit_)
        trayExit_->setEnabled(false);
    const bool yes = askYesNo(QString::fromLatin1(CloseQuestionTitle), QString::fromLatin1(CloseQuestionText));
    asking_ = false;
    if (trayExit_)
        trayExit_->setEnabled(true);
    return yes || shutdownRequested_;
}

void TForm1::FormClose()
{
    if (tray_)
        tray_->hide();
    if (server_)
        server_->StopListening();
    if (onClosed)
    {
        auto closed = std::move(onClosed);
        onClosed = nullptr;
        closed();
    }
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery())
    {
        event->ignore();
        return;
    }
    event->accept();
    FormClose();
}

} // namespace rv
