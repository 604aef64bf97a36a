#include "server/error-dialogs.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace rv
{
namespace
{

// Lays out an icon beside the text, and the buttons below, right-aligned.
QLabel* BuildBox(QDialog& dialog, const QString& title, const QString& text, QStyle::StandardPixmap icon,
                 std::initializer_list<QPushButton*> buttons)
{
    dialog.setWindowTitle(title);
    dialog.setModal(true);
    auto* iconLabel = new QLabel(&dialog);
    const int size = dialog.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &dialog);
    iconLabel->setPixmap(dialog.style()->standardIcon(icon, nullptr, &dialog).pixmap(size, size));
    iconLabel->setAlignment(Qt::AlignTop);
    auto* textLabel = new QLabel(text, &dialog);
    textLabel->setWordWrap(true);
    textLabel->setTextFormat(Qt::PlainText);
    textLabel->setMinimumWidth(320);

    auto* top = new QHBoxLayout;
    top->addWidget(iconLabel);
    top->addWidget(textLabel, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (QPushButton* button : buttons)
        row->addWidget(button);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(top);
    layout->addLayout(row);
    return textLabel;
}

} // namespace

TErrorDlg::TErrorDlg(const QString& title, const QString& text, QWidget* parent) : QDialog(parent)
{
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    text_ = BuildBox(*this, title, text, QStyle::SP_MessageBoxCritical, {ok_});
}

QString TErrorDlg::Text() const
{
    return text_->text();
}

TErrorCheckDlg::TErrorCheckDlg(const QString& title, const QString& question, QWidget* parent) : QDialog(parent)
{
    yes_ = new QPushButton(QStringLiteral("&Yes"), this);
    no_ = new QPushButton(QStringLiteral("&No"), this);
    yes_->setDefault(true);
    connect(yes_, &QPushButton::clicked, this, &QDialog::accept);
    connect(no_, &QPushButton::clicked, this, &QDialog::reject);
    question_ = BuildBox(*this, title, question, QStyle::SP_MessageBoxQuestion, {yes_, no_});
}

QString TErrorCheckDlg::Question() const
{
    return question_->text();
}

void ShowErrorDialog(QWidget* parent, const QString& title, const QString& text)
{
    TErrorDlg dialog(title, text, parent);
    dialog.exec();
}

} // namespace rv
