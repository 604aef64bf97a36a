#include "client/shell/dialogs/se-props.h"

#include "client/pages/definition-set.h"
#include "client/shell/dialogs/help-contexts.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

namespace rv
{

void ShowEngineRows(QListWidget* list, const std::vector<EngineRow>& rows)
{
    list->clear();
    for (const EngineRow& row : rows)
    {
        auto* item = new QListWidgetItem(DialogText(row.Text), list);
        if (row.Kind == EngineRowKind::Engine)
        {
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(row.Checked ? Qt::Checked : Qt::Unchecked);
        }
        else
        {
            item->setFlags(Qt::ItemIsEnabled);
            QFont font = item->font();
            font.setBold(true);
            item->setFont(font);
        }
    }
}

TSEProps::TSEProps(TWebList& list, ClientSettings& settings, EntrySetupEnvironment environment, bool readOnly, QWidget* parent)
    : EntrySetupDialog(list, EntryKind::Search, settings, std::move(environment), SearchEntryHelpContext, readOnly, parent)
{
    setWindowTitle(QStringLiteral("Search Engine Entry Setup"));
    static const DefinitionSet none;
    const int focus = list_.IsValid(list_.Focus()) ? list_.Focus() : list_.SelectedPositions().front();
    choice_ = std::make_unique<EngineChoiceList>(environment_.definitions ? *environment_.definitions : none,
                                                 list_[focus].EngineList);

    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* form = new QFormLayout;
    query_ = new QLineEdit(page);
    query_->setObjectName(QStringLiteral("Query"));
    query_->setMinimumWidth(360);
    auto* queryLabel = new QLabel(QStringLiteral("Query te&xt:"), page);
    queryLabel->setBuddy(query_);
    form->addRow(queryLabel, query_);
    layout->addLayout(form);
    auto* enginesLabel = new QLabel(QStringLiteral("Search &Engines:"), page);
    engines_ = new QListWidget(page);
    engines_->setObjectName(QStringLiteral("SearchEngines"));
    enginesLabel->setBuddy(engines_);
    layout->addWidget(enginesLabel);
    layout->addWidget(engines_, 1);
    searchYahoo_ = new QCheckBox(QStringLiteral("Search &Yahoo"), page);
    searchYahoo_->setObjectName(QStringLiteral("SearchYahoo"));
    layout->addWidget(searchYahoo_);

    if (single_)
    {
        const TWebPage& entry = list_[list_.SelectedPositions().front()];
        query_->setText(entry.NameSet ? DialogText(entry.EntryName) : QString());
    }
    query_->setEnabled(single_);
    searchYahoo_->setChecked(shown_.SearchYahoo.value_or(false));
    ShowEngineRows(engines_, choice_->Rows());
    connect(engines_, &QListWidget::itemChanged, this,
            [this](QListWidgetItem* item)
            {
                const auto row = static_cast<std::size_t>(engines_->row(item));
                if (choice_->SetChecked(row, item->checkState() == Qt::Checked))
                    enginesChanged_ = true;
            });

    AddOwnPage(page, QStringLiteral("&Query"));
    tracker_.Track(query_);
    tracker_.Track(searchYahoo_);
    FinishSetup(single_ ? static_cast<QWidget*>(query_) : engines_);
}

TSEProps::~TSEProps() = default;

void TSEProps::CollectOwnChanges(EntrySetupFields& changed) const
{
    if (single_ && tracker_.Changed(query_))
        changed.EntryName = DialogBytes(query_->text());
    if (tracker_.Changed(searchYahoo_))
        changed.SearchYahoo = searchYahoo_->isChecked();
}

void TSEProps::ApplyOwnChanges()
{
    if (!enginesChanged_)
        return;
    const PackedList packed = choice_->SetSearchEngineList();
    for (const int position : WritablePositions())
    {
        list_[position].EngineList = packed.Bytes;
        list_[position].EngineListLength = packed.Length;
    }
}

void TSEProps::FillOwnDefaults(EntryDefaults& record) const
{
    record.SearchYahoo = searchYahoo_->isChecked();
    record.SearchQuery = DialogBytes(query_->text());
    record.SearchEngineList = choice_->SetSearchEngineList().Bytes;
}

std::vector<QWidget*> TSEProps::OwnControls() const
{
    return {query_, engines_, searchYahoo_};
}

} // namespace rv
