// FetchDriver: fetches a set of addresses with a bounded number of
// connections, without the brief run driver: it starts waiting requests
// from the queue, lets the transfer worker and TFetch do the work, and hands
// every finished request (page or failure page) to a callback. Retries and
// redirect targets come back through the queue and are fetched too.
//
// For the command-line fetcher, tests and benchmarks. Threads: the calling
// thread, which must own a Qt event loop (a QCoreApplication exists). Run
// waits in the event loop and never spins.
#pragma once

#include "client/engine/internal/fetch.h"
#include "client/engine/internal/transfer-worker.h"
#include "client/pages/retrieval-list.h"
#include "client/pages/run-state.h"

#include <chrono>
#include <functional>
#include <memory>

namespace rv
{

class FetchDriver : public TransferObserver
{
public:
    FetchDriver(const RetrievalSettings& settings, int connections);

    // Queues a request; its URL and options are the caller's.
    void Add(std::unique_ptr<RetrievalRequest> request);
    // A request for one address as an entry page, with a 10-second time-out.
    static std::unique_ptr<RetrievalRequest> MakeRequest(std::string url);

    using Done = std::function<void(RetrievalRequest&)>;
    // Runs until every request finished or the time limit passed; returns
    // whether everything finished. `done` sees each final request (not the
    // ones replaced by a retry copy) before it is freed.
    bool Run(std::chrono::milliseconds limit, const Done& done);

    RunState& State() { return state_; }
    TAsyncThread& Worker() { return worker_; }
    TRetrievalList& Queue() { return queue_; }

private:
    RunLock lock_;
    RunState state_;
    int connections_;
    TRetrievalList queue_;
    TAsyncThread worker_;
    TFetch fetch_;
};

} // namespace rv
