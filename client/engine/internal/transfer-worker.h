// TAsyncThread: the transfer worker. It carries out the HTTP/1.0 transfers
// of a run: host look-up (asynchronous, through the host address cache),
// connect, sending the request text, receiving the answer into the
// request's memory stream or a "bin" temporary file for non-text bodies,
// progress, time-outs and retries.
//
// Threads: everything runs on the thread that owns the object (the main
// thread) through its Qt event loop; the worker has no thread of its own and
// never blocks or polls. Callbacks are made on that thread. Another thread
// that wants a request's fields claims it first (run-state.h); the worker
// claims a request while it reads into it and passes it over in its time-out
// check when it cannot.
//
// Ownership: the worker never owns requests. A request handed to Start must
// stay alive until its transfer ended (TransferEnded was called) or Cancel
// was called for it.
#pragma once

#include "client/engine/internal/host-address-cache.h"
#include "client/pages/retrieval-request.h"
#include "client/pages/retrieval-settings.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QTcpSocket;

namespace rv
{

struct RunState;
class TRetrievalList;

// What the worker reports. Every call comes on the worker's thread.
class TransferObserver
{
public:
    virtual ~TransferObserver() = default;
    // " Contacting Host...", " Connected...", " Transferring Data...".
    virtual void StatusText(std::string_view /*text*/) {}
    // Bytes received × 100 / announced length; 100 when a transfer ends.
    virtual void ProgressChanged(const RetrievalRequest& /*request*/, int /*percent*/) {}
    // The transfer of this request is over: a body or failure page is ready
    // (BodyReady), or it was abandoned, or a retry copy was queued
    // (RetryScheduled). The request is no longer touched by the worker.
    // Called from the event loop after the transfer's own events.
    virtual void TransferEnded(RetrievalRequest& /*request*/) {}
};

class TAsyncThread : public QObject
{
public:
    // At most this many host look-ups are under way at once.
    static constexpr int LookupSlots = 200;
    // Bytes taken from the socket per read.
    static constexpr std::size_t ReadChunkBytes = 9999;
    // Socket receive buffer asked for.
    static constexpr int ReceiveBufferBytes = 32000;

    // Response handling of a complete answer (status read, no retry due).
    using ResponseHandler = std::function<void(RetrievalRequest&)>;
    // Where retry copies go; the default puts them at the end of the queue.
    using RetryQueue = std::function<void(std::unique_ptr<RetrievalRequest>)>;

    TAsyncThread(RunState& state, const RetrievalSettings& settings, TransferObserver& observer, QObject* parent = nullptr);
    ~TAsyncThread() override;

    void SetResponseHandler(ResponseHandler handler) { onResponse_ = std::move(handler); }
    void SetRetryQueue(RetryQueue queue) { retryQueue_ = std::move(queue); }
    void SetQueue(TRetrievalList* queue);
    // The settings of the next run; called while no run is under way.
    void SetSettings(const RetrievalSettings& settings) { settings_ = settings; }

    // Begins a transfer to host[:port] (the proxy's when the request goes
    // through it). Returns false when none is under way: a failure page was
    // stored (or the run is stopping) and TransferEnded will not be called.
    [[nodiscard]] bool Start(std::string_view hostPort, RetrievalRequest& request, std::string requestText);

    // Stops the transfer of this request without a page: closes its socket
    // or cancels its look-up, and drops a pending TransferEnded for it, so the
    // caller may free the request right after. Safe for a request with no
    // transfer.
    void Cancel(RetrievalRequest& request);

    // The one-second time-out check; runs by itself from its timer while
    // enabled. Exposed for tests that drive time.
    void CheckTimeOuts();
    void SetTimerEnabled(bool enabled);
    bool TimerEnabled() const { return timer_.isActive(); }

    HostAddressCache& AddressCache() { return cache_; }
    std::size_t TransfersUnderWay() const;

private:
    struct Transfer;
    struct Lookup;

    void Connect(RetrievalRequest& request, const std::string& host, const HostAddressCache::Address* v4,
                 const QString& address, std::uint16_t port);
    void ReadLater(Transfer& transfer, int milliseconds);
    // Calls handler for the transfer after the given time, unless it has
    // ended meanwhile.
    void Later(Transfer& transfer, int milliseconds, void (TAsyncThread::*handler)(Transfer&));
    void NotifyEnded(RetrievalRequest& request);
    void OnConnected(Transfer& transfer);
    void OnBytesWritten(Transfer& transfer, qint64 bytes);
    void OnReadyRead(Transfer& transfer);
    void OnSocketError(Transfer& transfer);
    void OnLookupFinished(int slot, int lookupId, const std::vector<HostAddressCache::Address>& v4, const QString& firstAddress,
                          bool failed);
    bool Receive(Transfer& transfer);
    [[nodiscard]] bool AppendBody(RetrievalRequest& request, const char* bytes, std::size_t count);
    void ProcessHeader(Transfer& transfer);
    void AbandonTransfer(Transfer& transfer);
    void EndOfResponse(Transfer& transfer);
    void FailTransfer(Transfer& transfer, bool scheduleRetry);
    void TimeOut(RetrievalRequest& request);
    void QueueRetry(std::unique_ptr<RetrievalRequest> copy);
    void Finish(RetrievalRequest& request);
    void CloseTransfer(RetrievalRequest& request);
    Transfer* TransferOf(const RetrievalRequest& request) const;
    void ReportProgress(const RetrievalRequest& request, int percent);

    RunState& state_;
    RetrievalSettings settings_; // the run's own copy
    TransferObserver& observer_;
    ResponseHandler onResponse_;
    RetryQueue retryQueue_;
    HostAddressCache cache_;
    std::vector<std::unique_ptr<Transfer>> slots_; // a null slot is reused first
    std::vector<std::unique_ptr<Lookup>> lookups_;
    std::vector<RetrievalRequest*> ended_; // told to the observer from the event loop
    QTimer timer_;
};

} // namespace rv
