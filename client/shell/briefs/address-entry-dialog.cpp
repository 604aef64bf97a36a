#include "client/shell/briefs/address-entry-dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

namespace rv
{
namespace
{

QString Latin1(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

AddressEntryDialog::AddressEntryDialog(TWebList& list, std::vector<int> selected, QWidget* parent)
    : QDialog(parent), list_(list), selected_(std::move(selected))
{
    setWindowTitle(QStringLiteral("Entry Setup"));
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("EntryNameEdit"));
    address_ = new QLineEdit(this);
    address_->setObjectName(QStringLiteral("EntryAddressEdit"));
    address_->setMinimumWidth(360);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Name:"), name_);
    form->addRow(QStringLiteral("&Address:"), address_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    const bool single = selected_.size() == 1 && list_.IsValid(selected_.front());
    name_->setEnabled(single);
    address_->setEnabled(single && list_[selected_.front()].Kind == EntryKind::Web);
    if (single)
    {
        const TWebPage& entry = list_[selected_.front()];
        if (entry.NameSet || entry.Kind == EntryKind::Search)
        {
            name_->setText(Latin1(entry.EntryName));
        }
        address_->setText(Latin1(entry.URL));
    }
}

void AddressEntryDialog::Apply()
{
    if (selected_.size() != 1 || !list_.IsValid(selected_.front()))
    {
        return;
    }
    TWebPage& entry = list_[selected_.front()];
    if (address_->isEnabled())
    {
        entry.URL = address_->text().trimmed().toLatin1().toStdString();
    }
    const std::string name = name_->text().toLatin1().toStdString();
    if (!name.empty())
    {
        entry.EntryName = name;
        entry.NameSet = true;
    }
    else if (entry.Kind == EntryKind::Yahoo)
    {
        entry.EntryName = NewEntryName(EntryKind::Yahoo);
    }
    else
    {
        entry.NameSet = false;
    }
}

bool RunAddressEntryDialog(QWidget* parent, TWebList& list, const std::vector<int>& selected)
{
    AddressEntryDialog dialog(list, selected, parent);
    if (dialog.exec() != QDialog::Accepted)
    {
        return false;
    }
    dialog.Apply();
    return true;
}

} // namespace rv
