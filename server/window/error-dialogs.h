// The server's two message boxes: TErrorDlg (a title and a sentence, OK, an
// error icon) and TErrorCheckDlg (a title and a question, "&Yes" as the
// default and "&No", a question icon). Both are modal and centred over their
// parent window.
#pragma once

#include "widgets/message-box.h"

namespace rv
{

class TErrorDlg : public MessageBox
{
public:
    TErrorDlg(const QString& title, const QString& text, QWidget* parent = nullptr)
        : MessageBox(title, text, MessageIcon::Error, MessageButtons::Ok, parent)
    {
    }

    QPushButton* OkButton() const { return Button(MessageAnswer::Ok); }
};

class TErrorCheckDlg : public MessageBox
{
public:
    TErrorCheckDlg(const QString& title, const QString& question, QWidget* parent = nullptr)
        : MessageBox(title, question, MessageIcon::Question, MessageButtons::YesNo, parent)
    {
    }

    QString Question() const { return Text(); }
    QPushButton* YesButton() const { return Button(MessageAnswer::Yes); }
    QPushButton* NoButton() const { return Button(MessageAnswer::No); }
};

} // namespace rv
