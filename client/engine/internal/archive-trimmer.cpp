#include "client/engine/internal/archive-trimmer.h"

#include "client/briefs/brief-store.h"
#include "client/briefs/brief.h"
#include "client/engine/internal/main-thread-call.h"
#include "client/pages/page-context.h"
#include "client/pages/run-observer.h"

namespace rv
{

bool ArchiveTrimmer::Trim(BriefRun& run)
{
    TBrief& brief = *run.Brief;
    if (brief.NumArchives < 0 || brief.ArchiveFiles.size() <= static_cast<std::size_t>(brief.NumArchives))
        return true;
    std::filesystem::path oldest = std::filesystem::path(brief.Folder) / brief.ArchiveFiles.front();
    bool saved = true;
    // The page server lets go of the file before it goes.
    CallOnThreadOf(mainThread_,
                   [&]
                   {
                       if (closeArchive_)
                           closeArchive_(oldest);
                       std::error_code ignored;
                       std::filesystem::remove(oldest, ignored);
                       DropArchive(brief, 0);
                       if (!run.TemporaryPageBrief && !brief.FilePath.empty())
                           saved = SaveBrief(brief, false) == SaveStatus::Saved;
                   });
    observer_.RemoveStatusLine(oldest.string());
    return saved;
}

} // namespace rv
