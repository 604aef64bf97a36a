#include "client/shell/runs/brief-processing.h"

#include "client/briefs/brief.h"
#include "client/shell/runs/progress-text.h"
#include "widgets/message-box.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace rv
{
namespace
{

QLabel* ValueLabel(const char* name)
{
    auto* label = new QLabel;
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setMinimumWidth(40);
    // A long text is shortened to fit; it never widens the window.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return label;
}

} // namespace

TBriefProcessing::TBriefProcessing(RunModel& model, RunWindowServices services, QWidget* parent)
    : QDialog(parent), model_(model), services_(std::move(services))
{
    setObjectName(QStringLiteral("BriefProcessing"));
    setWindowTitle(QStringLiteral("Generating Brief"));
    auto* layout = new QVBoxLayout(this);

    auto* top = new QFormLayout;
    briefList_ = new QComboBox;
    briefList_->setObjectName(QStringLiteral("BriefList"));
    top->addRow(QStringLiteral("Brief:"), briefList_);
    const char* names[] = {"ProcessingBrief", "CurrentEntry", "CurrentFile"};
    const char* captions[] = {"Processing Brief:", "Current Entry:", "Current File:"};
    for (int i = 0; i < 3; ++i)
    {
        items_[i] = ValueLabel(names[i]);
        top->addRow(QString::fromLatin1(captions[i]), items_[i]);
    }
    layout->addLayout(top);

    statistics_ = new QGroupBox(QStringLiteral("Download Statistics "));
    statistics_->setObjectName(QStringLiteral("DownloadStatistics"));
    auto* counts = new QHBoxLayout(statistics_);
    const auto count = [counts](const char* caption, QLabel*& value, const char* name)
    {
        counts->addWidget(new QLabel(QString::fromLatin1(caption)));
        value = ValueLabel(name);
        value->setText(QStringLiteral("0"));
        counts->addWidget(value, 1);
    };
    count("Pages:", pages_, "Pages");
    count("Images:", images_, "Images");
    count("Size (KB):", size_, "SizeKB");
    layout->addWidget(statistics_);

    entriesDone_ = new QProgressBar;
    entriesDone_->setObjectName(QStringLiteral("EntriesDone"));
    entriesDone_->setFormat(QStringLiteral("%v of %m entries"));
    layout->addWidget(entriesDone_);

    layout->addWidget(new QLabel(QStringLiteral("Pending Entries:")));
    entryList_ = new QListWidget;
    entryList_->setObjectName(QStringLiteral("EntryList"));
    entryList_->setMinimumHeight(90);
    layout->addWidget(entryList_, 1);

    transfer_ = ValueLabel("TransferStatus");
    transfer_->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(transfer_);

    auto* buttons = new QHBoxLayout;
    hangup_ = new QCheckBox(QStringLiteral("&Hangup When Done"));
    hangup_->setObjectName(QStringLiteral("HangupWhenDone"));
    buttons->addWidget(hangup_);
    buttons->addStretch(1);
    skip_ = new QPushButton(QStringLiteral("Skip &Entry"));
    skip_->setObjectName(QStringLiteral("SkipButton"));
    skip_->setAutoDefault(false);
    stop_ = new QPushButton(QStringLiteral("&Stop Brief"));
    stop_->setObjectName(QStringLiteral("StopButton"));
    stop_->setAutoDefault(false);
    buttons->addWidget(skip_);
    buttons->addWidget(stop_);
    layout->addLayout(buttons);
    resize(440, 400);

    connect(briefList_, &QComboBox::currentIndexChanged, this, [this] { BriefListChange(); });
    connect(entryList_, &QListWidget::itemSelectionChanged, this, [this] { ListBox1Click(); });
    connect(skip_, &QPushButton::clicked, this, [this] { SkipClick(); });
    connect(stop_, &QPushButton::clicked, this, [this] { AbortClick(); });
    connect(&model_, &RunModel::Changed, this, [this] { Refresh(); });
    connect(&model_, &RunModel::ControlsChanged, this, [this](bool enabled) { SetControls(enabled); });
    Refresh();
    SetControls(model_.ControlsEnabled());
}

void TBriefProcessing::UpdateItem(ProgressItem item, const QString& text)
{
    const int i = int(item);
    itemTexts_[i] = text;
    // The labels sit beside their captions, so they are narrower than the
    // statistics group once the window is laid out.
    const int width = items_[i]->width() > 0 ? std::min(items_[i]->width(), statistics_->width()) : statistics_->width();
    items_[i]->setText(ShortenedProgressText(text, items_[i]->fontMetrics(), width));
}

QString TBriefProcessing::ItemText(ProgressItem item) const
{
    return items_[int(item)]->text();
}

bool TBriefProcessing::HangupWhenDone() const
{
    return hangup_->isChecked();
}

void TBriefProcessing::SetHangupWhenDone(bool on)
{
    hangup_->setChecked(on);
}

const RunModel::BriefProgress* TBriefProcessing::Selected() const
{
    const int at = briefList_->currentIndex();
    const auto& briefs = model_.Briefs();
    return at >= 0 && std::size_t(at) < briefs.size() ? &briefs[std::size_t(at)] : nullptr;
}

void TBriefProcessing::Refresh()
{
    const auto& briefs = model_.Briefs();
    QStringList names;
    for (const auto& progress : briefs)
        names << progress.Name;
    QStringList shown;
    for (int i = 0; i < briefList_->count(); ++i)
        shown << briefList_->itemText(i);
    if (names != shown)
    {
        const int at = briefList_->currentIndex();
        const QSignalBlocker block(briefList_);
        briefList_->clear();
        briefList_->addItems(names);
        // The selection stays valid: the last brief when it fell off the end,
        // the first when there was none.
        briefList_->setCurrentIndex(names.isEmpty() ? -1 : at < 0 ? 0 : std::min<int>(at, int(names.size()) - 1));
        // With no brief running there is nothing to stop; the first brief of
        // a run brings the buttons back.
        if (names.isEmpty() || shown.isEmpty())
            SetControls(model_.ControlsEnabled());
    }
    const RunModel::BriefProgress* selected = Selected();
    QStringList pending;
    if (selected)
        for (const auto& entry : selected->Pending)
            pending << entry.Text;
    QStringList listed;
    for (int i = 0; i < entryList_->count(); ++i)
        listed << entryList_->item(i)->text();
    if (pending != listed)
    {
        const int row = entryList_->currentRow();
        const QSignalBlocker block(entryList_);
        entryList_->clear();
        entryList_->addItems(pending);
        if (row >= 0 && !pending.isEmpty())
            entryList_->setCurrentRow(std::min<int>(row, int(pending.size()) - 1));
        ListBox1Click();
    }
    const int total = selected ? selected->Entries : 0;
    entriesDone_->setRange(0, std::max(total, 1));
    if (selected)
        entriesDone_->setValue(total - int(selected->Pending.size()));
    else
        entriesDone_->reset();

    UpdateItem(ProgressItem::ProcessingBrief, model_.Label(ProgressLabel::BriefName));
    UpdateItem(ProgressItem::CurrentEntry, model_.CurrentEntry());
    pages_->setText(model_.Label(ProgressLabel::Pages));
    images_->setText(model_.Label(ProgressLabel::Images));
    size_->setText(model_.Label(ProgressLabel::SizeKB));
    transfer_->setText(model_.Transfer());
}

void TBriefProcessing::SetControls(bool enabled)
{
    enabled = enabled && Selected();
    stop_->setEnabled(enabled);
    skip_->setEnabled(enabled && entryList_->currentRow() >= 0);
}

void TBriefProcessing::BriefListChange()
{
    Refresh();
    skip_->setEnabled(false);
}

void TBriefProcessing::ListBox1Click()
{
    skip_->setEnabled(stop_->isEnabled() && entryList_->currentRow() >= 0 && !entryList_->selectedItems().isEmpty());
}

void TBriefProcessing::SkipClick()
{
    const RunModel::BriefProgress* selected = Selected();
    const int row = entryList_->currentRow();
    if (promptOpen_ || !selected || row < 0 || std::size_t(row) >= selected->Pending.size())
        return;
    promptOpen_ = true;
    const bool yes = ShowMessage(this, QString::fromLatin1(SkipEntryCaption), QString::fromLatin1(SkipEntryQuestion),
                                 MessageIcon::Question, MessageButtons::YesNo) == MessageAnswer::Yes;
    promptOpen_ = false;
    // The run may have moved on while the question was open.
    selected = Selected();
    if (!yes || !selected || std::size_t(row) >= selected->Pending.size())
        return;
    const TBrief& brief = *selected->Brief;
    const int position = selected->Pending[std::size_t(row)].Position;
    const bool last = selected->Pending.size() == 1;
    model_.DropPending(brief, position);
    if (last)
        SetControls(false);
    else
    {
        skip_->setEnabled(false);
        if (entryList_->count() > 0)
            entryList_->setCurrentRow(std::min(row, entryList_->count() - 1));
    }
    if (services_.SkipEntry)
        services_.SkipEntry(brief, position);
}

void TBriefProcessing::AbortClick()
{
    if (promptOpen_ || !Selected())
        return;
    promptOpen_ = true;
    const bool yes = ShowMessage(this, QString::fromLatin1(StopBriefCaption), QString::fromLatin1(StopBriefQuestion),
                                 MessageIcon::Question, MessageButtons::YesNo) == MessageAnswer::Yes;
    promptOpen_ = false;
    const RunModel::BriefProgress* selected = Selected();
    if (!yes || !selected)
        return;
    SetControls(false);
    if (services_.StopBrief)
        services_.StopBrief(*selected->Brief);
}

void TBriefProcessing::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    for (int i = 0; i < 3; ++i)
        UpdateItem(ProgressItem(i), itemTexts_[i]);
}

void TBriefProcessing::closeEvent(QCloseEvent* event)
{
    if (mayClose_)
        QDialog::closeEvent(event);
    else
        event->ignore();
}

void TBriefProcessing::reject()
{
    if (mayClose_)
        QDialog::reject();
}

} // namespace rv
