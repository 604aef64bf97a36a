#include "client/shell/runs/run-model.h"

#include "client/briefs/brief.h"

#include <algorithm>

namespace rv
{

QString PendingText(const TWebPage& entry)
{
    return QString::fromLatin1(entry.EntryName.empty() ? entry.URL : entry.EntryName);
}

RunModel::RunModel(RunObserver* next, QObject* parent) : QObject(parent), next_(next)
{
    timer_.setSingleShot(true);
    timer_.setInterval(UpdateIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &RunModel::Changed);
}

const RunModel::BriefProgress* RunModel::ProgressOf(const TBrief& brief) const
{
    for (const BriefProgress& progress : briefs_)
        if (progress.Brief == &brief)
            return &progress;
    return nullptr;
}

RunModel::BriefProgress* RunModel::Find(const TBrief& brief)
{
    return const_cast<BriefProgress*>(ProgressOf(brief));
}

QString RunModel::Label(ProgressLabel label) const
{
    const auto found = labels_.find(label);
    return found == labels_.end() ? QString() : found->second;
}

void RunModel::Touch()
{
    if (!timer_.isActive())
        timer_.start();
}

void RunModel::Flush()
{
    timer_.stop();
    emit Changed();
}

void RunModel::DropPending(const TBrief& brief, int position)
{
    if (BriefProgress* progress = Find(brief))
        std::erase_if(progress->Pending, [position](const PendingEntry& e) { return e.Position == position; });
    Flush();
}

void RunModel::AddStatusLine(const TBrief& brief, std::string_view startTime, BriefStatus status)
{
    if (next_)
        next_->AddStatusLine(brief, startTime, status);
}

void RunModel::UpdateStatusLine(const TBrief& brief, BriefStatus status, std::string_view summaryFile)
{
    if (next_)
        next_->UpdateStatusLine(brief, status, summaryFile);
}

void RunModel::UpdateStatusDetail(const TBrief& brief, std::string_view detail)
{
    if (next_)
        next_->UpdateStatusDetail(brief, detail);
}

void RunModel::RemoveStatusLine(std::string_view summaryFile)
{
    if (next_)
        next_->RemoveStatusLine(summaryFile);
}

void RunModel::SetProgressLabel(ProgressLabel label, std::string_view text)
{
    labels_[label] = QString::fromLatin1(text);
    Touch();
    if (next_)
        next_->SetProgressLabel(label, text);
}

void RunModel::ShowProgressWindow(bool shown)
{
    runShows_ = shown;
    if (!shown)
    {
        // The run is over: a progress window opened now starts blank, as the
        // next run will.
        timer_.stop();
        labels_ = {{ProgressLabel::Pages, QStringLiteral("0")},
                   {ProgressLabel::Images, QStringLiteral("0")},
                   {ProgressLabel::SizeKB, QStringLiteral("0")}};
        currentEntry_.clear();
        transfer_.clear();
    }
    emit ProgressWindowShown(shown);
    if (next_)
        next_->ShowProgressWindow(shown);
}

void RunModel::AddBriefToProgress(const TBrief& brief)
{
    if (!Find(brief))
    {
        BriefProgress progress{&brief, QString::fromLatin1(brief.BriefName), {}, 0};
        for (int i = 0; i < brief.Entries.Count(); ++i)
            if (brief.Entries[i].Active)
                progress.Pending.push_back({PendingText(brief.Entries[i]), i});
        progress.Entries = int(progress.Pending.size());
        briefs_.push_back(std::move(progress));
    }
    Flush();
    if (next_)
        next_->AddBriefToProgress(brief);
}

void RunModel::RemoveBriefFromProgress(const TBrief& brief)
{
    std::erase_if(briefs_, [&brief](const BriefProgress& p) { return p.Brief == &brief; });
    Flush();
    if (next_)
        next_->RemoveBriefFromProgress(brief);
}

void RunModel::EntryStarted(const TBrief& brief, const TWebPage& entry)
{
    currentEntry_ = PendingText(entry);
    Touch();
    if (next_)
        next_->EntryStarted(brief, entry);
}

void RunModel::EntryFinished(const TBrief& brief, const TWebPage& entry, const EntryOutcome& outcome)
{
    if (BriefProgress* progress = Find(brief))
        for (int i = 0; i < brief.Entries.Count(); ++i)
            if (&brief.Entries[i] == &entry)
                std::erase_if(progress->Pending, [i](const PendingEntry& e) { return e.Position == i; });
    Touch();
    if (next_)
        next_->EntryFinished(brief, entry, outcome);
}

void RunModel::CountsChanged(const RunCounts& counts)
{
    labels_[ProgressLabel::Pages] = QString::number(counts.Pages);
    labels_[ProgressLabel::Images] = QString::number(counts.Images);
    labels_[ProgressLabel::SizeKB] = QString::number(counts.Bytes / 1024);
    Touch();
    if (next_)
        next_->CountsChanged(counts);
}

void RunModel::TransferStatus(std::string_view text)
{
    transfer_ = QString::fromLatin1(text);
    Touch();
    if (next_)
        next_->TransferStatus(text);
}

void RunModel::EnableControls(bool enabled)
{
    controlsEnabled_ = enabled;
    emit ControlsChanged(enabled);
    if (next_)
        next_->EnableControls(enabled);
}

void RunModel::RefreshBrief(const TBrief& brief)
{
    if (next_)
        next_->RefreshBrief(brief);
}

void RunModel::StopDialogStep(StopStep step, int percent)
{
    emit StopStepReached(step, percent);
    if (next_)
        next_->StopDialogStep(step, percent);
}

void RunModel::CloseStopDialog()
{
    emit StopDialogClosed();
    if (next_)
        next_->CloseStopDialog();
}

void RunModel::ErrorMessage(std::string_view caption, std::string_view text)
{
    if (next_)
        next_->ErrorMessage(caption, text);
}

void RunModel::AvailableBriefsNotice(const std::vector<std::string>& briefNames)
{
    emit BriefsAvailable(int(briefNames.size()));
    if (next_)
        next_->AvailableBriefsNotice(briefNames);
}

void RunModel::Beep()
{
    if (next_)
        next_->Beep();
}

} // namespace rv
