#include "client/shell/app/frame-run-observer.h"

#include "client/briefs/brief.h"
#include "client/shell/app/mdi-frame.h"
#include "client/shell/briefs/brief-window.h"
#include "widgets/message-box.h"

namespace rv
{

// A brief's lines are told apart by its file: two briefs may share a name.
void FrameRunObserver::AddStatusLine(const TBrief& brief, std::string_view startTime, BriefStatus status)
{
    frame_.StatusLog().AddLine(brief.BriefName, startTime, StatusText(status), "", brief.FilePath);
}

void FrameRunObserver::UpdateStatusLine(const TBrief& brief, BriefStatus status, std::string_view summaryFile)
{
    frame_.StatusLog().UpdateLine(brief.BriefName, StatusText(status), brief.FilePath, summaryFile);
}

void FrameRunObserver::RemoveStatusLine(std::string_view summaryFile)
{
    frame_.StatusLog().RemoveLinesWithDetail(summaryFile);
}

void FrameRunObserver::RefreshBrief(const TBrief& brief)
{
    if (TKestrelForm* window = frame_.WindowOf(brief))
        window->SetRetrieving(brief.Retrieving);
    frame_.UpdateCommands();
}

void FrameRunObserver::ErrorMessage(std::string_view caption, std::string_view text)
{
    ShowMessage(&frame_, UserMessage{std::string(caption), std::string(text)}, MessageIcon::Error);
}

void FrameRunObserver::AvailableBriefsNotice(const std::vector<std::string>& briefNames)
{
    QStringList names;
    for (const std::string& name : briefNames)
        names << QString::fromLatin1(name);
    emit BriefsAvailable(names);
}

void FrameRunObserver::Beep()
{
    if (frame_.services_.Beep)
        frame_.services_.Beep();
}

} // namespace rv
