#include "client/engine/run-engine.h"

#include "client/engine/internal/run-driver.h"

namespace rv
{

RunEngine::RunEngine(const RetrievalSettings& settings, RunObserver& observer)
    : driver_(std::make_unique<RunDriver>(settings, observer))
{
}

RunEngine::~RunEngine() = default;

void RunEngine::SetTargetsOf(TargetsOf targets)
{
    driver_->SetTargetsOf(std::move(targets));
}

void RunEngine::SetConnect(ConnectStep connect)
{
    driver_->SetConnect(std::move(connect));
}

void RunEngine::SetArchiveCloser(ArchiveCloser closer)
{
    driver_->SetArchiveCloser(std::move(closer));
}

void RunEngine::SetRunEnded(std::function<void()> ended)
{
    driver_->SetRunEnded(std::move(ended));
}

void RunEngine::StartBrief(TBrief& brief, const std::string& targetName, bool scheduled)
{
    driver_->StartBrief(brief, targetName, scheduled);
}

void RunEngine::StopBrief(TBrief& brief)
{
    driver_->StopBrief(brief);
}

void RunEngine::SkipEntry(TBrief& brief, TWebPage& entry)
{
    driver_->SkipEntry(brief, entry);
}

bool RunEngine::RunActive() const
{
    return driver_->RunActive();
}

const RetrievalSettings& RunEngine::Settings() const
{
    return driver_->Settings();
}

void RunEngine::SetSettings(const RetrievalSettings& settings)
{
    driver_->SetSettings(settings);
}

} // namespace rv
