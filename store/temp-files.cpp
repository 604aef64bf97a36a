#include "store/temp-files.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>
#include <unistd.h>

namespace rv
{

namespace
{

constexpr std::string_view TempSuffix = ".tmp";

std::filesystem::path UserCacheFolder()
{
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache != nullptr && cache[0] == '/')
    {
        return std::filesystem::path(cache) / "ravelin";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0')
    {
        return std::filesystem::path(home) / ".cache" / "ravelin";
    }
    return std::filesystem::temp_directory_path() / "ravelin";
}

bool IsWritableFolder(const std::filesystem::path& folder)
{
    std::error_code error;
    return std::filesystem::is_directory(folder, error) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

// The program folder itself is never created here; the other candidates are.
bool PrepareFolder(const std::filesystem::path& folder, const std::filesystem::path& programFolder)
{
    if (folder != programFolder)
    {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
    }
    return IsWritableFolder(folder);
}

bool IsTempFileName(const std::filesystem::path& path)
{
    const std::string name = path.filename().string();
    return name.size() > TempSuffix.size() && name.ends_with(TempSuffix);
}

} // namespace

std::vector<std::filesystem::path> TempFolderCandidates(const std::filesystem::path& programFolder)
{
    return {programFolder / "temp", programFolder, UserCacheFolder()};
}

std::filesystem::path TempFolder(const std::filesystem::path& programFolder)
{
    for (const auto& folder : TempFolderCandidates(programFolder))
    {
        if (PrepareFolder(folder, programFolder))
        {
            return folder;
        }
    }
    throw TempFileError("No writable folder for temporary files under " + programFolder.string());
}

std::filesystem::path CreateTempFile(const std::filesystem::path& programFolder, std::string_view prefix)
{
    for (const auto& folder : TempFolderCandidates(programFolder))
    {
        if (!PrepareFolder(folder, programFolder))
        {
            continue;
        }
        std::string pattern = (folder / (std::string(prefix) + "XXXXXX" + std::string(TempSuffix))).string();
        const int fd = ::mkstemps(pattern.data(), static_cast<int>(TempSuffix.size()));
        if (fd >= 0)
        {
            ::close(fd);
            return pattern;
        }
    }
    throw TempFileError("Cannot create a temporary file under " + programFolder.string());
}

std::size_t DeleteLeftoverTempFiles(const std::filesystem::path& programFolder)
{
    std::size_t deleted = 0;
    for (const auto& folder : TempFolderCandidates(programFolder))
    {
        std::error_code error;
        std::filesystem::directory_iterator it(folder, error);
        for (; !error && it != std::filesystem::directory_iterator(); it.increment(error))
        {
            std::error_code ignored;
            if (it->is_regular_file(ignored) && IsTempFileName(it->path()) && std::filesystem::remove(it->path(), ignored))
            {
                ++deleted;
            }
        }
    }
    return deleted;
}

} // namespace rv
