#include "client/engine/internal/transfer-worker.h"

#include "client/briefs/web-page.h"
#include "client/engine/internal/content-decoding.h"
#include "client/engine/internal/time-outs.h"
#include "client/pages/content-sniff.h"
#include "client/pages/http-response.h"
#include "client/pages/retrieval-list.h"
#include "client/pages/run-state.h"
#include "client/pages/store-address.h"
#include "client/pages/synthetic-pages.h"
#include "client/pages/url-parts.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>
#include <algorithm>

namespace rv
{

namespace
{

constexpr std::string_view ContactingHost = " Contacting Host...";
constexpr std::string_view Connected = " Connected...";
constexpr std::string_view TransferringData = " Transferring Data...";

// Statuses that are final: every other one is tried again while attempts remain.
bool IsFinalStatus(int status)
{
    return status == 200 || status == 203 || (status >= 300 && status <= 303) || status == 400 || status == 401 ||
           status == 403 || status == 404 || status == 501 || status == 888;
}

// A compressed body kept in memory is expanded in place, so that the page is
// scanned and stored as the text it is. One that does not expand (damaged,
// or larger than a body may grow) is kept as received and marked so.
void ExpandCompressedBody(RetrievalRequest& request, std::size_t limit)
{
    ResponseHead head;
    if (request.HeaderLength == 0 || FindHeaderEnd(request.Data.View(), head) != ParseStatus::Ok)
        return;
    const ContentCoding coding = CodingOf(request.Data.View().substr(0, head.HeaderLength));
    if (coding == ContentCoding::Identity)
        return;
    std::string body;
    if (DecodeBody(coding, request.Data.View().substr(head.BodyOffset), limit, body) != DecodeStatus::Ok)
    {
        request.BodyNotDecoded = 1;
        return;
    }
    request.Data.SetSize(head.BodyOffset);
    request.Data.Seek(0, SeekOrigin::End);
    request.Data.Write(body.data(), body.size());
}

void MarkEntryFailed(RetrievalRequest& request)
{
    request.PageInaccessible = 1;
}

} // namespace

struct TAsyncThread::Transfer
{
    RetrievalRequest* request = nullptr;
    QPointer<QTcpSocket> socket;
    std::string host; // the host connected to, for the address cache
    int slot = -1;
    bool connected = false;
};

struct TAsyncThread::Lookup
{
    RetrievalRequest* request = nullptr;
    std::string host;
    std::uint16_t port = 80;
    int lookupId = -1;
};

TAsyncThread::TAsyncThread(RunState& state, const RetrievalSettings& settings, TransferObserver& observer, QObject* parent)
    : QObject(parent), state_(state), settings_(settings), observer_(observer), lookups_(LookupSlots)
{
    timer_.setInterval(1000);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { CheckTimeOuts(); });
    timer_.start();
}

TAsyncThread::~TAsyncThread()
{
    for (auto& lookup : lookups_)
        if (lookup)
            QHostInfo::abortHostLookup(lookup->lookupId);
    for (auto& transfer : slots_)
        if (transfer && transfer->socket)
        {
            transfer->socket->disconnect(this);
            transfer->socket->abort();
        }
}

void TAsyncThread::SetQueue(TRetrievalList* queue)
{
    retryQueue_ = [queue](std::unique_ptr<RetrievalRequest> copy) { queue->Add(std::move(copy), true); };
}

void TAsyncThread::SetTimerEnabled(bool enabled)
{
    if (enabled)
        timer_.start();
    else
        timer_.stop();
}

std::size_t TAsyncThread::TransfersUnderWay() const
{
    auto busy = [](const auto& p) { return p != nullptr; };
    return std::size_t(std::count_if(slots_.begin(), slots_.end(), busy) +
                       std::count_if(lookups_.begin(), lookups_.end(), busy));
}

TAsyncThread::Transfer* TAsyncThread::TransferOf(const RetrievalRequest& request) const
{
    if (request.Socket < 0 || std::size_t(request.Socket) >= slots_.size())
        return nullptr;
    Transfer* transfer = slots_[std::size_t(request.Socket)].get();
    return transfer && transfer->request == &request ? transfer : nullptr;
}

void TAsyncThread::ReportProgress(const RetrievalRequest& request, int percent)
{
    observer_.ProgressChanged(request, std::clamp(percent, 0, 100));
}

bool TAsyncThread::Start(std::string_view hostPort, RetrievalRequest& request, std::string requestText)
{
    observer_.StatusText(ContactingHost);
    if (state_.StopRequested)
    {
        StorePage(request, ClientPageText(ClientPage::Skipped, request.URL));
        return false;
    }
    std::string host(HostWithoutPort(hostPort));
    std::uint16_t port = PortOf(hostPort);
    request.WorkerDone.store(false, std::memory_order_relaxed);
    request.RequestText = std::move(requestText);
    request.BytesSent = 0;
    request.StartTime = std::chrono::steady_clock::now();

    if (IsDottedQuad(host))
    {
        Connect(request, host, nullptr, QString::fromStdString(host), port);
        return true;
    }
    std::vector<HostAddressCache::Address> known = cache_.Resolved(host);
    if (!known.empty())
    {
        Connect(request, host, &known.front(), {}, port);
        return true;
    }
    cache_.MarkLookupStarted(host);
    auto free = std::find(lookups_.begin(), lookups_.end(), nullptr);
    if (free == lookups_.end())
    {
        StorePage(request, ClientPageText(ClientPage::NoConnection, request.URL));
        return false;
    }
    int slot = int(free - lookups_.begin());
    auto lookup = std::make_unique<Lookup>();
    lookup->request = &request;
    lookup->host = host;
    lookup->port = port;
    request.LookupSlot = slot;
    Lookup* pending = lookup.get();
    *free = std::move(lookup);
    pending->lookupId = QHostInfo::lookupHost(
        QString::fromStdString(host), this,
        [this, slot](const QHostInfo& info)
        {
            std::vector<HostAddressCache::Address> v4;
            QString first;
            for (const QHostAddress& address : info.addresses())
            {
                bool isV4 = false;
                quint32 value = address.toIPv4Address(&isV4);
                if (isV4)
                    v4.push_back(
                        {std::uint8_t(value >> 24), std::uint8_t(value >> 16), std::uint8_t(value >> 8), std::uint8_t(value)});
                else if (first.isEmpty())
                    first = address.toString();
            }
            OnLookupFinished(slot, info.lookupId(), v4, first, info.error() != QHostInfo::NoError || info.addresses().empty());
        });
    return true;
}

void TAsyncThread::OnLookupFinished(int slot, int lookupId, const std::vector<HostAddressCache::Address>& v4,
                                    const QString& firstAddress, bool failed)
{
    Lookup* lookup = lookups_[std::size_t(slot)].get();
    if (!lookup || lookup->lookupId != lookupId)
        return;
    std::unique_ptr<Lookup> done = std::move(lookups_[std::size_t(slot)]);
    RetrievalRequest& request = *done->request;
    request.LookupSlot = -1;
    if (failed || (v4.empty() && firstAddress.isEmpty()))
    {
        StorePage(request, ClientPageText(ClientPage::NoConnection, "http://" + request.URL));
        MarkEntryFailed(request);
        request.Success = 0;
        request.InProgress = 0;
        request.AwaitingResponse = 0;
        Finish(request);
        return;
    }
    if (!v4.empty())
    {
        cache_.Store(done->host, v4);
        Connect(request, done->host, &v4.front(), {}, done->port);
    }
    else
    {
        Connect(request, done->host, nullptr, firstAddress, done->port);
    }
}

void TAsyncThread::Connect(RetrievalRequest& request, const std::string& host, const HostAddressCache::Address* v4,
                           const QString& address, std::uint16_t port)
{
    auto transfer = std::make_unique<Transfer>();
    transfer->request = &request;
    transfer->host = host;
    const bool tls = HasSchemeNamed(request.URL, "https");
    QTcpSocket* socket = tls ? new QSslSocket(this) : new QTcpSocket(this);
    transfer->socket = socket;
    socket->setReadBufferSize(0);
    socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, ReceiveBufferBytes);

    auto free = std::find(slots_.begin(), slots_.end(), nullptr);
    if (free == slots_.end())
        free = slots_.insert(slots_.end(), nullptr);
    transfer->slot = int(free - slots_.begin());
    request.Socket = transfer->slot;
    Transfer* raw = transfer.get();
    *free = std::move(transfer);

    if (tls)
        QObject::connect(static_cast<QSslSocket*>(socket), &QSslSocket::encrypted, this, [this, raw] { OnConnected(*raw); });
    else
        QObject::connect(socket, &QTcpSocket::connected, this, [this, raw] { OnConnected(*raw); });
    QObject::connect(socket, &QTcpSocket::bytesWritten, this, [this, raw](qint64 bytes) { OnBytesWritten(*raw, bytes); });
    QObject::connect(socket, &QTcpSocket::readyRead, this, [this, raw] { OnReadyRead(*raw); });
    QObject::connect(socket, &QTcpSocket::errorOccurred, this, [this, raw] { OnSocketError(*raw); });

    QHostAddress target = v4 ? QHostAddress(quint32((quint32((*v4)[0]) << 24) | (quint32((*v4)[1]) << 16) |
                                                    (quint32((*v4)[2]) << 8) | quint32((*v4)[3])))
                             : QHostAddress(address);
    if (!tls)
    {
        socket->connectToHost(target, port);
        return;
    }
    // The address is connected to as looked up; the certificate must name
    // the host of the address. A failed check ends the transfer as an error.
    auto* ssl = static_cast<QSslSocket*>(socket);
    if (!settings_.CaCertificatesFile.empty())
    {
        QSslConfiguration configuration = ssl->sslConfiguration();
        configuration.addCaCertificates(QString::fromStdString(settings_.CaCertificatesFile));
        ssl->setSslConfiguration(configuration);
    }
    ssl->connectToHostEncrypted(target.toString(), port, QString::fromStdString(host));
}

void TAsyncThread::OnConnected(Transfer& transfer)
{
    transfer.connected = true;
    observer_.StatusText(Connected);
    RetrievalRequest& request = *transfer.request;
    request.StartTime = std::chrono::steady_clock::now();
    if (!request.RequestText.empty())
        transfer.socket->write(request.RequestText.data(), qint64(request.RequestText.size()));
}

void TAsyncThread::OnBytesWritten(Transfer& transfer, qint64 bytes)
{
    RetrievalRequest& request = *transfer.request;
    request.StartTime = std::chrono::steady_clock::now();
    request.BytesSent += std::size_t(bytes);
    if (request.RequestText.empty() || request.BytesSent < request.RequestText.size())
        return;
    request.RequestText.clear();
    request.RequestText.shrink_to_fit();
    request.AwaitingResponse = 1;
    request.Data.Clear();
    observer_.StatusText(TransferringData);
    ReadLater(transfer, 0);
}

void TAsyncThread::ReadLater(Transfer& transfer, int milliseconds)
{
    Later(transfer, milliseconds, &TAsyncThread::OnReadyRead);
}

void TAsyncThread::Later(Transfer& transfer, int milliseconds, void (TAsyncThread::*handler)(Transfer&))
{
    QPointer<QTcpSocket> socket = transfer.socket;
    int slot = transfer.slot;
    QTimer::singleShot(milliseconds, this,
                       [this, socket, slot, handler]
                       {
                           // The transfer may have ended meanwhile and its slot been reused.
                           if (socket && std::size_t(slot) < slots_.size() && slots_[std::size_t(slot)] &&
                               slots_[std::size_t(slot)]->socket == socket)
                               (this->*handler)(*slots_[std::size_t(slot)]);
                       });
}

void TAsyncThread::OnReadyRead(Transfer& transfer)
{
    RetrievalRequest& request = *transfer.request;
    RequestClaim claim(state_, request);
    if (!claim.Held())
    {
        // Another thread is looking at the request: read once it let go.
        ReadLater(transfer, 1);
        return;
    }
    if (!request.InProgress || request.BodyReady)
        return;
    Receive(transfer);
}

bool TAsyncThread::Receive(Transfer& transfer)
{
    RetrievalRequest& request = *transfer.request;
    QTcpSocket* socket = transfer.socket;
    char buffer[ReadChunkBytes];
    while (socket && socket->bytesAvailable() > 0)
    {
        qint64 got = socket->read(buffer, qint64(ReadChunkBytes));
        if (got <= 0)
            break;
        request.StartTime = std::chrono::steady_clock::now();
        if (state_.StopRequested)
        {
            request.Data.Clear();
            continue;
        }
        if (!AppendBody(request, buffer, std::size_t(got)))
        {
            // Past the size limit: keep what arrived and end the response.
            EndOfResponse(transfer);
            return false;
        }
        if (!request.HeaderComplete)
        {
            ProcessHeader(transfer);
            if (!TransferOf(request))
                return false;
        }
        if (request.ContentLength > 0)
            ReportProgress(
                request, int(std::min<std::uint64_t>(request.BytesReceived * 100 / std::uint64_t(request.ContentLength), 100)));
    }
    return true;
}

bool TAsyncThread::AppendBody(RetrievalRequest& request, const char* bytes, std::size_t count)
{
    if (request.TempFile.IsOpen())
    {
        if (request.TempFile.Size() + count > MaxFileBodyBytes)
        {
            request.BodyCut = 1;
            return false;
        }
        if (!request.TempFile.Append(bytes, count))
            return false;
    }
    else
    {
        if (request.Data.Size() + count > settings_.MemoryBodyLimit)
        {
            request.BodyCut = 1;
            return false;
        }
        request.Data.Seek(0, SeekOrigin::End);
        request.Data.Write(bytes, count);
    }
    request.BytesReceived += count;
    return true;
}

void TAsyncThread::ProcessHeader(Transfer& transfer)
{
    RetrievalRequest& request = *transfer.request;
    ResponseHead head;
    ParseStatus status = ParseResponseHead(request.Data.View(), head);
    if (status == ParseStatus::Incomplete)
        return;
    request.HeaderComplete = 1;
    if (status == ParseStatus::Bad)
        return; // no end in sight: keep the defaults and take the rest as it comes
    request.HeaderLength = head.HeaderLength;
    if (head.HasContentType)
        request.ContentType = head.ContentType;
    request.Charset = head.Charset;
    request.NotHTML = IsTextType(request.ContentType) ? 0 : 1;
    bool unwantedImage = request.ContentType.starts_with("image") && request.Entry && !request.Entry->Images;
    if (request.ContentType.starts_with("multipart") || unwantedImage)
    {
        AbandonTransfer(transfer);
        return;
    }
    // A style sheet of a generic type stays in memory, to be stored as one.
    if (request.NotHTML && !(request.StyleSheet && IsGenericType(request.ContentType)))
    {
        try
        {
            request.TempFile.Create(settings_.ProgramFolder);
        }
        catch (const std::exception&)
        {
            FailTransfer(transfer, false);
            return;
        }
        std::string_view body = request.Data.View().substr(head.BodyOffset);
        if (!request.TempFile.Append(body.data(), body.size()))
        {
            FailTransfer(transfer, false);
            return;
        }
        request.Data.SetSize(head.BodyOffset);
    }
    if (request.ContentLength == -1)
    {
        request.ContentLength = head.ContentLength;
        if (!request.TempFile.IsOpen())
            request.Data.Reserve(ReserveFor(head.ContentLength));
    }
}

void TAsyncThread::CloseTransfer(RetrievalRequest& request)
{
    Transfer* transfer = TransferOf(request);
    if (!transfer)
        return;
    std::unique_ptr<Transfer> owned = std::move(slots_[std::size_t(transfer->slot)]);
    if (owned->socket)
    {
        owned->socket->disconnect(this);
        owned->socket->abort();
        owned->socket->deleteLater();
    }
    request.Socket = -1;
}

void TAsyncThread::Finish(RetrievalRequest& request)
{
    CloseTransfer(request);
    NotifyEnded(request);
}

void TAsyncThread::NotifyEnded(RetrievalRequest& request)
{
    // Told from the event loop, never from inside a claim or a socket
    // callback, so the observer may free the request at once.
    ended_.push_back(&request);
    if (ended_.size() == 1)
        QTimer::singleShot(0, this,
                           [this]
                           {
                               std::vector<RetrievalRequest*> ended;
                               ended.swap(ended_);
                               for (RetrievalRequest* request : ended)
                               {
                                   request->WorkerDone.store(true, std::memory_order_release);
                                   observer_.TransferEnded(*request);
                               }
                           });
}

void TAsyncThread::AbandonTransfer(Transfer& transfer)
{
    RetrievalRequest& request = *transfer.request;
    request.ContentType = "text/html";
    request.Charset.clear();
    request.InProgress = 0;
    request.BodyReady = 0;
    request.AwaitingResponse = 0;
    request.Data.Clear();
    request.TempFile.Discard();
    MarkEntryFailed(request);
    Finish(request);
}

void TAsyncThread::FailTransfer(Transfer& transfer, bool scheduleRetry)
{
    RetrievalRequest& request = *transfer.request;
    request.InProgress = 0;
    request.AwaitingResponse = 0;
    request.TempFile.Discard();
    if (scheduleRetry && request.Retries < settings_.Retries)
    {
        // Try again on a fresh connection; the copy counts one more attempt.
        auto copy = CopyForRetry(request);
        copy->Retries = request.Retries + 1;
        request.RetryScheduled = 1;
        request.Data.Clear();
        QueueRetry(std::move(copy));
        Finish(request);
        return;
    }
    request.RetryScheduled = 0;
    StorePage(request, ClientPageText(ClientPage::NotLoaded, request.URL));
    MarkEntryFailed(request);
    request.Success = 0;
    request.AwaitingResponse = 0;
    Finish(request);
}

void TAsyncThread::OnSocketError(Transfer& transfer)
{
    RetrievalRequest& request = *transfer.request;
    QTcpSocket* socket = transfer.socket;
    if (!socket)
        return;
    RequestClaim claim(state_, request);
    if (!claim.Held())
    {
        // The retrieval thread is looking at the request: ending the
        // transfer under it would let it handle a half-finished page.
        Later(transfer, 1, &TAsyncThread::OnSocketError);
        return;
    }
    QAbstractSocket::SocketError error = socket->error();
    if (error == QAbstractSocket::RemoteHostClosedError && transfer.connected)
    {
        if (request.InProgress && !request.BodyReady)
        {
            Receive(transfer);
            if (TransferOf(request))
                EndOfResponse(transfer);
        }
        return;
    }
    if (!request.InProgress || request.BodyReady)
        return;
    if (!transfer.connected)
    {
        // The connection could not be made.
        FailTransfer(transfer, true);
        return;
    }
    if (!request.RequestText.empty())
    {
        // Sending failed: the connection is gone before the request went out.
        if (request.Status == -1)
            request.Status = 404;
        request.Data.Clear();
        FailTransfer(transfer, true);
        return;
    }
    FailTransfer(transfer, false);
}

void TAsyncThread::QueueRetry(std::unique_ptr<RetrievalRequest> copy)
{
    if (retryQueue_)
        retryQueue_(std::move(copy));
}

void TAsyncThread::EndOfResponse(Transfer& transfer)
{
    RetrievalRequest& request = *transfer.request;
    request.InProgress = 0;
    request.AwaitingResponse = 0;
    CloseTransfer(request);
    const std::uint64_t received = request.BytesReceived;
    if (!request.TempFile.IsOpen())
        ExpandCompressedBody(request, settings_.MemoryBodyLimit);
    request.Data.Seek(0, SeekOrigin::End);
    request.Data.Write("\0", 1);
    if (request.TempFile.IsOpen())
    {
        request.TempFile.Append("\0", 1);
        request.TempFile.Close();
    }
    ReportProgress(request, 100);
    request.BodyReady = 1;

    int status = ReadStatus(request.Data.View().substr(0, request.Data.Size() - 1));
    if (received < 2)
    {
        request.TempFile.Discard();
        StorePage(request, ClientPageText(ClientPage::NoConnection, request.URL));
    }
    if (request.AlwaysSuccessful && status != 404)
        status = 200;
    request.Retries += 1;
    request.Status = status;
    if (!IsFinalStatus(status) && request.Retries < settings_.Retries)
    {
        auto copy = CopyForRetry(request);
        copy->TimeOut = RaisedAfterRetryStatus(request.TimeOut);
        request.RetryScheduled = 1;
        request.BodyReady = 0;
        request.Data.Clear();
        request.TempFile.Discard();
        QueueRetry(std::move(copy));
    }
    else if (onResponse_)
    {
        onResponse_(request);
    }
    NotifyEnded(request);
}

void TAsyncThread::Cancel(RetrievalRequest& request)
{
    ended_.erase(std::remove(ended_.begin(), ended_.end(), &request), ended_.end());
    if (request.LookupSlot >= 0 && std::size_t(request.LookupSlot) < lookups_.size())
    {
        auto& lookup = lookups_[std::size_t(request.LookupSlot)];
        if (lookup && lookup->request == &request)
        {
            QHostInfo::abortHostLookup(lookup->lookupId);
            lookup.reset();
        }
        request.LookupSlot = -1;
    }
    CloseTransfer(request);
}

void TAsyncThread::CheckTimeOuts()
{
    if (!state_.RunBusy || state_.StopRequested)
        return;
    std::vector<RetrievalRequest*> open;
    for (const auto& transfer : slots_)
        if (transfer)
            open.push_back(transfer->request);
    for (const auto& lookup : lookups_)
        if (lookup)
            open.push_back(lookup->request);
    const auto now = std::chrono::steady_clock::now();
    for (RetrievalRequest* request : open)
    {
        RequestClaim claim(state_, *request);
        if (!claim.Held() || !request->InProgress || request->BodyReady || request->RetryScheduled || request->TimedOut)
            continue;
        bool awaiting = request->AwaitingResponse != 0;
        std::int64_t limit = TimeOutLimit(request->TimeOut, awaiting, settings_.LongTimeouts);
        if (ElapsedSeconds(request->StartTime, now) <= limit)
        {
            if (Transfer* transfer = TransferOf(*request); transfer && awaiting)
                Receive(*transfer);
            continue;
        }
        TimeOut(*request);
    }
}

void TAsyncThread::TimeOut(RetrievalRequest& request)
{
    request.StartTime = std::chrono::steady_clock::now();
    request.InProgress = 0;
    std::string host;
    if (Transfer* transfer = TransferOf(request))
        host = transfer->host;
    else if (request.LookupSlot >= 0 && lookups_[std::size_t(request.LookupSlot)])
        host = lookups_[std::size_t(request.LookupSlot)]->host;
    Cancel(request);
    request.TempFile.Discard();

    bool untried = false;
    bool rotatedFree = cache_.Rotate(host, &untried) && untried;
    if (rotatedFree)
        request.Retries -= 1;
    if (request.Retries < settings_.Retries)
    {
        auto copy = CopyForRetry(request);
        copy->Retries = request.Retries + 1;
        copy->TimeOut = rotatedFree ? request.TimeOut : RaisedAfterTimeOut(request.TimeOut);
        request.RetryScheduled = 1;
        request.TimedOut = 1;
        request.Data.Clear();
        QueueRetry(std::move(copy));
    }
    else
    {
        if (request.Status == -1)
            request.Status = 404;
        StorePage(request, ClientPageText(ClientPage::NotLoaded, request.URL));
        MarkEntryFailed(request);
        request.RetryScheduled = 0;
        request.Success = 0;
    }
    request.AwaitingResponse = 0;
    NotifyEnded(request);
}

} // namespace rv
