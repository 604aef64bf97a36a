#include "store/archive-name.h"

#include <cstdio>

namespace rv
{

std::string ArchiveStem(std::string_view briefStem, const std::tm& localTime)
{
    char when[160];
    std::snprintf(when, sizeof when, ".%d-%d-%d.%dh%02dm%02ds", localTime.tm_mon + 1, localTime.tm_mday,
                  (localTime.tm_year + 1900) % 100, localTime.tm_hour, localTime.tm_min, localTime.tm_sec);
    return std::string(briefStem) + when;
}

std::filesystem::path NewArchivePath(const std::filesystem::path& briefFile, const std::tm& localTime)
{
    const std::string stem = ArchiveStem(briefFile.stem().string(), localTime);
    const std::filesystem::path folder = briefFile.parent_path();
    std::string suffix;
    std::filesystem::path candidate = folder / (stem + ".rvd");
    std::error_code error;
    while (std::filesystem::exists(candidate, error))
    {
        suffix += 'a';
        candidate = folder / (stem + suffix + ".rvd");
    }
    return candidate;
}

std::filesystem::path SideFilePath(const std::filesystem::path& archive, std::string_view extension)
{
    std::filesystem::path side = archive;
    side.replace_extension(std::filesystem::path(std::string(extension)));
    return side;
}

} // namespace rv
