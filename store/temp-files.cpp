#include "store/temp-files.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
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

std::size_t DeleteTempFilesIn(const std::filesystem::path& folder)
{
    std::size_t deleted = 0;
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
    return deleted;
}

// Every process that writes temporary files into a folder holds a shared lock
// on the folder for as long as it lives; the start-up clean-up deletes only
// when it can lock the folder alone. Another user's run, or a second
// program sharing the installation, keeps its files.
class FolderLocks
{
public:
    static FolderLocks& Instance()
    {
        static FolderLocks locks;
        return locks;
    }

    // Holds the folder shared from now on, when it can be opened.
    void Share(const std::filesystem::path& folder)
    {
        const std::lock_guard<std::mutex> guard(mutex_);
        Held* held = Open(folder);
        if (held != nullptr && !held->shared)
            held->shared = Lock(held->fd, LOCK_SH);
    }

    // Runs clean() while this process holds the folder alone, then holds it
    // shared. Nothing is run when another process holds it.
    template <typename Clean> void WhileAlone(const std::filesystem::path& folder, Clean clean)
    {
        const std::lock_guard<std::mutex> guard(mutex_);
        Held* held = Open(folder);
        if (held == nullptr)
            return;
        if (::flock(held->fd, LOCK_EX | LOCK_NB) == 0)
            clean();
        // A refused conversion may have dropped a shared lock this process had.
        held->shared = Lock(held->fd, LOCK_SH);
    }

private:
    struct Held
    {
        int fd = -1;
        bool shared = false;
    };

    static bool Lock(int fd, int operation)
    {
        int result = 0;
        do
            result = ::flock(fd, operation);
        while (result != 0 && errno == EINTR);
        return result == 0;
    }

    Held* Open(const std::filesystem::path& folder)
    {
        if (auto it = held_.find(folder); it != held_.end())
            return &it->second;
        // Let go of folders deleted since, so that descriptors do not pile up.
        for (auto it = held_.begin(); it != held_.end();)
        {
            struct stat status
            {
            };
            if (::fstat(it->second.fd, &status) == 0 && status.st_nlink == 0)
            {
                ::close(it->second.fd);
                it = held_.erase(it);
            }
            else
                ++it;
        }
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return nullptr;
        return &held_.emplace(folder, Held{fd, false}).first->second;
    }

    std::mutex mutex_;
    std::map<std::filesystem::path, Held> held_;
};

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
        FolderLocks::Instance().Share(folder);
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
        FolderLocks::Instance().WhileAlone(folder, [&] { deleted += DeleteTempFilesIn(folder); });
    }
    return deleted;
}

} // namespace rv
