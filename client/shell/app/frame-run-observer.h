// What a run tells the main window: status-log lines go to the frame's
// status log model, a brief's window follows its Retrieving flag, errors are
// message boxes over the frame, and the end of a hand-started run beeps.
// The progress, stop and notice windows connect to the signals.
//
// Threads: the engine calls it on the main thread.
#pragma once

#include "client/engine/run-engine.h"

#include <QObject>

namespace rv
{

class TMDIFrame;

class FrameRunObserver : public QObject, public RunObserver
{
    Q_OBJECT

public:
    explicit FrameRunObserver(TMDIFrame& frame) : frame_(frame) {}

    void AddStatusLine(const TBrief& brief, std::string_view startTime, BriefStatus status) override;
    void UpdateStatusLine(const TBrief& brief, BriefStatus status, std::string_view summaryFile) override;
    void RemoveStatusLine(std::string_view summaryFile) override;
    void RefreshBrief(const TBrief& brief) override;
    void ErrorMessage(std::string_view caption, std::string_view text) override;
    void AvailableBriefsNotice(const std::vector<std::string>& briefNames) override;
    void Beep() override;

signals:
    void BriefsAvailable(const QStringList& briefNames);

private:
    TMDIFrame& frame_;
};

} // namespace rv
