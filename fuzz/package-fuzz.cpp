// Packages entries of a damaged archive, in both modes: the input is the
// source archive. A package is either written whole, so that every page its
// index names reads back, or not at all, leaving no file behind.
#include "client/pages/package-builder.h"
#include "store/archive-reader.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace
{

// The sections taken from the damaged summary page, at most.
constexpr std::size_t MaxSections = 4;

const std::filesystem::path& Folder()
{
    static const std::filesystem::path folder = []
    {
        std::filesystem::path path = std::filesystem::temp_directory_path() / ("rv-package-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

void CheckWhole(const std::filesystem::path& package)
{
    const rv::ArchiveReader reader = rv::ArchiveReader::OpenFile(package);
    for (const rv::IndexRecord& record : reader.ReadIndex())
    {
        if (record.Offset > 0)
            reader.ReadPage(record);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::filesystem::path source = Folder() / "Source.rvd";
    const std::filesystem::path target = Folder() / "Package.rvd";
    {
        std::ofstream out(source, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    rv::PackageInput organizer;
    organizer.Title = "Fuzz";
    organizer.Entries.push_back(
        {{{"<a href=\"%%%%s/0/page\">0</a> <a href=\"%%%%s/0/TOC0\">map</a> <a href=%%%%s\\1/Match1>m</a>", source.string()}}});
    std::vector<rv::PackageInput> inputs{organizer};
    try
    {
        std::vector<rv::SummarySection> sections = rv::ArchiveSections(source);
        if (sections.size() > MaxSections)
            sections.resize(MaxSections);
        inputs.push_back(rv::CustomSources(source, sections));
    }
    catch (const rv::ArchiveError&)
    {
    }

    for (const rv::PackageInput& input : inputs)
    {
        const rv::PackageResult result = rv::BuildPackage(target, input);
        std::error_code ignored;
        if (result.Written)
        {
            try
            {
                CheckWhole(target);
            }
            catch (const rv::ArchiveError&)
            {
                std::abort(); // a package was written that does not read back
            }
            std::filesystem::remove(target, ignored);
        }
        else if (result.Error.empty() || std::filesystem::exists(target, ignored))
        {
            std::abort();
        }
        // Nothing of a failed package stays beside it.
        for (const auto& file : std::filesystem::directory_iterator(Folder()))
        {
            if (file.path() != source)
                std::abort();
        }
    }
    return 0;
}
