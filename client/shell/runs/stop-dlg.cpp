#include "client/shell/runs/stop-dlg.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>

namespace rv
{
namespace
{

constexpr const char* StepTexts[] = {"Stopping Current Retrievals", "Clearing Pending Retrievals", "Building Site Maps",
                                     "Releasing Memory"};
// Where the check mark of step k is drawn: x 34, y 17 + 26 k; its text
// follows to the right.
constexpr int CheckLeft = 34;
constexpr int CheckTop = 17;
constexpr int StepPitch = 26;
constexpr int TextLeft = 58;

} // namespace

TStopDlg::TStopDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("StopDlg"));
    setWindowTitle(QStringLiteral("Stopping Brief"));
    setFixedSize(300, CheckTop + StepPitch * StepCount + 40);
    for (int k = 0; k < StepCount; ++k)
    {
        auto* label = new QLabel(QString::fromLatin1(StepTexts[k]), this);
        label->setObjectName(QStringLiteral("Step%1").arg(k));
        label->setGeometry(TextLeft, CheckTop + StepPitch * k - 2, width() - TextLeft - 10, 20);
        steps_[std::size_t(k)] = label;
    }
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("StopProgress"));
    progress_->setRange(0, 100);
    progress_->setGeometry(CheckLeft, CheckTop + StepPitch * StepCount + 4, width() - 2 * CheckLeft, 20);
}

void TStopDlg::ShowStep(StopStep step, int percent)
{
    const int current = int(step);
    for (int k = 0; k < current; ++k)
        MarkDone(k);
    for (int k = 0; k < StepCount; ++k)
    {
        QFont font = steps_[std::size_t(k)]->font();
        font.setBold(k == current);
        steps_[std::size_t(k)]->setFont(font);
    }
    progress_->setValue(std::clamp(percent, 0, 100));
}

void TStopDlg::MarkDone(int step)
{
    if (step < 0 || step >= StepCount || done_[std::size_t(step)])
        return;
    done_[std::size_t(step)] = true;
    update();
}

bool TStopDlg::Current(int step) const
{
    return steps_[std::size_t(step)]->font().bold();
}

int TStopDlg::Percent() const
{
    return progress_->value();
}

void TStopDlg::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 128, 0), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (int k = 0; k < StepCount; ++k)
    {
        if (!done_[std::size_t(k)])
            continue;
        const QPointF at(CheckLeft, CheckTop + StepPitch * k);
        QPainterPath check;
        check.moveTo(at + QPointF(2, 8));
        check.lineTo(at + QPointF(7, 13));
        check.lineTo(at + QPointF(15, 2));
        painter.drawPath(check);
    }
}

} // namespace rv
