#include "client/briefs/archive-catalogue.h"

#include "client/briefs/word-stream.h"

#include <algorithm>

namespace rv
{

namespace
{

constexpr std::size_t MaxCount = 0xFFFF;

bool ReadFragments(WordReader& in, std::vector<SummaryFragment>& fragments)
{
    std::uint16_t count = 0;
    if (!in.Word(count))
    {
        return false;
    }
    for (std::uint16_t i = 0; i < count; ++i)
    {
        SummaryFragment fragment;
        if (!in.Text(fragment.Fragment) || !in.Text(fragment.ArchiveFile))
        {
            return false;
        }
        fragments.push_back(std::move(fragment));
    }
    return true;
}

struct CatalogueContents
{
    std::vector<std::string> Files;
    std::vector<std::string> Captions;
    std::string BriefName;
    std::string Comments;
    std::vector<std::vector<SummaryFragment>> Fragments; // per entry
};

bool Parse(std::string_view bytes, int entryCount, CatalogueContents& out)
{
    WordReader in(bytes);
    std::uint16_t archives = 0;
    if (!in.Word(archives))
    {
        return false;
    }
    for (std::uint16_t i = 0; i < archives; ++i)
    {
        std::string file;
        std::string caption;
        if (!in.Text(file) || !in.Text(caption))
        {
            return false;
        }
        out.Files.push_back(std::move(file));
        out.Captions.push_back(std::move(caption));
    }
    if (archives == 0)
    {
        return true;
    }
    std::uint16_t entries = 0;
    if (!in.Text(out.BriefName) || !in.Text(out.Comments) || !in.Word(entries) || entries > entryCount)
    {
        return false;
    }
    out.Fragments.resize(entries);
    for (auto& fragments : out.Fragments)
    {
        if (!ReadFragments(in, fragments))
        {
            return false;
        }
    }
    return true;
}

} // namespace

std::string WriteCatalogue(const TBrief& brief)
{
    WordWriter out;
    const std::size_t archives = std::min({brief.ArchiveFiles.size(), brief.ArchiveCaptions.size(), MaxCount});
    out.Word(static_cast<std::uint16_t>(archives));
    for (std::size_t i = 0; i < archives; ++i)
    {
        out.Text(brief.ArchiveFiles[i]);
        out.Text(brief.ArchiveCaptions[i]);
    }
    if (archives == 0)
    {
        return out.Take();
    }
    out.Text(brief.BriefName);
    out.Text(brief.BriefComments.value_or(std::string()));
    out.Word(static_cast<std::uint16_t>(brief.Entries.Count()));
    for (int e = 0; e < brief.Entries.Count(); ++e)
    {
        const auto& fragments = brief.Entries[e].SummaryFragments;
        const std::size_t count = std::min(fragments.size(), MaxCount);
        out.Word(static_cast<std::uint16_t>(count));
        for (std::size_t i = 0; i < count; ++i)
        {
            out.Text(fragments[i].Fragment);
            out.Text(fragments[i].ArchiveFile);
        }
    }
    return out.Take();
}

bool ReadCatalogue(std::string_view bytes, TBrief& brief)
{
    CatalogueContents contents;
    ClearArchives(brief);
    if (!Parse(bytes, brief.Entries.Count(), contents))
    {
        return false;
    }
    brief.ArchiveFiles = std::move(contents.Files);
    brief.ArchiveCaptions = std::move(contents.Captions);
    for (std::size_t e = 0; e < contents.Fragments.size(); ++e)
    {
        brief.Entries[static_cast<int>(e)].SummaryFragments = std::move(contents.Fragments[e]);
    }
    // An archive without a file name cannot be shown or kept; drop it with
    // its fragments so that every list stays parallel.
    for (std::size_t i = brief.ArchiveFiles.size(); i-- > 0;)
    {
        if (brief.ArchiveFiles[i].empty())
        {
            DropArchive(brief, i);
        }
    }
    return true;
}

std::optional<CatalogueFragments> ReadCatalogueFragments(std::string_view bytes)
{
    CatalogueContents contents;
    if (!Parse(bytes, 0xFFFF, contents))
    {
        return std::nullopt;
    }
    return CatalogueFragments{std::move(contents.BriefName), std::move(contents.Comments), std::move(contents.Fragments)};
}

std::string CataloguePath(const std::string& briefPath, bool duringRun)
{
    const std::size_t separator = briefPath.find_last_of("/\\");
    const std::size_t dot = briefPath.find_last_of('.');
    std::string stem = briefPath;
    if (dot != std::string::npos && (separator == std::string::npos || dot > separator))
    {
        stem.erase(dot);
    }
    return stem + (duringRun ? ".ca~" : ".cat");
}

} // namespace rv
