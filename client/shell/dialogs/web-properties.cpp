#include "client/shell/dialogs/web-properties.h"

#include "client/shell/dialogs/help-contexts.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace rv
{

TWebProperties::TWebProperties(TWebList& list, ClientSettings& settings, EntrySetupEnvironment environment, bool readOnly,
                               QWidget* parent)
    : EntrySetupDialog(list, EntryKind::Web, settings, std::move(environment), WebEntryHelpContext, readOnly, parent)
{
    setWindowTitle(QStringLiteral("Web Page Properties"));
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    name_ = new QLineEdit(page);
    name_->setObjectName(QStringLiteral("EntryName"));
    url_ = new QLineEdit(page);
    url_->setObjectName(QStringLiteral("URL"));
    url_->setMinimumWidth(420);
    auto* nameLabel = new QLabel(QStringLiteral("&Name:"), page);
    nameLabel->setBuddy(name_);
    auto* urlLabel = new QLabel(QStringLiteral("&URL:"), page);
    urlLabel->setBuddy(url_);
    form->addRow(nameLabel, name_);
    form->addRow(urlLabel, url_);
    if (single_)
    {
        const TWebPage& entry = list_[list_.SelectedPositions().front()];
        // An unnamed entry shows an empty name: typing one names it.
        name_->setText(entry.NameSet ? DialogText(entry.EntryName) : QString());
        url_->setText(DialogText(entry.URL));
    }
    name_->setEnabled(single_);
    url_->setEnabled(single_);
    AddOwnPage(page, QStringLiteral("&General"));
    tracker_.Track(name_);
    tracker_.Track(url_);
    FinishSetup(single_ ? static_cast<QWidget*>(url_) : nullptr);
}

void TWebProperties::CollectOwnChanges(EntrySetupFields& changed) const
{
    if (!single_)
        return;
    if (tracker_.Changed(name_))
        changed.EntryName = DialogBytes(name_->text());
    if (tracker_.Changed(url_))
        changed.URL = DialogBytes(url_->text());
}

std::vector<QWidget*> TWebProperties::OwnControls() const
{
    return {name_, url_};
}

} // namespace rv
