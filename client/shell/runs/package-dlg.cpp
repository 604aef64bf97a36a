#include "client/shell/runs/package-dlg.h"

#include "client/briefs/user-message.h"
#include "client/pages/package-builder.h"
#include "client/shell/runs/status-win.h"
#include "platform/server-control.h"
#include "store/archive-error.h"
#include "widgets/message-box.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace rv
{
namespace
{

const UserMessage PackageExists{"File Already Exists", "A file with that name already exists. Do you wish to overwrite it?"};

QPushButton* Button(const char* text, const char* name)
{
    auto* button = new QPushButton(QString::fromLatin1(text));
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

std::filesystem::path LocalPath(const QString& path)
{
    return std::filesystem::path(path.toLocal8Bit().toStdString());
}

} // namespace

TPackageDlg::TPackageDlg(const QString& briefFile, const QString& briefsFolder, RunWindowServices services, QWidget* parent)
    : QDialog(parent), briefsFolder_(briefsFolder), services_(std::move(services))
{
    setObjectName(QStringLiteral("PackageDlg"));
    setWindowTitle(QStringLiteral("Package Brief"));
    auto* layout = new QVBoxLayout(this);

    organizer_ = new QRadioButton(QStringLiteral("&Brief Organizer:"));
    organizer_->setObjectName(QStringLiteral("OrganizerMode"));
    layout->addWidget(organizer_);
    auto* organizerGroup = new QGroupBox(QStringLiteral(" Brief Organizer - Cumulative View "));
    auto* organizerRow = new QHBoxLayout(organizerGroup);
    briefFile_ = new QLineEdit(briefFile);
    briefFile_->setObjectName(QStringLiteral("BriefFile"));
    selectBrief_ = Button("&Select...", "SelectBrief");
    organizerRow->addWidget(briefFile_, 1);
    organizerRow->addWidget(selectBrief_);
    layout->addWidget(organizerGroup);

    custom_ = new QRadioButton(QStringLiteral("&Archived Brief:"));
    custom_->setObjectName(QStringLiteral("CustomMode"));
    layout->addWidget(custom_);
    auto* customGroup = new QGroupBox(QStringLiteral(" Custom Packaging "));
    auto* grid = new QGridLayout(customGroup);
    archive_ = new QLineEdit;
    archive_->setObjectName(QStringLiteral("ArchiveFile"));
    archive_->setReadOnly(true);
    selectArchive_ = Button("S&elect...", "SelectArchive");
    grid->addWidget(archive_, 0, 0, 1, 3);
    grid->addWidget(selectArchive_, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Brief Entries:")), 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("Selected Entries:")), 1, 2);
    entries_ = new QListWidget;
    entries_->setObjectName(QStringLiteral("BriefEntries"));
    entries_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    selected_ = new QListWidget;
    selected_->setObjectName(QStringLiteral("SelectedEntries"));
    selected_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    add_ = Button("->", "AddEntry");
    add_->setAccessibleName(QStringLiteral("Add Entry"));
    add_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
    grid->addWidget(entries_, 2, 0, 2, 1);
    grid->addWidget(add_, 2, 1);
    grid->addWidget(selected_, 2, 2, 2, 2);
    remove_ = Button("&Remove Entry", "RemoveEntry");
    view_ = Button("&View Brief", "ViewBrief");
    grid->addWidget(view_, 4, 0);
    grid->addWidget(remove_, 4, 2, 1, 2);
    layout->addWidget(customGroup, 1);

    progress_ = new QProgressBar;
    progress_->setObjectName(QStringLiteral("PackageProgress"));
    progress_->setRange(0, 100);
    progress_->hide();
    layout->addWidget(progress_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    package_ = Button("&Package...", "PackageButton");
    auto* close = Button("&Close", "Close");
    buttons->addWidget(package_);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    resize(520, 440);

    connect(organizer_, &QRadioButton::toggled, this, [this] { UpdateControls(); });
    connect(selectBrief_, &QPushButton::clicked, this,
            [this]
            {
                if (services_.AskOpenPath)
                    if (const QString path = services_.AskOpenPath(QStringLiteral("Open File"), StartFolder(),
                                                                   QStringLiteral("Brief Files (*.BRF *.brf)"));
                        !path.isEmpty())
                        SetBriefFile(path);
            });
    connect(selectArchive_, &QPushButton::clicked, this,
            [this]
            {
                if (services_.AskOpenPath)
                    if (const QString path = services_.AskOpenPath(QStringLiteral("Open File"), StartFolder(),
                                                                   QString::fromLatin1(ArchiveFilter));
                        !path.isEmpty())
                        SetArchive(path);
            });
    connect(add_, &QPushButton::clicked, this, [this] { AddClick(); });
    connect(remove_, &QPushButton::clicked, this, [this] { RemoveClick(); });
    connect(view_, &QPushButton::clicked, this, [this] { ViewBriefClick(); });
    connect(package_, &QPushButton::clicked, this, [this] { PackageClick(); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(briefFile_, &QLineEdit::textChanged, this, [this] { UpdateControls(); });
    connect(selected_, &QListWidget::itemSelectionChanged, this, [this] { UpdateControls(); });
    connect(entries_, &QListWidget::itemSelectionChanged, this, [this] { UpdateControls(); });
    SetOrganizerMode(true);
}

QString TPackageDlg::StartFolder() const
{
    const QString brief = briefFile_->text();
    return brief.isEmpty() ? briefsFolder_ : QFileInfo(brief).absolutePath();
}

void TPackageDlg::SetOrganizerMode(bool organizer)
{
    (organizer ? organizer_ : custom_)->setChecked(true);
    UpdateControls();
}

void TPackageDlg::SetBriefFile(const QString& path)
{
    briefFile_->setText(path);
}

bool TPackageDlg::SetArchive(const QString& path)
{
    std::vector<SummarySection> sections;
    try
    {
        sections = ArchiveSections(LocalPath(path));
    }
    catch (const ArchiveError& failure)
    {
        ShowMessage(this, windowTitle(), QString::fromLatin1(failure.what()), MessageIcon::Error);
        return false;
    }
    sections_ = std::move(sections);
    chosen_.clear();
    archive_->setText(path);
    entries_->clear();
    selected_->clear();
    for (const SummarySection& section : sections_)
        entries_->addItem(QString::fromLatin1(section.Name));
    UpdateControls();
    return true;
}

void TPackageDlg::SelectEntries(const std::vector<int>& rows)
{
    entries_->clearSelection();
    for (int row : rows)
        if (QListWidgetItem* item = entries_->item(row))
            item->setSelected(true);
}

void TPackageDlg::AddClick()
{
    for (int row = 0; row < entries_->count(); ++row)
        if (entries_->item(row)->isSelected() && std::find(chosen_.begin(), chosen_.end(), row) == chosen_.end())
        {
            chosen_.push_back(row);
            selected_->addItem(entries_->item(row)->text());
        }
    UpdateControls();
}

void TPackageDlg::RemoveClick()
{
    for (int row = selected_->count() - 1; row >= 0; --row)
        if (selected_->item(row)->isSelected())
        {
            chosen_.erase(chosen_.begin() + row);
            delete selected_->takeItem(row);
        }
    UpdateControls();
}

void TPackageDlg::ViewBriefClick()
{
    if (!archive_->text().isEmpty() && services_.OpenAddress)
        services_.OpenAddress(
            ArchiveAddress(services_.ServerPort ? services_.ServerPort() : 0, archive_->text().toLocal8Bit().toStdString()));
}

void TPackageDlg::UpdateControls()
{
    const bool organizer = organizer_->isChecked();
    briefFile_->setEnabled(organizer);
    selectBrief_->setEnabled(organizer);
    for (QWidget* control : std::initializer_list<QWidget*>{archive_, selectArchive_, entries_, selected_})
        control->setEnabled(!organizer);
    add_->setEnabled(!organizer && !entries_->selectedItems().isEmpty());
    remove_->setEnabled(!organizer && !selected_->selectedItems().isEmpty());
    view_->setEnabled(!organizer && !archive_->text().isEmpty());
    package_->setEnabled(organizer ? !briefFile_->text().isEmpty() : !chosen_.empty());
}

int TPackageDlg::Percent() const
{
    return progress_->value();
}

bool TPackageDlg::PackageClick()
{
    PackageInput input;
    if (organizer_->isChecked())
    {
        std::string problem;
        if (!OrganizerSources(LocalPath(briefFile_->text()), input, problem))
        {
            ShowMessage(this, windowTitle(), QString::fromLatin1(problem), MessageIcon::Error);
            return false;
        }
    }
    else
    {
        std::vector<SummarySection> chosen;
        for (int row : chosen_)
            chosen.push_back(sections_[std::size_t(row)]);
        input = CustomSources(LocalPath(archive_->text()), chosen);
    }
    if (!services_.AskSavePath)
        return false;
    QString target = services_.AskSavePath(QStringLiteral("Package Brief"), StartFolder(), QString::fromLatin1(ArchiveFilter));
    if (target.isEmpty())
        return false;
    if (QFileInfo(target).suffix().isEmpty())
        target += QStringLiteral(".RVD");
    if (QFileInfo::exists(target) &&
        ShowMessage(this, PackageExists, MessageIcon::Question, MessageButtons::YesNo) != MessageAnswer::Yes)
        return false;

    progress_->setValue(0);
    progress_->show();
    setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    PackageOptions options;
    options.Progress = [this](int percent)
    {
        progress_->setValue(percent);
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    options.BeforeReplace = [](const std::filesystem::path& path)
    { ServerCloseFile(QString::fromLocal8Bit(std::filesystem::absolute(path).string())); };
    const PackageResult result = BuildPackage(LocalPath(target), input, options);
    QApplication::restoreOverrideCursor();
    setEnabled(true);
    progress_->hide();
    if (!result.Written)
        ShowMessage(this, windowTitle(), QString::fromLatin1(result.Error), MessageIcon::Error);
    return result.Written;
}

} // namespace rv
