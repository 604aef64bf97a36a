// TDialerWindow: the small window that shows a dial attempt ("Ravelin Pro
// Dialer"), always on top near the bottom right corner of the screen, with
// the attempt's status and a Cancel button that ends the attempts.
//
// Main thread only.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace rv
{

class TDialerWindow : public QWidget
{
    Q_OBJECT

public:
    explicit TDialerWindow(QWidget* parent = nullptr);

    void SetStatus(const QString& status);
    QString Status() const;
    QPushButton* CancelButton() const { return cancel_; }

signals:
    void cancelled();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* status_;
    QPushButton* cancel_;
};

} // namespace rv
