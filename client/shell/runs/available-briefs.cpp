#include "client/shell/runs/available-briefs.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

namespace rv
{
namespace
{

// Distance from the right and bottom edges of the screen.
constexpr int EdgeGap = 50;

} // namespace

QString AvailableBriefsText(int count)
{
    if (count == 1)
        return QStringLiteral("1 new brief is available.");
    return QString::number(count) + QStringLiteral(" new briefs are available.");
}

TAvailableBriefs::TAvailableBriefs(QWidget* parent) : QDialog(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("AvailableBriefs"));
    setWindowTitle(QStringLiteral("Available Briefs"));
    auto* layout = new QVBoxLayout(this);
    text_ = new QLabel;
    text_->setObjectName(QStringLiteral("NoticeText"));
    text_->setTextFormat(Qt::PlainText);
    text_->setAlignment(Qt::AlignCenter);
    layout->addWidget(text_);
    auto* buttons = new QHBoxLayout;
    auto* log = new QPushButton(QStringLiteral("&Status Log"));
    log->setObjectName(QStringLiteral("StatusLogButton"));
    auto* close = new QPushButton(QStringLiteral("&Close"));
    close->setObjectName(QStringLiteral("CloseButton"));
    buttons->addWidget(log);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(log, &QPushButton::clicked, this, [this] { StatusLogClick(); });
    connect(close, &QPushButton::clicked, this, [this] { CloseClick(); });
    if (QSystemTrayIcon::isSystemTrayAvailable())
    {
        tray_ = new QSystemTrayIcon(QApplication::windowIcon(), this);
        connect(tray_, &QSystemTrayIcon::messageClicked, this, [this] { StatusLogClick(); });
    }
}

QString TAvailableBriefs::Text() const
{
    return text_->text();
}

void TAvailableBriefs::AddBriefs(int count)
{
    count_ += count;
    text_->setText(AvailableBriefsText(count_));
    adjustSize();
    Place();
    show();
    raise();
    if (tray_)
    {
        tray_->show();
        tray_->showMessage(windowTitle(), text_->text(), QSystemTrayIcon::Information);
    }
}

void TAvailableBriefs::Place()
{
    const QScreen* screen = QApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize size = frameGeometry().size();
    move(area.right() + 1 - EdgeGap - size.width(), area.bottom() + 1 - EdgeGap - size.height());
}

void TAvailableBriefs::StatusLogClick()
{
    count_ = 0;
    hide();
    if (tray_)
        tray_->hide();
    emit StatusLogWanted();
}

void TAvailableBriefs::CloseClick()
{
    count_ = 0;
    hide();
    if (tray_)
        tray_->hide();
}

} // namespace rv
