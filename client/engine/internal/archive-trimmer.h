// ArchiveTrimmer: keeps a brief within its limit of kept retrievals once a
// run has added one. Called on the retrieval thread; the brief and the files
// are changed on the main thread.
#pragma once

#include <filesystem>
#include <functional>

class QObject;

namespace rv
{

class RunObserver;
struct BriefRun;

class ArchiveTrimmer
{
public:
    using ArchiveCloser = std::function<void(const std::filesystem::path& archive)>;

    // mainThread lives on the main thread; the observer relays to it. Both
    // outlive the trimmer.
    ArchiveTrimmer(QObject* mainThread, RunObserver& observer) : mainThread_(mainThread), observer_(observer) {}

    // Tells the page server to close an archive before it is deleted.
    void SetCloser(ArchiveCloser closer) { closeArchive_ = std::move(closer); }

    // Removes the oldest kept retrieval when the brief keeps more than its
    // limit, and its status-log line. False when the brief file could not be
    // saved afterwards.
    [[nodiscard]] bool Trim(BriefRun& run);

private:
    QObject* mainThread_;
    RunObserver& observer_;
    ArchiveCloser closeArchive_;
};

} // namespace rv
