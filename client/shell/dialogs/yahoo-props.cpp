#include "client/shell/dialogs/yahoo-props.h"

#include "client/pages/definition-set.h"
#include "client/shell/dialogs/help-contexts.h"
#include "client/shell/dialogs/se-props.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QShortcut>
#include <QTreeWidget>

namespace rv
{
namespace
{

// The four box pictures of the category tree.
QIcon BoxIcon(CategoryBoxImage image)
{
    QPixmap pixmap(14, 14);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const bool gray = image == CategoryBoxImage::Gray || image == CategoryBoxImage::GrayCheck;
    const bool check = image == CategoryBoxImage::Check || image == CategoryBoxImage::GrayCheck;
    painter.setPen(QColor(0x40, 0x40, 0x40));
    painter.setBrush(gray ? QColor(0xc0, 0xc0, 0xc0) : Qt::white);
    painter.drawRect(1, 1, 11, 11);
    if (check)
    {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::black, 2));
        painter.drawPolyline(QPolygonF({QPointF(3.5, 7), QPointF(6, 9.5), QPointF(10.5, 4)}));
    }
    painter.end();
    return QIcon(pixmap);
}

const QIcon& IconOf(CategoryBoxImage image)
{
    static const QIcon icons[] = {BoxIcon(CategoryBoxImage::Empty), BoxIcon(CategoryBoxImage::Check),
                                  BoxIcon(CategoryBoxImage::Gray), BoxIcon(CategoryBoxImage::GrayCheck)};
    return icons[static_cast<int>(image)];
}

void AddBoxes(QTreeWidgetItem* parent, const std::vector<CategoryBox>& boxes)
{
    for (const CategoryBox& box : boxes)
    {
        auto* item = new QTreeWidgetItem(parent, QStringList(DialogText(box.Name)));
        AddBoxes(item, box.Children);
    }
}

void MarkBoxes(QTreeWidgetItem* parent, const std::vector<CategoryBox>& boxes)
{
    for (int i = 0; i < parent->childCount() && i < static_cast<int>(boxes.size()); ++i)
    {
        const CategoryBox& box = boxes[static_cast<std::size_t>(i)];
        parent->child(i)->setIcon(0, IconOf(box.Image()));
        MarkBoxes(parent->child(i), box.Children);
    }
}

// A chosen category as the list shows it: its names; its address is the
// row's tool tip.
QListWidgetItem* CategoryRow(const std::string& category)
{
    const std::size_t tab = category.find('\t');
    QString names = DialogText(category.substr(0, tab));
    names.replace(QChar(7), QStringLiteral(" > "));
    auto* item = new QListWidgetItem(names);
    if (tab != std::string::npos)
        item->setToolTip(DialogText(category.substr(tab + 1)));
    return item;
}

constexpr int PropertyRole = Qt::UserRole;
constexpr int SubItemRole = Qt::UserRole + 1;

} // namespace

TYahooProps::TYahooProps(TWebList& list, ClientSettings& settings, EntrySetupEnvironment environment, bool readOnly,
                         QWidget* parent)
    : EntrySetupDialog(list, EntryKind::Yahoo, settings, std::move(environment), DirectoryEntryHelpContext, readOnly, parent)
{
    setWindowTitle(QStringLiteral("Yahoo! Entry Setup"));
    static const DefinitionSet none;
    const int focus = list_.IsValid(list_.Focus()) ? list_.Focus() : list_.SelectedPositions().front();
    choice_ = std::make_unique<DirectoryChoice>(environment_.definitions ? *environment_.definitions : none, list_[focus]);

    auto* page = new QWidget(this);
    auto* layout = new QGridLayout(page);

    auto* top = new QHBoxLayout;
    name_ = new QLineEdit(page);
    name_->setObjectName(QStringLiteral("EntryName"));
    auto* nameLabel = new QLabel(QStringLiteral("&Name:"), page);
    nameLabel->setBuddy(name_);
    search_ = new QCheckBox(QStringLiteral("&Search"), page);
    search_->setObjectName(QStringLiteral("SearchYahoo"));
    searchText_ = new QLineEdit(page);
    searchText_->setObjectName(QStringLiteral("YahooSearch"));
    auto* forLabel = new QLabel(QStringLiteral("for:"), page);
    forLabel->setBuddy(searchText_);
    top->addWidget(nameLabel);
    top->addWidget(name_, 1);
    top->addSpacing(16);
    top->addWidget(search_);
    top->addWidget(forLabel);
    top->addWidget(searchText_, 1);
    layout->addLayout(top, 0, 0, 1, 3);

    properties_ = new QTreeWidget(page);
    properties_->setObjectName(QStringLiteral("PropertiesList"));
    properties_->setHeaderHidden(true);
    categories_ = new QTreeWidget(page);
    categories_->setObjectName(QStringLiteral("CategoriesList"));
    categories_->setHeaderHidden(true);
    selected_ = new QListWidget(page);
    selected_->setObjectName(QStringLiteral("SelectedCategories"));
    engines_ = new QListWidget(page);
    engines_->setObjectName(QStringLiteral("YahooSearchEngines"));
    const std::pair<const char*, QWidget*> columns[] = {{"Select Directory and Main Topic:", properties_},
                                                        {"Pick specific Categories:", categories_},
                                                        {"Selected Categories:", selected_}};
    for (int column = 0; column < 3; ++column)
    {
        auto* label = new QLabel(QString::fromLatin1(columns[column].first), page);
        label->setBuddy(columns[column].second);
        layout->addWidget(label, 1, column);
        layout->addWidget(columns[column].second, 2, column, column == 0 ? 1 : 3, 1);
        columns[column].second->setMinimumWidth(240);
    }
    auto* enginesLabel = new QLabel(QStringLiteral("Select &Yahoo! Search Engines:"), page);
    enginesLabel->setBuddy(engines_);
    layout->addWidget(enginesLabel, 3, 0);
    layout->addWidget(engines_, 4, 0);
    layout->setRowStretch(2, 1);
    layout->setRowStretch(4, 1);

    if (single_)
    {
        const TWebPage& entry = list_[list_.SelectedPositions().front()];
        name_->setText(entry.NameSet ? DialogText(entry.EntryName) : QString());
    }
    name_->setEnabled(single_);
    search_->setChecked(shown_.SearchYahoo.value_or(false));
    searchText_->setText(DialogText(shown_.YahooSearch.value_or(std::string())));

    for (std::size_t p = 0; p < choice_->Properties().size(); ++p)
    {
        const DirectoryProperty& property = choice_->Properties()[p];
        auto* item = new QTreeWidgetItem(properties_, QStringList(DialogText(property.Name)));
        item->setData(0, PropertyRole, static_cast<qulonglong>(p));
        for (std::size_t s = 0; s < property.SubItems.size(); ++s)
        {
            if (property.SubItems[s].Name.empty())
                continue;
            auto* sub = new QTreeWidgetItem(item, QStringList(DialogText(property.SubItems[s].Name)));
            sub->setData(0, PropertyRole, static_cast<qulonglong>(p));
            sub->setData(0, SubItemRole, static_cast<qulonglong>(s));
        }
    }
    properties_->expandAll();
    connect(properties_, &QTreeWidget::currentItemChanged, this, [this] { PropertiesListChange(); });
    connect(categories_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { CategoriesListClick(item); });
    connect(categories_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) { CategoriesListClick(item); });
    auto* choose = new QShortcut(QKeySequence(Qt::Key_Space), categories_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(choose, &QShortcut::activated, this, [this] { CategoriesListClick(categories_->currentItem()); });
    auto* remove = new QShortcut(QKeySequence::Delete, selected_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, [this] { RemoveSelectedClick(); });
    connect(selected_, &QListWidget::itemActivated, this, [this] { RemoveSelectedClick(); });
    ShowSelected();

    ShowEngineRows(engines_, choice_->EngineRows());
    connect(engines_, &QListWidget::itemChanged, this,
            [this](QListWidgetItem* item)
            {
                const auto row = static_cast<std::size_t>(engines_->row(item));
                if (choice_->SetEngineChecked(row, item->checkState() == Qt::Checked))
                    enginesChanged_ = true;
            });

    AddOwnPage(page, QStringLiteral("Cate&gories"));
    tracker_.Track(name_);
    tracker_.Track(search_);
    tracker_.Track(searchText_);
    if (properties_->topLevelItemCount() > 0)
        properties_->setCurrentItem(properties_->topLevelItem(0));
    FinishSetup(single_ ? static_cast<QWidget*>(name_) : properties_);
}

TYahooProps::~TYahooProps() = default;

void TYahooProps::PropertiesListChange()
{
    categories_->clear();
    QTreeWidgetItem* item = properties_->currentItem();
    if (!item)
        return;
    const auto property = static_cast<std::size_t>(item->data(0, PropertyRole).toULongLong());
    std::optional<std::size_t> subItem;
    if (item->data(0, SubItemRole).isValid())
        subItem = static_cast<std::size_t>(item->data(0, SubItemRole).toULongLong());
    choice_->PropertiesListChange(property, subItem);
    AddBoxes(categories_->invisibleRootItem(), choice_->Categories());
    ShowMarks();
}

void TYahooProps::CategoriesListClick(QTreeWidgetItem* item)
{
    if (!item || readOnly_)
        return;
    std::vector<std::size_t> path;
    for (QTreeWidgetItem* at = item; at; at = at->parent())
    {
        QTreeWidgetItem* parent = at->parent() ? at->parent() : categories_->invisibleRootItem();
        path.insert(path.begin(), static_cast<std::size_t>(parent->indexOfChild(at)));
    }
    if (!choice_->CategoriesListClick(path))
        return;
    categoriesChanged_ = true;
    ShowMarks();
    ShowSelected();
}

void TYahooProps::RemoveSelectedClick()
{
    const int row = selected_->currentRow();
    if (row < 0 || readOnly_ || !choice_->RemoveSelected(static_cast<std::size_t>(row)))
        return;
    categoriesChanged_ = true;
    ShowMarks();
    ShowSelected();
    selected_->setCurrentRow(std::min(row, selected_->count() - 1));
}

void TYahooProps::ShowMarks()
{
    MarkBoxes(categories_->invisibleRootItem(), choice_->Categories());
}

void TYahooProps::ShowSelected()
{
    selected_->clear();
    for (const std::string& category : choice_->SelectedCategories())
        selected_->addItem(CategoryRow(category));
}

void TYahooProps::CollectOwnChanges(EntrySetupFields& changed) const
{
    if (single_ && tracker_.Changed(name_))
        changed.EntryName = DialogBytes(name_->text());
    if (tracker_.Changed(search_))
        changed.SearchYahoo = search_->isChecked();
    if (tracker_.Changed(searchText_))
        changed.YahooSearch = DialogBytes(searchText_->text());
}

void TYahooProps::ApplyOwnChanges()
{
    const std::string categories = choice_->SetYahooList();
    const PackedList engines = choice_->SetYahooEngineList();
    for (const int position : WritablePositions())
    {
        if (categoriesChanged_)
            list_[position].CategoryList = categories;
        if (enginesChanged_)
        {
            list_[position].EngineList = engines.Bytes;
            list_[position].EngineListLength = engines.Length;
        }
    }
}

std::vector<QWidget*> TYahooProps::OwnControls() const
{
    return {name_, search_, searchText_, categories_, selected_, engines_};
}

} // namespace rv
