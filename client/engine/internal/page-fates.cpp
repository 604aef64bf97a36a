#include "client/engine/internal/page-fates.h"

#include "client/pages/page-context.h"
#include "client/pages/previous-copy.h"
#include "store/archive-format.h"
#include "store/archive-writer.h"

#include <algorithm>

namespace rv
{

namespace
{

// Records of pages refused because a limit was reached carry this flag;
// records of requests dropped when a brief stops carry none.
constexpr std::uint8_t LimitSkippedFlags = 0x04;

bool NameWithNumber(std::string_view key, std::string_view name)
{
    if (key.size() <= name.size() || key.substr(0, name.size()) != name)
        return false;
    const std::string_view digits = key.substr(name.size());
    return std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

bool IsGeneratedPageName(std::string_view key)
{
    return key == "index" || NameWithNumber(key, "TOC") || NameWithNumber(key, "Match") || NameWithNumber(key, "FrameHead") ||
           key.ends_with(PreviousCopySuffix) || key.ends_with(UnfilteredCopySuffix);
}

std::optional<PageFate> FateOf(const IndexRecord& record, bool inaccessible, bool overLimit)
{
    if (IsGeneratedPageName(record.Key))
        return std::nullopt;
    if (record.Offset > 0)
        return inaccessible ? PageFate::Inaccessible : PageFate::Stored;
    switch (record.Offset)
    {
    case OffsetTooDeep:
        return PageFate::TooDeep;
    case OffsetOutOfTree:
        return PageFate::OtherSite;
    case OffsetExcluded:
        return PageFate::Excluded;
    case OffsetSkipped:
        return overLimit || (record.Flags & LimitSkippedFlags) ? PageFate::OverLimit : PageFate::Skipped;
    default:
        return std::nullopt;
    }
}

void ReportPageFates(BriefRun& run, RunObserver& observer)
{
    run.IndexDB->SetRecordListener(
        [&run, &observer](const IndexRecord& record)
        {
            if (const std::optional<PageFate> fate = FateOf(record, run.StoringInaccessible, run.StoppedForLimits))
                observer.PageRecorded(*run.Brief, record.Key, *fate);
        });
}

} // namespace rv
