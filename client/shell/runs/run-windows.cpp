#include "client/shell/runs/run-windows.h"

#include "client/shell/runs/available-briefs.h"
#include "client/shell/runs/brief-processing.h"
#include "client/shell/runs/stop-dlg.h"

#include <QCheckBox>

namespace rv
{

RunWindows::RunWindows(RunObserver* next, RunWindowServices services, QWidget* frame)
    : services_(std::move(services)), frame_(frame), model_(next), notice_(std::make_unique<TAvailableBriefs>())
{
    connect(&model_, &RunModel::ProgressWindowShown, this,
            [this](bool shown)
            {
                if (shown)
                    return ShowProgress();
                if (progress_)
                {
                    progress_->SetMayClose(true);
                    progress_->close();
                }
                emit ProgressShown(false);
            });
    connect(&model_, &RunModel::StopStepReached, this,
            [this](StopStep step, int percent)
            {
                if (!stop_)
                {
                    stop_ = new TStopDlg(frame_);
                    stop_->setAttribute(Qt::WA_DeleteOnClose);
                }
                stop_->ShowStep(step, percent);
                stop_->show();
            });
    connect(&model_, &RunModel::StopDialogClosed, this,
            [this]
            {
                if (stop_)
                    stop_->close();
            });
    connect(&model_, &RunModel::BriefsAvailable, this, [this](int count) { notice_->AddBriefs(count); });
    connect(notice_.get(), &TAvailableBriefs::StatusLogWanted, this, &RunWindows::StatusLogWanted);
}

RunWindows::~RunWindows()
{
    if (progress_)
    {
        progress_->SetMayClose(true);
        delete progress_;
    }
    delete stop_;
}

void RunWindows::ShowProgress()
{
    if (!progress_)
    {
        progress_ = new TBriefProcessing(model_, services_, frame_);
        progress_->setAttribute(Qt::WA_DeleteOnClose);
        connect(progress_, &QObject::destroyed, this, [this] { emit ProgressShown(false); });
        progress_->SetHangupWhenDone(hangupWhenDone_);
        if (auto* box = progress_->findChild<QCheckBox*>(QStringLiteral("HangupWhenDone")))
            connect(box, &QCheckBox::toggled, this, [this](bool on) { hangupWhenDone_ = on; });
    }
    progress_->SetMayClose(!model_.RunShowsProgress());
    progress_->show();
    progress_->raise();
    emit ProgressShown(true);
}

TBriefProcessing* RunWindows::Progress() const
{
    return progress_;
}

TStopDlg* RunWindows::StopDialog() const
{
    return stop_;
}

void RunWindows::SetHangupWhenDone(bool on)
{
    hangupWhenDone_ = on;
    if (progress_)
        progress_->SetHangupWhenDone(on);
}

} // namespace rv
