// BriefSetup: sets a brief up when it starts or joins a run (main thread):
// its link cache, archive, site-map file, first summary page and first
// requests, in a new BriefRun.
#pragma once

#include "client/pages/entry-target.h"
#include "client/pages/page-context.h"
#include "client/pages/retrieval-settings.h"
#include "store/run-lock.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rv
{

class BriefPageWriter;
struct RetrievalRequest;
struct TBrief;
struct TWebPage;

// Engine and category addresses come without "http://"; a request needs its
// scheme.
std::string FetchAddress(const std::string& url);

class BriefSetup
{
public:
    using TargetsOf = std::function<std::vector<EntryTarget>(const TWebPage& entry)>;

    // settings are the run's own; all three outlive the setup.
    BriefSetup(const RetrievalSettings& settings, RunLock& lock, BriefPageWriter& pages);

    // The addresses an entry starts from; by default a web entry's URL.
    void SetTargetsOf(TargetsOf targets) { targetsOf_ = std::move(targets); }
    // Tells the page server to let go of an archive that a target name
    // replaces.
    void SetCloser(std::function<void(const std::filesystem::path& archive)> closer) { closeArchive_ = std::move(closer); }

    // The brief's BriefRun with its archive open and its summary written;
    // its first requests, one per target of every active entry, go to
    // firstRequests for the caller to queue. Null with diskFull set when the
    // drive is below its reserve or the archive cannot be opened.
    std::unique_ptr<BriefRun> SetUp(TBrief& brief, const std::string& targetName, bool scheduled,
                                    std::vector<std::unique_ptr<RetrievalRequest>>& firstRequests, bool& diskFull);

private:
    void QueueFirstRequests(BriefRun& run, std::vector<std::unique_ptr<RetrievalRequest>>& firstRequests);

    const RetrievalSettings& settings_;
    RunLock& lock_;
    BriefPageWriter& pages_;
    TargetsOf targetsOf_;
    std::function<void(const std::filesystem::path& archive)> closeArchive_;
};

} // namespace rv
