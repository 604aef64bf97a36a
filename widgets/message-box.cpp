#include "widgets/message-box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace rv
{
namespace
{

QStyle::StandardPixmap PixmapOf(MessageIcon icon)
{
    switch (icon)
    {
    case MessageIcon::Error:
        return QStyle::SP_MessageBoxCritical;
    case MessageIcon::Warning:
        return QStyle::SP_MessageBoxWarning;
    case MessageIcon::Question:
        return QStyle::SP_MessageBoxQuestion;
    case MessageIcon::Information:
        break;
    }
    return QStyle::SP_MessageBoxInformation;
}

std::vector<MessageAnswer> AnswersOf(MessageButtons buttons)
{
    switch (buttons)
    {
    case MessageButtons::Ok:
        return {MessageAnswer::Ok};
    case MessageButtons::OkCancel:
        return {MessageAnswer::Ok, MessageAnswer::Cancel};
    case MessageButtons::YesNo:
        return {MessageAnswer::Yes, MessageAnswer::No};
    case MessageButtons::YesNoCancel:
        break;
    }
    return {MessageAnswer::Yes, MessageAnswer::No, MessageAnswer::Cancel};
}

QString LabelOf(MessageAnswer answer)
{
    switch (answer)
    {
    case MessageAnswer::Ok:
        return QStringLiteral("OK");
    case MessageAnswer::Cancel:
        return QStringLiteral("Cancel");
    case MessageAnswer::Yes:
        return QStringLiteral("&Yes");
    case MessageAnswer::No:
        break;
    }
    return QStringLiteral("&No");
}

} // namespace

MessageBox::MessageBox(const QString& caption, const QString& text, MessageIcon icon, MessageButtons buttons, QWidget* parent)
    : QDialog(parent), icon_(icon), answer_(AnswersOf(buttons).back())
{
    setWindowTitle(caption);
    setModal(true);
    auto* iconLabel = new QLabel(this);
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    iconLabel->setPixmap(style()->standardIcon(PixmapOf(icon), nullptr, this).pixmap(size, size));
    iconLabel->setAlignment(Qt::AlignTop);
    text_ = new QLabel(text, this);
    text_->setWordWrap(true);
    text_->setTextFormat(Qt::PlainText);
    text_->setMinimumWidth(320);

    // An icon beside the text, the buttons below, right-aligned.
    auto* top = new QHBoxLayout;
    top->addWidget(iconLabel);
    top->addWidget(text_, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (MessageAnswer answer : AnswersOf(buttons))
    {
        auto* button = new QPushButton(LabelOf(answer), this);
        connect(button, &QPushButton::clicked, this, [this, answer] { Choose(answer); });
        row->addWidget(button);
        buttons_.emplace_back(answer, button);
    }
    buttons_.front().second->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(row);
}

MessageBox::MessageBox(const UserMessage& message, MessageIcon icon, MessageButtons buttons, QWidget* parent)
    : MessageBox(QString::fromLatin1(message.Caption), QString::fromLatin1(message.Text), icon, buttons, parent)
{
}

QString MessageBox::Text() const
{
    return text_->text();
}

QPushButton* MessageBox::Button(MessageAnswer answer) const
{
    for (const auto& [given, button] : buttons_)
        if (given == answer)
            return button;
    return nullptr;
}

void MessageBox::Choose(MessageAnswer answer)
{
    answer_ = answer;
    emit answered(answer);
    if (answer == MessageAnswer::Ok || answer == MessageAnswer::Yes)
        accept();
    else
        reject();
}

MessageAnswer ShowMessage(QWidget* parent, const UserMessage& message, MessageIcon icon, MessageButtons buttons)
{
    MessageBox box(message, icon, buttons, parent);
    box.exec();
    return box.Answer();
}

MessageAnswer ShowMessage(QWidget* parent, const QString& caption, const QString& text, MessageIcon icon,
                          MessageButtons buttons)
{
    MessageBox box(caption, text, icon, buttons, parent);
    box.exec();
    return box.Answer();
}

} // namespace rv
