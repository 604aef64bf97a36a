// Tells whether a file may have changed since it was last looked at, without
// looking at it: the kernel reports every change in the folder of each file
// asked about (inotify), and a file needs its stat again only when a report
// names it, when its folder went away, or when it was last confirmed more
// than a second ago (a folder further up may have been renamed, which no
// report shows). Where the kernel will not watch, every file always "may have
// changed", which costs the stat and nothing else.
// Used from one thread.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <unordered_map>

namespace rv
{

class FileWatch
{
public:
    FileWatch();
    ~FileWatch();
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

    // False only when nothing can have changed at file since the last call
    // for it returned true. The first call for a file starts watching it and
    // returns true; the caller then looks at the file itself.
    bool MayHaveChanged(const std::filesystem::path& file);

    // Within a batch the kernel's reports are read once, at its start, for
    // every file asked about: one system call for an answer's several
    // questions. Without one, every question reads them.
    class Batch
    {
    public:
        explicit Batch(FileWatch& watch) : watch_(watch)
        {
            watch_.ReadReports();
            ++watch_.batches_;
        }
        ~Batch() { --watch_.batches_; }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        FileWatch& watch_;
    };

private:
    struct File
    {
        int folder = -1; // the watch on its folder; -1 when it has none
        bool changed = true;
        std::chrono::steady_clock::time_point confirmed;
    };
    struct Folder
    {
        std::unordered_map<std::string, std::string> files; // file name -> key in files_
    };

    void ReadReports();
    void Watch(const std::string& key, File& file, const std::filesystem::path& path);
    void FolderChanged(int folder, bool gone);

    int fd_ = -1;
    int batches_ = 0;
    std::unordered_map<std::string, File> files_;
    std::unordered_map<int, Folder> folders_;
};

} // namespace rv
