#include "client/briefs/brief.h"

namespace rv
{

namespace
{

std::size_t LastSeparator(const std::string& path)
{
    return path.find_last_of("/\\");
}

} // namespace

void ResetBrief(TBrief& brief, const std::string& path)
{
    brief.Entries.Clear();
    brief.BriefName = BriefNameFromPath(path);
    brief.RunCaption.clear();
    brief.RunStartTime.reset();
    brief.TimersLocked = false;
    brief.LockedTimersText = "Locked Timers";
    brief.LockedTimersFontSize = 24;
    brief.BriefComments.reset();
    brief.BriefFlag2 = 0;
    brief.BriefTag3Text.clear();
    brief.BriefActive = true;
    brief.ArchiveFiles.clear();
    brief.ArchiveCaptions.clear();
    brief.Schedule.clear();
    brief.ScheduleState.clear();
    brief.Retrieving = false;
    brief.NumMegs = -1;
    brief.MaxMins = -1;
    brief.MaxHours = -1;
    brief.NumArchives = -1;
    SetBriefPath(brief, path);
}

void SetBriefPath(TBrief& brief, const std::string& path)
{
    brief.FilePath = path;
    const std::size_t separator = LastSeparator(path);
    brief.Folder = separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string BriefNameFromPath(const std::string& path)
{
    const std::size_t separator = LastSeparator(path);
    std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
    {
        name.erase(dot);
    }
    return name;
}

std::string WindowCaptionFromPath(const std::string& path)
{
    if (LastSeparator(path) == std::string::npos)
    {
        return {};
    }
    return BriefNameFromPath(path);
}

void DropArchive(TBrief& brief, std::size_t index)
{
    if (index < brief.ArchiveFiles.size())
    {
        brief.ArchiveFiles.erase(brief.ArchiveFiles.begin() + static_cast<std::ptrdiff_t>(index));
    }
    if (index < brief.ArchiveCaptions.size())
    {
        brief.ArchiveCaptions.erase(brief.ArchiveCaptions.begin() + static_cast<std::ptrdiff_t>(index));
    }
    for (int i = 0; i < brief.Entries.Count(); ++i)
    {
        auto& fragments = brief.Entries[i].SummaryFragments;
        if (index < fragments.size())
        {
            fragments.erase(fragments.begin() + static_cast<std::ptrdiff_t>(index));
        }
    }
}

void ClearArchives(TBrief& brief)
{
    brief.ArchiveFiles.clear();
    brief.ArchiveCaptions.clear();
    for (int i = 0; i < brief.Entries.Count(); ++i)
    {
        brief.Entries[i].SummaryFragments.clear();
    }
}

bool BriefHoldsCredentials(const TBrief& brief)
{
    for (int i = 0; i < brief.Entries.Count(); ++i)
    {
        const TWebPage& entry = brief.Entries[i];
        if (!entry.UserName.empty() || !entry.Password.empty() || !entry.LockCode.empty())
        {
            return true;
        }
    }
    return false;
}

} // namespace rv
