#include "client/shell/dialogs/exclusion-line-editor.h"

#include "client/shell/dialogs/entry-setup-dialog.h"
#include "client/shell/dialogs/help-contexts.h"
#include "widgets/help-opener.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace rv
{
namespace
{

// The match types of the simple form, in the order of the list.
const std::pair<char, const char*> SimpleTypes[] = {{'C', "Contains"}, {'I', "Is"}, {'S', "Starts With"}, {'E', "Ends With"}};

QCheckBox* MakeBox(const char* text, const char* name, QWidget* parent)
{
    auto* box = new QCheckBox(QString::fromLatin1(text), parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

} // namespace

TEditEx::TEditEx(const std::string& line, const QString& programDir, const QString& settingsPath, QWidget* parent)
    : QDialog(parent), line_(line)
{
    setWindowTitle(QStringLiteral("Edit Entry"));
    help_ = new HelpOpener(programDir, settingsPath, this);
    auto* layout = new QVBoxLayout(this);

    auto* form = new QGroupBox(QStringLiteral("Pattern"), this);
    auto* formLayout = new QFormLayout(form);
    simple_ = new QRadioButton(QStringLiteral("&Simple"), form);
    simple_->setObjectName(QStringLiteral("Simple"));
    advanced_ = new QRadioButton(QStringLiteral("&Advanced (* and ? as wildcards)"), form);
    advanced_->setObjectName(QStringLiteral("Advanced"));
    auto* group = new QButtonGroup(form);
    group->addButton(simple_);
    group->addButton(advanced_);
    auto* choice = new QHBoxLayout;
    choice->addWidget(simple_);
    choice->addWidget(advanced_);
    choice->addStretch(1);
    formLayout->addRow(choice);
    type_ = new QComboBox(form);
    type_->setObjectName(QStringLiteral("MatchType"));
    for (const auto& [letter, name] : SimpleTypes)
        type_->addItem(QString::fromLatin1(name), QChar::fromLatin1(letter));
    formLayout->addRow(QStringLiteral("&Match:"), type_);
    text_ = new QLineEdit(form);
    text_->setObjectName(QStringLiteral("PatternText"));
    text_->setMinimumWidth(320);
    formLayout->addRow(QStringLiteral("Te&xt:"), text_);
    layout->addWidget(form);

    auto* kinds = new QGroupBox(QStringLiteral("Applies to"), this);
    auto* grid = new QGridLayout(kinds);
    global_ = MakeBox("&Global", "Global", kinds);
    html_ = MakeBox("&HTML/Text", "HTMLText", kinds);
    images_ = MakeBox("&Images", "Images", kinds);
    plugIns_ = MakeBox("Pl&ug-ins", "PlugIns", kinds);
    activeX_ = MakeBox("A&ctiveX", "ActiveX", kinds);
    java_ = MakeBox("&Java", "Java", kinds);
    other_ = MakeBox("&Other Files", "OtherFiles", kinds);
    grid->addWidget(global_, 0, 0);
    QCheckBox* const kindsInOrder[] = {html_, images_, plugIns_, activeX_, java_, other_};
    for (int i = 0; i < 6; ++i)
        grid->addWidget(kindsInOrder[i], 1 + i % 3, i / 3);
    layout->addWidget(kinds);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OkButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelButton"));
    buttons->button(QDialogButtonBox::Help)->setObjectName(QStringLiteral("HelpButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { help_->OpenContext(ExclusionLineHelpContext); });
    layout->addWidget(buttons);

    const ExclusionLineFields fields = ReadExclusionLine(line_);
    (fields.advanced ? advanced_ : simple_)->setChecked(true);
    const int type = type_->findData(QChar::fromLatin1(fields.type));
    type_->setCurrentIndex(type < 0 ? 0 : type);
    text_->setText(DialogText(fields.text));
    const std::pair<QCheckBox*, bool> boxes[] = {
        {global_, fields.global},   {html_, fields.html}, {images_, fields.images}, {plugIns_, fields.plugIns},
        {activeX_, fields.activeX}, {java_, fields.java}, {other_, fields.other}};
    for (const auto& [box, ticked] : boxes)
        box->setChecked(ticked);
    connect(global_, &QCheckBox::toggled, this, [this] { GlobalClick(); });
    connect(group, &QButtonGroup::buttonToggled, this, [this] { FormClick(); });
    GlobalClick();
    FormClick();
    text_->setFocus();
}

void TEditEx::GlobalClick()
{
    for (QCheckBox* box : {html_, images_, plugIns_, activeX_, java_, other_})
        box->setEnabled(!global_->isChecked());
}

void TEditEx::FormClick()
{
    type_->setEnabled(simple_->isChecked());
}

ExclusionLineFields TEditEx::Fields() const
{
    ExclusionLineFields fields;
    fields.advanced = advanced_->isChecked();
    fields.type = type_->currentData().toChar().toLatin1();
    fields.text = DialogBytes(text_->text());
    fields.global = global_->isChecked();
    fields.html = html_->isChecked();
    fields.images = images_->isChecked();
    fields.plugIns = plugIns_->isChecked();
    fields.activeX = activeX_->isChecked();
    fields.java = java_->isChecked();
    fields.other = other_->isChecked();
    return fields;
}

std::string TEditEx::Line() const
{
    return RebuildExclusionLine(line_, Fields());
}

} // namespace rv
