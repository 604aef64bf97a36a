#include "client/shell/dialogs/exclusion-dialog.h"

#include "client/pages/exclusion-lines.h"
#include "client/shell/dialogs/entry-setup-dialog.h"
#include "client/shell/dialogs/exclusion-line-editor.h"
#include "client/shell/dialogs/help-contexts.h"
#include "widgets/help-opener.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>

namespace rv
{
namespace
{

constexpr int LineRole = Qt::UserRole;

std::string LineOf(const QListWidgetItem* item)
{
    return item->data(LineRole).toByteArray().toStdString();
}

bool Contains(const std::vector<std::string>& items, const std::string& item)
{
    return std::find(items.begin(), items.end(), item) != items.end();
}

} // namespace

std::vector<std::string> ExclusionDialogLines(const std::vector<std::string>& pool,
                                              const std::optional<std::vector<std::string>>& patterns)
{
    std::vector<std::string> lines;
    std::vector<std::string> seen;
    for (const std::string& line : pool)
    {
        if (line.empty() || Contains(seen, line.substr(1)))
            continue;
        seen.push_back(line.substr(1));
        const bool ticked = patterns && Contains(*patterns, line.substr(1));
        lines.push_back((ticked ? "1" : "0") + line.substr(1));
    }
    if (patterns)
        for (const std::string& pattern : *patterns)
            if (!Contains(seen, pattern))
            {
                seen.push_back(pattern);
                lines.push_back("1" + pattern);
            }
    return lines;
}

QString ExclusionLineCaption(const std::string& line)
{
    const ExclusionLineFields f = ReadExclusionLine(line);
    QString caption;
    if (!f.advanced)
    {
        const char* type = f.type == 'I' ? "Is" : f.type == 'S' ? "Starts With" : f.type == 'E' ? "Ends With" : "Contains";
        caption = QString::fromLatin1(type) + QStringLiteral(": ");
    }
    caption += DialogText(f.text);
    QStringList kinds;
    if (f.global)
        kinds << QStringLiteral("all kinds");
    else
    {
        const std::pair<bool, const char*> named[] = {{f.html, "HTML/Text"},  {f.images, "Images"}, {f.plugIns, "Plug-ins"},
                                                      {f.activeX, "ActiveX"}, {f.java, "Java"},     {f.other, "Other Files"}};
        for (const auto& [ticked, name] : named)
            if (ticked)
                kinds << QString::fromLatin1(name);
    }
    caption += QStringLiteral("   (") + (kinds.isEmpty() ? QStringLiteral("nothing") : kinds.join(QStringLiteral(", "))) +
               QStringLiteral(")");
    return caption;
}

TExclusion::TExclusion(const std::vector<std::string>& exclusionPool, const std::vector<std::string>& inclusionPool,
                       const std::optional<std::vector<std::string>>& exList,
                       const std::optional<std::vector<std::string>>& inList, const QString& programDir,
                       const QString& settingsPath, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Exclusion Lists"));
    help_ = new HelpOpener(programDir, settingsPath, this);
    editLine = [this, programDir, settingsPath](std::string& line)
    {
        TEditEx editor(line, programDir, settingsPath, this);
        if (editor.exec() != QDialog::Accepted)
            return false;
        line = editor.Line();
        return true;
    };

    auto* layout = new QGridLayout(this);
    const char* const titles[] = {"Exclude just:", "Exclude all except:"};
    const char* const names[] = {"ExcludeJust", "ExcludeAllExcept"};
    const std::vector<std::string>* pools[] = {&exclusionPool, &inclusionPool};
    const std::optional<std::vector<std::string>>* patterns[] = {&exList, &inList};
    loading_ = true;
    for (int i = 0; i < 2; ++i)
    {
        auto* list = new QListWidget(this);
        list->setObjectName(QString::fromLatin1(names[i]));
        list->setMinimumSize(420, 140);
        lists_[i] = list;
        auto* label = new QLabel(QString::fromLatin1(titles[i]), this);
        label->setBuddy(list);
        layout->addWidget(label, 2 * i, 0);
        layout->addWidget(list, 2 * i + 1, 0);
        for (const std::string& line : ExclusionDialogLines(*pools[i], *patterns[i]))
            AddLine(list, line);
        connect(list, &QListWidget::itemChanged, this,
                [this](QListWidgetItem* item)
                {
                    if (loading_)
                        return;
                    const std::string line = LineOf(item);
                    const bool ticked = item->checkState() == Qt::Checked;
                    if (!line.empty() && (line[0] == '1') != ticked)
                        SetLine(item, ToggleExclusionLine(line));
                });
        connect(list, &QListWidget::currentItemChanged, this,
                [this, list]
                {
                    current_ = list;
                    UpdateButtons();
                });
        connect(list, &QListWidget::itemSelectionChanged, this,
                [this, list]
                {
                    if (!list->selectedItems().isEmpty())
                        current_ = list;
                    UpdateButtons();
                });
        list->installEventFilter(this);
        connect(list, &QListWidget::itemActivated, this, [this] { EditClick(); });
        auto* del = new QShortcut(QKeySequence::Delete, list, nullptr, nullptr, Qt::WidgetShortcut);
        connect(del, &QShortcut::activated, this, [this] { DeleteClick(); });
    }
    loading_ = false;
    current_ = lists_[0];

    auto* side = new QVBoxLayout;
    auto* add = new QPushButton(QStringLiteral("&New"), this);
    add->setObjectName(QStringLiteral("NewButton"));
    edit_ = new QPushButton(QStringLiteral("&Edit..."), this);
    edit_->setObjectName(QStringLiteral("EditButton"));
    delete_ = new QPushButton(QStringLiteral("&Delete"), this);
    delete_->setObjectName(QStringLiteral("DeleteButton"));
    for (QPushButton* button : {add, edit_, delete_})
    {
        button->setAutoDefault(false);
        side->addWidget(button);
    }
    side->addStretch(1);
    connect(add, &QPushButton::clicked, this, [this] { NewClick(); });
    connect(edit_, &QPushButton::clicked, this, [this] { EditClick(); });
    connect(delete_, &QPushButton::clicked, this, [this] { DeleteClick(); });
    layout->addLayout(side, 1, 1, 3, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OkButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelButton"));
    buttons->button(QDialogButtonBox::Help)->setObjectName(QStringLiteral("HelpButton"));
    for (QAbstractButton* button : buttons->buttons())
        if (auto* push = qobject_cast<QPushButton*>(button))
            push->setAutoDefault(false);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { help_->OpenContext(ExclusionHelpContext); });
    layout->addWidget(buttons, 4, 0, 1, 2);
    UpdateButtons();
}

bool TExclusion::eventFilter(QObject* watched, QEvent* event)
{
    // The list the user went to last is where New adds, even while empty.
    if (event->type() == QEvent::FocusIn)
        for (QListWidget* list : lists_)
            if (watched == list)
            {
                current_ = list;
                UpdateButtons();
            }
    return QDialog::eventFilter(watched, event);
}

void TExclusion::AddLine(QListWidget* list, const std::string& line)
{
    auto* item = new QListWidgetItem(list);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    SetLine(item, line);
}

void TExclusion::SetLine(QListWidgetItem* item, const std::string& line)
{
    const bool wasLoading = loading_;
    loading_ = true;
    item->setData(LineRole, QByteArray::fromStdString(line));
    item->setText(ExclusionLineCaption(line));
    item->setCheckState(!line.empty() && line[0] == '1' ? Qt::Checked : Qt::Unchecked);
    loading_ = wasLoading;
}

std::vector<std::string> TExclusion::Lines(const QListWidget* list) const
{
    std::vector<std::string> lines;
    for (int row = 0; row < list->count(); ++row)
        lines.push_back(LineOf(list->item(row)));
    return lines;
}

std::vector<std::string> TExclusion::ExList() const
{
    return TickedPatterns(Lines(lists_[0]));
}

std::vector<std::string> TExclusion::InList() const
{
    return TickedPatterns(Lines(lists_[1]));
}

QListWidgetItem* TExclusion::SelectedLine() const
{
    QListWidgetItem* item = current_->currentItem();
    return item && item->isSelected() ? item : nullptr;
}

void TExclusion::UpdateButtons()
{
    const bool selected = SelectedLine() != nullptr;
    edit_->setEnabled(selected);
    delete_->setEnabled(selected);
}

void TExclusion::NewClick()
{
    AddLine(current_, NewExclusionLine());
    current_->setCurrentRow(current_->count() - 1);
    current_->setFocus();
    UpdateButtons();
}

void TExclusion::EditClick()
{
    QListWidgetItem* item = SelectedLine();
    if (!item)
        return;
    std::string line = LineOf(item);
    if (editLine(line))
        SetLine(item, line);
}

void TExclusion::DeleteClick()
{
    QListWidgetItem* item = SelectedLine();
    if (!item)
        return;
    delete item;
    UpdateButtons();
}

} // namespace rv
