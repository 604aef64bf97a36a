// TStopDlg: the "Stopping Brief" window. It lists the four steps of stopping
// a brief, shows the current one bold with how far it has come, and draws a
// check mark beside each step done.
//
// Threads: the main thread only.
#pragma once

#include "client/pages/run-observer.h"

#include <QDialog>
#include <array>

class QLabel;
class QProgressBar;

namespace rv
{

class TStopDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int StepCount = 4;

    explicit TStopDlg(QWidget* parent = nullptr);

    // Makes the step current (bold) with its percent done; the steps before
    // it are done.
    void ShowStep(StopStep step, int percent);
    void MarkDone(int step);
    bool Done(int step) const { return done_[std::size_t(step)]; }
    bool Current(int step) const;
    int Percent() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<bool, StepCount> done_{};
    std::array<QLabel*, StepCount> steps_{};
    QProgressBar* progress_ = nullptr;
};

} // namespace rv
