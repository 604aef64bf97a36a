#include "server/file-watch.h"

#include <cerrno>
#include <climits>
#include <sys/inotify.h>
#include <unistd.h>

namespace rv
{
namespace
{

// Whatever could make a stat of a file in the folder answer differently.
constexpr std::uint32_t FolderEvents = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                       IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// A file confirmed longer ago than this is looked at again.
constexpr auto TrustFor = std::chrono::seconds(1);
// Files asked about are few (the settings, the open archives); beyond this,
// the oldest records would only be an unbounded list.
constexpr std::size_t MaxFiles = 4096;

} // namespace

FileWatch::FileWatch() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FileWatch::~FileWatch()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool FileWatch::MayHaveChanged(const std::filesystem::path& path)
{
    if (fd_ < 0)
        return true;
    if (batches_ == 0)
        ReadReports();
    const auto now = std::chrono::steady_clock::now();
    const std::string& key = path.native();
    auto found = files_.find(key);
    if (found == files_.end())
    {
        if (files_.size() >= MaxFiles)
        {
            files_.clear();
            for (auto& [wd, folder] : folders_)
                folder.files.clear();
        }
        found = files_.emplace(key, File{}).first;
    }
    File& file = found->second;
    if (file.folder < 0)
        Watch(key, file, path);
    const bool quiet = file.folder >= 0 && !file.changed && now - file.confirmed < TrustFor;
    if (quiet)
        return false;
    file.changed = false;
    file.confirmed = now;
    return true;
}

void FileWatch::Watch(const std::string& key, File& file, const std::filesystem::path& path)
{
    std::filesystem::path parent = path.parent_path();
    if (parent.empty())
        parent = ".";
    const int wd = ::inotify_add_watch(fd_, parent.c_str(), FolderEvents);
    if (wd < 0)
        return;
    folders_[wd].files[path.filename().native()] = key;
    file.folder = wd;
    file.changed = true;
}

void FileWatch::FolderChanged(int wd, bool gone)
{
    const auto folder = folders_.find(wd);
    if (folder == folders_.end())
        return;
    for (const auto& [name, key] : folder->second.files)
    {
        if (const auto file = files_.find(key); file != files_.end())
        {
            file->second.changed = true;
            if (gone)
                file->second.folder = -1;
        }
    }
    if (gone)
        folders_.erase(folder);
}

void FileWatch::ReadReports()
{
    if (fd_ < 0)
        return;
    alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
    for (;;)
    {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;)
        {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW)
            {
                // Reports were lost: nothing is known any more.
                for (auto& [key, file] : files_)
                    file.changed = true;
            }
            else if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT))
            {
                // The folder is gone or moved: its files are watched afresh
                // (the watch itself is dropped when it reports IN_IGNORED).
                if (event->mask & IN_MOVE_SELF)
                    ::inotify_rm_watch(fd_, event->wd);
                FolderChanged(event->wd, true);
            }
            else if (event->len > 0)
            {
                const auto folder = folders_.find(event->wd);
                if (folder == folders_.end())
                    continue;
                const auto name = folder->second.files.find(event->name);
                if (name == folder->second.files.end())
                    continue;
                if (const auto file = files_.find(name->second); file != files_.end())
                    file->second.changed = true;
            }
        }
    }
}

} // namespace rv
