// BriefPageWriter: the pages a run writes for a brief as a whole: the
// summary page ("index") when the brief starts and again when it is
// finished, and every entry's site map and match page. Retrieval thread
// (and the main thread while a brief joins); each entry's summary fragment
// is kept in the brief on the main thread.
#pragma once

class QObject;

namespace rv
{

class RunObserver;
struct BriefRun;

class BriefPageWriter
{
public:
    // mainThread lives on the main thread; the observer relays to it. Both
    // outlive the writer.
    BriefPageWriter(QObject* mainThread, RunObserver& observer) : mainThread_(mainThread), observer_(observer) {}

    // The list layout when the brief starts, so that it can be browsed while
    // it runs; the table layout, with the run's results, when it is finished.
    void WriteSummary(BriefRun& run, bool finished);
    // Every entry's site map and match page, from the notes of the run; the
    // stop dialog shows the progress.
    void BuildSiteMaps(BriefRun& run);

private:
    QObject* mainThread_;
    RunObserver& observer_;
};

} // namespace rv
