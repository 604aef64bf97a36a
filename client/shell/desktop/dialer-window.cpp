#include "client/shell/desktop/dialer-window.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace rv
{

namespace
{

// The window keeps this far from the screen's bottom right corner.
constexpr int CornerGap = 50;

} // namespace

TDialerWindow::TDialerWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), status_(new QLabel(QStringLiteral("Initializing..."), this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("DialerWindow"));
    setWindowTitle(QStringLiteral("Ravelin Pro Dialer"));
    status_->setObjectName(QStringLiteral("DialStatus"));
    status_->setWordWrap(true);
    status_->setMinimumWidth(280);
    cancel_->setObjectName(QStringLiteral("CancelButton"));
    connect(cancel_, &QPushButton::clicked, this, &TDialerWindow::cancelled);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(cancel_, 0, Qt::AlignRight);
}

void TDialerWindow::SetStatus(const QString& status)
{
    status_->setText(status);
}

QString TDialerWindow::Status() const
{
    return status_->text();
}

void TDialerWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (const QScreen* screen = this->screen())
    {
        const QRect area = screen->availableGeometry();
        move(area.right() - CornerGap - frameGeometry().width(), area.bottom() - CornerGap - frameGeometry().height());
    }
}

} // namespace rv
