// MessageBox: the programs' modal message box. A caption and a text (the
// system's own, often a UserMessage of the brief layer), the icon and the
// buttons the caller asks for; the first button is the default. Texts are
// shown as plain text, never as rich text.
//
// Threads: the GUI thread only.
#pragma once

#include "client/briefs/user-message.h"

#include <QDialog>
#include <QString>
#include <vector>

class QLabel;
class QPushButton;

namespace rv
{

enum class MessageIcon
{
    Error,
    Warning,
    Question,
    Information,
};

enum class MessageButtons
{
    Ok,          // "OK"
    OkCancel,    // "OK", "Cancel"
    YesNo,       // "&Yes", "&No"
    YesNoCancel, // "&Yes", "&No", "Cancel"
};

enum class MessageAnswer
{
    Ok,
    Cancel,
    Yes,
    No,
};

class MessageBox : public QDialog
{
    Q_OBJECT

public:
    MessageBox(const QString& caption, const QString& text, MessageIcon icon, MessageButtons buttons,
               QWidget* parent = nullptr);
    // The brief layer's texts are Latin-1 bytes.
    MessageBox(const UserMessage& message, MessageIcon icon, MessageButtons buttons, QWidget* parent = nullptr);

    QString Text() const;
    MessageIcon Icon() const { return icon_; }
    // The button that gives the answer; nullptr when the box has none.
    QPushButton* Button(MessageAnswer answer) const;
    // The button clicked; a box closed otherwise (Escape, the window's close
    // button, reject()) answers with its last button: "OK", "&No" or "Cancel".
    MessageAnswer Answer() const { return answer_; }

signals:
    // The user clicked one of the buttons; the box closes next.
    void answered(rv::MessageAnswer answer);

private:
    void Choose(MessageAnswer answer);

    MessageIcon icon_;
    MessageAnswer answer_;
    QLabel* text_ = nullptr;
    std::vector<std::pair<MessageAnswer, QPushButton*>> buttons_;
};

// Shows the box over the parent and waits until it is closed.
MessageAnswer ShowMessage(QWidget* parent, const UserMessage& message, MessageIcon icon,
                          MessageButtons buttons = MessageButtons::Ok);
MessageAnswer ShowMessage(QWidget* parent, const QString& caption, const QString& text, MessageIcon icon,
                          MessageButtons buttons = MessageButtons::Ok);

} // namespace rv
