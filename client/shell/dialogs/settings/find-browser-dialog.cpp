#include "client/shell/dialogs/settings/find-browser-dialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace rv
{

FindBrowserDialog::FindBrowserDialog(std::vector<DesktopBrowser> browsers, const QString& current, QWidget* parent)
    : QDialog(parent), browsers_(std::move(browsers))
{
    setObjectName(QStringLiteral("FindBrowser"));
    setWindowTitle(QStringLiteral("Find Browser"));
    chooseFile = [](QWidget* owner)
    { return QFileDialog::getOpenFileName(owner, QStringLiteral("Find Browser"), QStringLiteral("/usr/bin")); };

    list_ = new QListWidget;
    list_->setObjectName(QStringLiteral("BrowserList"));
    for (const DesktopBrowser& browser : browsers_)
    {
        QString text = browser.Name + QStringLiteral(" (") + browser.Program + QStringLiteral(")");
        if (browser.IsDefault)
            text += QStringLiteral(", the desktop's default");
        list_->addItem(text);
        if (browser.Program == current || (current.isEmpty() && browser.IsDefault))
            list_->setCurrentRow(list_->count() - 1);
    }
    if (list_->currentRow() < 0 && list_->count() > 0)
        list_->setCurrentRow(0);
    auto* label = new QLabel(list_->count() > 0 ? QStringLiteral("&Browsers on this desktop:")
                                                : QStringLiteral("&No browser is installed for this desktop."));
    label->setBuddy(list_);
    connect(list_, &QListWidget::itemActivated, this, &FindBrowserDialog::accept);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* other = buttons->addButton(QStringLiteral("&Other File..."), QDialogButtonBox::ActionRole);
    other->setObjectName(QStringLiteral("OtherFileButton"));
    connect(other, &QPushButton::clicked, this, &FindBrowserDialog::OtherFileClick);
    connect(buttons, &QDialogButtonBox::accepted, this, &FindBrowserDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FindBrowserDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(list_, 1);
    layout->addWidget(buttons);
    resize(520, 300);
}

void FindBrowserDialog::accept()
{
    const int row = list_->currentRow();
    if (row < 0 || std::size_t(row) >= browsers_.size())
        return;
    program_ = browsers_[std::size_t(row)].Program;
    QDialog::accept();
}

void FindBrowserDialog::OtherFileClick()
{
    const QString file = chooseFile(this);
    if (file.isEmpty())
        return;
    program_ = file;
    QDialog::accept();
}

} // namespace rv
