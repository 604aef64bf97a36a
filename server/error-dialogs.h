// The server's two message boxes: TErrorDlg (a title and a sentence, OK, an
// error icon) and TErrorCheckDlg (a title and a question, "&Yes" as the
// default and "&No", a question icon). Both are modal and centred over their
// parent window.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace rv
{

class TErrorDlg : public QDialog
{
public:
    TErrorDlg(const QString& title, const QString& text, QWidget* parent = nullptr);

    QString Text() const;
    QPushButton* OkButton() const { return ok_; }

private:
    QLabel* text_ = nullptr;
    QPushButton* ok_ = nullptr;
};

class TErrorCheckDlg : public QDialog
{
public:
    TErrorCheckDlg(const QString& title, const QString& question, QWidget* parent = nullptr);

    QString Question() const;
    QPushButton* YesButton() const { return yes_; }
    QPushButton* NoButton() const { return no_; }

private:
    QLabel* question_ = nullptr;
    QPushButton* yes_ = nullptr;
    QPushButton* no_ = nullptr;
};

// Shows the error box and waits until it is closed.
void ShowErrorDialog(QWidget* parent, const QString& title, const QString& text);

} // namespace rv
