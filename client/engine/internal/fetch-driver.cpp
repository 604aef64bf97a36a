#include "client/engine/internal/fetch-driver.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <vector>

namespace rv
{

FetchDriver::FetchDriver(const RetrievalSettings& settings, int connections)
    : connections_(connections), queue_(lock_, settings.ProgramFolder), worker_(state_, settings, *this),
      fetch_(state_, settings, worker_, queue_)
{
    worker_.SetQueue(&queue_);
}

std::unique_ptr<RetrievalRequest> FetchDriver::MakeRequest(std::string url)
{
    auto request = std::make_unique<RetrievalRequest>();
    request->TopLink = url;
    request->EntryURL = url;
    request->URL = std::move(url);
    request->IsEntryPage = 1;
    request->LocalSource = 1;
    request->TimeOut = 10;
    return request;
}

void FetchDriver::Add(std::unique_ptr<RetrievalRequest> request)
{
    queue_.Add(std::move(request));
}

bool FetchDriver::Run(std::chrono::milliseconds limit, const Done& done)
{
    state_.RunBusy = true;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool finished = false;
    while (std::chrono::steady_clock::now() < deadline)
    {
        TRetrievalList::Node* head = queue_.First();
        if (!head && queue_.Spilled() > 0)
            continue; // the first call only read spilled requests back
        if (!head)
        {
            finished = true;
            break;
        }
        int open = 0;
        for (auto* node = head; node; node = node->Next)
            if (node->Request->InProgress && !node->Request->NotStarted)
                ++open;
        std::vector<TRetrievalList::Node*> complete;
        for (auto* node = head; node; node = node->Next)
        {
            RetrievalRequest& request = *node->Request;
            if (request.InProgress && request.NotStarted && open < connections_)
            {
                request.NotStarted = 0;
                fetch_.Fetch(request);
                if (request.InProgress)
                    ++open;
            }
            if (!request.InProgress)
                complete.push_back(node);
        }
        for (auto* node : complete)
        {
            std::unique_ptr<RetrievalRequest> request;
            queue_.Remove(node, &request);
            worker_.Cancel(*request);
            if (!request->RetryScheduled && !request->TimedOut)
                done(*request);
        }
        if (complete.empty())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); // the worker's timer wakes it each second
    }
    state_.RunBusy = false;
    return finished;
}

} // namespace rv
