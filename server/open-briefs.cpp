#include "server/open-briefs.h"

#include "server/file-watch.h"
#include "server/text-util.h"

#include <sys/stat.h>
#include <system_error>

namespace rv
{
namespace
{

PageEntry EntryFrom(const IndexRecord& record, std::string key)
{
    PageEntry entry;
    entry.key = std::move(key);
    entry.position = record.Offset;
    entry.length = record.Length;
    entry.contentType = record.ContentType;
    entry.number = record.Number;
    entry.flags = record.Flags;
    if (!record.Extra1.empty())
        entry.firstExtra = record.Extra1;
    entry.title = record.Stamp;
    entry.secondExtra = record.Caption;
    entry.headOffset = record.HeadOffset;
    entry.headLength = record.HeadLength;
    entry.extra = static_cast<std::uint32_t>(record.Value);
    return entry;
}

// A record whose key the table already holds replaces that entry's fields
// unless it is a link that was not retrieved (position 0); others are added.
void Merge(TServHashTable& pages, const IndexRecord& record, const std::string& key)
{
    PageEntry* held = pages.FindExact(key);
    if (!held)
        pages.Add(EntryFrom(record, key));
    else if (record.Offset != 0)
        *held = EntryFrom(record, key);
}

void AddRecord(OpenBrief& brief, IndexRecord&& record)
{
    std::string key = CleanIndexKey(record.Key);
    if (brief.version == 1 && brief.subversion >= 1 && brief.subversion <= 3 && record.Number != -1 &&
        !key.ends_with("KSDiffOrig"))
        key = std::to_string(record.Number) + "/" + key;
    Merge(brief.pages, record, key);
    if (key.find('\\') != std::string::npos)
        Merge(brief.pages, record, ReplaceAll(key, "\\", "/"));
}

enum class LoadStep
{
    Loaded,
    Failed,
};

// One attempt: open, check the header, read the whole index.
LoadStep TryLoad(OpenBrief& brief, const std::filesystem::path& file, const VersionWarning& warn)
{
    brief.reader.reset();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        return LoadStep::Failed; // devices and pipes would block or never end
    try
    {
        brief.reader.emplace(ArchiveReader::OpenFile(file));
        const ArchiveHeader& header = brief.reader->Header();
        brief.version = header.Version;
        brief.subversion = header.Subversion;
        brief.information = header.Information;
        brief.reader->ReadIndex([&](IndexRecord&& record) { AddRecord(brief, std::move(record)); });
        return LoadStep::Loaded;
    }
    catch (const ArchiveError& error)
    {
        if (error.Kind() == ArchiveErrorKind::UnknownVersion && warn)
            warn();
        return LoadStep::Failed;
    }
}

std::string NormalisedForClose(std::string_view path)
{
    std::string out(path);
    for (char& c : out)
        c = c == '/' ? '\\' : LowerAscii(c);
    return out;
}

} // namespace

std::filesystem::path ArchiveFileOf(std::string_view archiveName)
{
    if (archiveName.size() >= 2 && archiveName[1] == ':')
        return std::filesystem::path(std::string(archiveName)); // drive-letter form, kept as given
    return std::filesystem::path("/" + std::string(archiveName));
}

std::string EscapeBareAmps(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '&' && !StartsWithNoCase(text.substr(i + 1), "amp"))
            out += "&amp;";
        else
            out += text[i];
    }
    return out;
}

FileStamp StampOf(const std::filesystem::path& file)
{
    struct stat info = {};
    if (::stat(file.c_str(), &info) != 0)
        return {};
    FileStamp stamp;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modifiedNs = std::int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
    return stamp;
}

bool UpdateTable(OpenBrief& brief, const std::filesystem::path& file, const ArchiveCompleter& complete,
                 const VersionWarning& warn)
{
    if (TryLoad(brief, file, warn) == LoadStep::Loaded)
        return true;
    brief.pages.Clear();
    brief.reader.reset();
    if (!complete || !complete(file))
        return false;
    if (TryLoad(brief, file, warn) == LoadStep::Loaded)
        return true;
    // The completed archive still fails part way: serve what was read.
    brief.reader.reset();
    return true;
}

OpenBrief* OpenBriefList::Find(std::string_view archiveName)
{
    for (const auto& brief : briefs_)
    {
        if (brief->name == archiveName)
            return brief.get();
    }
    return nullptr;
}

OpenBrief* OpenBriefList::FindCurrent(std::string_view archiveName)
{
    for (auto it = briefs_.begin(); it != briefs_.end(); ++it)
    {
        if ((*it)->name != archiveName)
            continue;
        const std::filesystem::path file = ArchiveFileOf(archiveName);
        if ((watch_ && !watch_->MayHaveChanged(file)) || StampOf(file) == (*it)->stamp)
            return it->get();
        Release(it);
        return nullptr;
    }
    return nullptr;
}

OpenBriefList::Briefs::iterator OpenBriefList::Release(Briefs::iterator brief)
{
    const std::uint64_t generation = (*brief)->generation;
    auto next = briefs_.erase(brief);
    if (released_)
        released_(generation);
    return next;
}

void OpenBriefList::Clear()
{
    while (!briefs_.empty())
        Release(briefs_.begin());
}

LookupResult OpenBriefList::DoLookup(std::string_view pageName, std::string_view archiveName)
{
    const std::string spaced = ReplaceAll(pageName, "%20", " ");
    const std::string names[] = {std::string(pageName), spaced, EscapeBareAmps(pageName), EscapeBareAmps(spaced)};
    for (const auto& brief : briefs_)
    {
        if (brief->name != archiveName)
            continue;
        for (const std::string& name : names)
        {
            if (PageEntry* entry = brief->pages.Find(name, brief->version, brief->subversion))
            {
                brief->inUse = true;
                return {entry, brief.get()};
            }
        }
    }
    return {};
}

OpenBrief* OpenBriefList::Load(std::string_view archiveName, const std::filesystem::path& file,
                               const ArchiveCompleter& complete, const VersionWarning& warn)
{
    auto brief = std::make_unique<OpenBrief>();
    brief->name = std::string(archiveName);
    brief->inUse = true;
    brief->generation = nextGeneration_++;
    if (!UpdateTable(*brief, file, complete, warn))
        return nullptr;
    // Taken after the load, which may have completed the archive.
    brief->stamp = StampOf(file);
    if (briefs_.size() >= MaxOpenBriefs)
    {
        for (auto it = briefs_.begin(); it != briefs_.end() && briefs_.size() >= MaxOpenBriefs;)
        {
            if ((*it)->inUse)
                ++it;
            else
                it = Release(it);
        }
    }
    briefs_.push_back(std::move(brief));
    return briefs_.back().get();
}

bool OpenBriefList::CloseFile(std::string_view path)
{
    const std::string wanted = NormalisedForClose(path);
    for (auto it = briefs_.begin(); it != briefs_.end(); ++it)
    {
        if (NormalisedForClose((*it)->name) == wanted || NormalisedForClose("/" + (*it)->name) == wanted)
        {
            Release(it);
            return true;
        }
    }
    return false;
}

} // namespace rv
