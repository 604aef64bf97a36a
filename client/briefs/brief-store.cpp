#include "client/briefs/brief-store.h"

#include "client/briefs/archive-catalogue.h"
#include "client/briefs/brief-file.h"
#include "client/briefs/replacing-file-writer.h"

#include <cerrno>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace rv
{

namespace
{

enum class ReadOutcome
{
    Read,
    Missing,
    Unreadable,
};

ReadOutcome ReadWholeFile(const std::string& path, std::string& bytes)
{
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0)
    {
        return errno == ENOENT ? ReadOutcome::Missing : ReadOutcome::Unreadable;
    }
    if (!S_ISREG(info.st_mode))
    {
        return ReadOutcome::Unreadable;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        return ReadOutcome::Unreadable;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.bad() ? ReadOutcome::Unreadable : ReadOutcome::Read;
}

bool FileExists(const std::string& path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0;
}

bool ArchiveExists(const TBrief& brief, const std::string& file)
{
    return !file.empty() && FileExists(brief.Folder + file);
}

void ReadCatalogueFiles(TBrief& brief, LoadResult& result)
{
    const std::string interrupted = CataloguePath(brief.FilePath, true);
    const bool fromRun = FileExists(interrupted);
    std::string bytes;
    const std::string& path = fromRun ? interrupted : CataloguePath(brief.FilePath);
    if (ReadWholeFile(path, bytes) != ReadOutcome::Read || !ReadCatalogue(bytes, brief))
    {
        ClearArchives(brief);
    }
    if (fromRun)
    {
        // The ".ca~" goes only once its contents are safe in the ".cat".
        if (SaveCatalogue(brief, CataloguePath(brief.FilePath), false))
        {
            ::unlink(interrupted.c_str());
        }
        else
        {
            result.SaveFailed = true;
        }
    }
}

} // namespace

int PurgeMissingArchives(TBrief& brief)
{
    int dropped = 0;
    for (std::size_t i = brief.ArchiveFiles.size(); i-- > 0;)
    {
        if (!ArchiveExists(brief, brief.ArchiveFiles[i]))
        {
            DropArchive(brief, i);
            ++dropped;
        }
    }
    return dropped;
}

bool SaveCatalogue(TBrief& brief, const std::string& path, bool purge)
{
    if (purge)
    {
        PurgeMissingArchives(brief);
    }
    return WriteFileReplacing(path, WriteCatalogue(brief), FileAccess::Shared);
}

SaveStatus SaveBrief(TBrief& brief, bool purge)
{
    if (brief.FilePath.empty())
    {
        return SaveStatus::NeedsPath;
    }
    const FileAccess access = BriefHoldsCredentials(brief) ? FileAccess::OwnerOnly : FileAccess::Shared;
    if (!WriteFileReplacing(brief.FilePath, WriteBriefFile(brief), access))
    {
        return SaveStatus::Failed;
    }
    return SaveCatalogue(brief, CataloguePath(brief.FilePath), purge) ? SaveStatus::Saved : SaveStatus::Failed;
}

SaveStatus SaveBriefAfterRun(TBrief& brief, bool purge)
{
    const SaveStatus status = SaveBrief(brief, purge);
    if (status == SaveStatus::Saved)
    {
        ::unlink(CataloguePath(brief.FilePath, true).c_str());
    }
    return status;
}

LoadResult LoadBrief(const std::string& path, TBrief& brief)
{
    LoadResult result;
    ResetBrief(brief, path);
    std::string bytes;
    const ReadOutcome read = ReadWholeFile(path, bytes);
    if (read != ReadOutcome::Read)
    {
        result.Status = read == ReadOutcome::Missing ? LoadStatus::NotLoaded : LoadStatus::Failed;
        return result;
    }
    const BriefReadResult records = ReadBriefFile(bytes, brief);
    if (records.Status != BriefReadStatus::Loaded)
    {
        result.Status = records.Status == BriefReadStatus::Refused ? LoadStatus::NotLoaded : LoadStatus::Failed;
        return result;
    }
    result.Status = LoadStatus::Loaded;
    ReadCatalogueFiles(brief, result);
    if (records.PlainCredentials && SaveBrief(brief, false) != SaveStatus::Saved)
    {
        result.SaveFailed = true;
    }
    if (PurgeMissingArchives(brief) > 0 && SaveBrief(brief, true) != SaveStatus::Saved)
    {
        result.SaveFailed = true;
    }
    return result;
}

std::optional<UserMessage> MessageFor(const LoadResult& result)
{
    if (result.Status == LoadStatus::Failed)
    {
        return BriefLoadingError;
    }
    if (result.SaveFailed)
    {
        return BriefSavingError;
    }
    return std::nullopt;
}

} // namespace rv
