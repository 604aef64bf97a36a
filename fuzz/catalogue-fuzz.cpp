// Reads arbitrary bytes as an archive catalogue of a brief with a few
// entries (the first byte says how many). A catalogue that reads must write
// back to bytes that read to the same lists again.
#include "client/briefs/archive-catalogue.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace
{

void MakeBrief(rv::TBrief& brief, int entries)
{
    rv::ResetBrief(brief, "/fuzz/Brief.brf");
    for (int i = 0; i < entries; ++i)
    {
        brief.Entries.Create(rv::EntryKind::Web, -1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
    {
        return 0;
    }
    const int entries = data[0] % 8;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    rv::TBrief brief;
    MakeBrief(brief, entries);
    if (!rv::ReadCatalogue(bytes, brief))
    {
        if (!brief.ArchiveFiles.empty() || !brief.ArchiveCaptions.empty())
        {
            std::abort();
        }
        return 0;
    }
    if (brief.ArchiveFiles.size() != brief.ArchiveCaptions.size())
    {
        std::abort();
    }
    const std::string written = rv::WriteCatalogue(brief);
    rv::TBrief again;
    MakeBrief(again, entries);
    if (!rv::ReadCatalogue(written, again) || rv::WriteCatalogue(again) != written)
    {
        std::abort();
    }
    return 0;
}
