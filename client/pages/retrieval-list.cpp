#include "client/pages/retrieval-list.h"

#include "store/archive-writer.h"
#include "store/temp-files.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <system_error>

namespace rv
{

namespace
{

// The byte that says how a spilled request is loaded: as a file rather than
// a page, and into a frame of a stored frameset. A request that is neither
// writes 0, one loaded as a file 1.
constexpr std::uint8_t LoadAsFileBit = 0x01;
constexpr std::uint8_t FrameContextBit = 0x02;
constexpr std::uint8_t LocalSourceBit = 0x04;

void PutLength(std::string& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out += char((value >> (8 * i)) & 0xFF);
}

void PutText(std::string& out, std::string_view text)
{
    PutLength(out, std::uint32_t(text.size()));
    out += text;
}

void PutByte(std::string& out, std::uint8_t value)
{
    PutLength(out, 1);
    out += char(value);
}

void PutInt(std::string& out, std::int32_t value)
{
    PutLength(out, 4);
    PutLength(out, std::uint32_t(value));
}

} // namespace

// Reads records of the overflow file between two positions through the
// segment's window, refilled from the file when an item would cross its end.
struct RecordReader
{
    TRetrievalList& list;
    std::uint64_t position;
    std::uint64_t end;
    // A refill keeps the bytes from here on in the window (the record being
    // read), so that a whole record can be copied out of it.
    std::uint64_t keepFrom = UINT64_MAX;

    std::string& Window() { return list.segment_.window; }
    std::uint64_t WindowStart() const { return list.segment_.windowStart; }

    const char* Need(std::size_t count)
    {
        if (count > end - position)
            throw QueueFileError("The retrieval queue's overflow file is damaged");
        TRetrievalList::Segment& segment = list.segment_;
        std::string& window = segment.window;
        if (position < segment.windowStart || position + count > segment.windowStart + window.size())
        {
            std::uint64_t from = std::min(position, keepFrom);
            std::uint64_t wanted = std::max<std::uint64_t>(position - from + count, TRetrievalList::ReadWindowBytes);
            std::size_t size = std::size_t(std::min<std::uint64_t>(wanted, end - from));
            window.clear();
            window.resize(size);
            segment.streamAt = UINT64_MAX;
            if (fseeko(segment.file, off_t(from), SEEK_SET) != 0 || std::fread(window.data(), 1, size, segment.file) != size)
            {
                window.clear();
                throw QueueFileError("Cannot read the retrieval queue's overflow file");
            }
            segment.windowStart = from;
            segment.streamAt = from + size;
        }
        const char* at = window.data() + (position - segment.windowStart);
        position += count;
        return at;
    }

    std::uint32_t Length()
    {
        const auto* p = reinterpret_cast<const unsigned char*>(Need(4));
        return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
    }

    std::string Text()
    {
        std::uint32_t length = Length();
        if (length > TRetrievalList::MaxItemBytes)
            throw QueueFileError("The retrieval queue's overflow file is damaged");
        return std::string(Need(length), length);
    }

    std::uint8_t Byte()
    {
        if (Length() != 1)
            throw QueueFileError("The retrieval queue's overflow file is damaged");
        return std::uint8_t(*Need(1));
    }

    std::int32_t Int()
    {
        if (Length() != 4)
            throw QueueFileError("The retrieval queue's overflow file is damaged");
        return std::int32_t(Length());
    }
};

TRetrievalList::TRetrievalList(RunLock& lock, std::filesystem::path programFolder)
    : lock_(lock), programFolder_(std::move(programFolder))
{
}

TRetrievalList::~TRetrievalList()
{
    Clear();
}

std::uint32_t TRetrievalList::Reference(void* object)
{
    if (!object)
        return 0;
    auto [it, added] = references_.try_emplace(object, std::uint32_t(objects_.size()));
    if (added)
        objects_.push_back(object);
    return it->second;
}

void* TRetrievalList::Dereference(std::uint32_t reference) const
{
    if (reference >= objects_.size())
        throw QueueFileError("The retrieval queue's overflow file is damaged");
    return objects_[reference];
}

TRetrievalList::Node* TRetrievalList::Append(std::unique_ptr<RetrievalRequest> request)
{
    auto* node = new Node{nullptr, std::move(request)};
    if (tail_)
        tail_->Next = node;
    else
        head_ = node;
    tail_ = node;
    ++count_;
    return node;
}

TRetrievalList::Node* TRetrievalList::Add(std::unique_ptr<RetrievalRequest> request, bool force)
{
    std::lock_guard guard(lock_);
    if (limit_ == -1 || count_ < limit_ || force)
        return Append(std::move(request));
    SpillRequest(*request);
    return nullptr;
}

std::string TRetrievalList::Serialize(const RetrievalRequest& r)
{
    std::string out;
    PutText(out, r.URL);
    PutByte(out, r.FirstOfBrief);
    PutText(out, r.RequestId);
    PutInt(out, r.ChildCount);
    PutText(out, r.Referrer.value_or(std::string()));
    PutInt(out, std::int32_t(Reference(r.Entry)));
    PutInt(out, std::int32_t(Reference(r.Brief)));
    PutInt(out, std::int32_t(Reference(r.Cache)));
    PutText(out, r.TopLink.empty() ? r.EntryURL : r.TopLink);
    PutText(out, r.EntryURL);
    PutInt(out, std::int32_t(Reference(r.IndexDB)));
    PutByte(out, r.IsEntryPage);
    PutByte(out, r.FollowExternal);
    PutInt(out, r.LinkNumber);
    PutInt(out, r.Depth);
    PutByte(out, r.WentExternal);
    PutInt(out, r.Level);
    PutByte(out, std::uint8_t((r.LoadAsFile ? LoadAsFileBit : 0) | (r.FrameContext ? FrameContextBit : 0) |
                              (r.LocalSource ? LocalSourceBit : 0)));
    PutByte(out, r.AlwaysSuccessful);
    PutInt(out, r.LookupSlot);
    PutByte(out, r.Uncounted);
    PutByte(out, r.SkipRequested);
    PutInt(out, r.Retries);
    PutInt(out, r.TimeOut);
    PutByte(out, r.UseCredentials);
    PutByte(out, r.Deferred);
    PutByte(out, r.Had401);
    PutLength(out, std::uint32_t(r.ReferrerChain.size()));
    for (const std::string& referrer : r.ReferrerChain)
        PutText(out, referrer);
    return out;
}

void TRetrievalList::SpillRequest(const RetrievalRequest& request)
{
    if (!segment_.file)
    {
        std::filesystem::path path = CreateTempFile(programFolder_, TempPrefixQueue);
        std::FILE* file = std::fopen(path.c_str(), "w+b");
        if (!file)
            throw QueueFileError("Cannot open the retrieval queue's overflow file " + path.string());
        segment_ = Segment{};
        segment_.path = path;
        segment_.file = file;
    }
    std::string record = Serialize(request);
    if ((segment_.streamAt != segment_.writePosition && fseeko(segment_.file, off_t(segment_.writePosition), SEEK_SET) != 0) ||
        std::fwrite(record.data(), 1, record.size(), segment_.file) != record.size() || std::fflush(segment_.file) != 0)
    {
        segment_.streamAt = UINT64_MAX;
        throw QueueFileError("Cannot write the retrieval queue's overflow file");
    }
    segment_.writePosition += record.size();
    segment_.streamAt = segment_.writePosition;
    ++segment_.count;
    ++spilled_;
}

namespace
{

std::unique_ptr<RetrievalRequest> ReadRecord(RecordReader& in, const std::function<void*(std::uint32_t)>& object)
{
    auto r = std::make_unique<RetrievalRequest>();
    r->URL = in.Text();
    r->FirstOfBrief = in.Byte();
    r->RequestId = in.Text();
    r->ChildCount = in.Int();
    std::string referrer = in.Text();
    if (!referrer.empty())
        r->Referrer = std::move(referrer);
    r->Entry = static_cast<TWebPage*>(object(std::uint32_t(in.Int())));
    r->Brief = static_cast<TBrief*>(object(std::uint32_t(in.Int())));
    r->Cache = static_cast<TCache*>(object(std::uint32_t(in.Int())));
    r->TopLink = in.Text();
    r->EntryURL = in.Text();
    r->IndexDB = static_cast<TKSDB*>(object(std::uint32_t(in.Int())));
    r->IsEntryPage = in.Byte();
    r->FollowExternal = in.Byte();
    r->LinkNumber = in.Int();
    r->Depth = in.Int();
    r->WentExternal = in.Byte();
    r->Level = in.Int();
    const std::uint8_t loading = in.Byte();
    r->LoadAsFile = loading & LoadAsFileBit ? 1 : 0;
    r->FrameContext = loading & FrameContextBit ? 1 : 0;
    r->LocalSource = loading & LocalSourceBit ? 1 : 0;
    r->AlwaysSuccessful = in.Byte();
    r->LookupSlot = in.Int();
    r->Uncounted = in.Byte();
    r->SkipRequested = in.Byte();
    r->Retries = in.Int();
    r->TimeOut = in.Int();
    r->UseCredentials = in.Byte();
    r->Deferred = in.Byte();
    r->Had401 = in.Byte();
    std::uint32_t referrers = in.Length();
    // Each address takes at least its 4-byte length; more than the rest of
    // the file can hold means damage.
    if (referrers > (in.end - in.position) / 4)
        throw QueueFileError("The retrieval queue's overflow file is damaged");
    r->ReferrerChain.reserve(referrers);
    for (std::uint32_t i = 0; i < referrers; ++i)
        r->ReferrerChain.push_back(in.Text());
    // A request read back starts a fresh transfer.
    r->InProgress = 1;
    r->NotStarted = 1;
    r->LookupSlot = -1;
    r->IsRetryCopy = 1;
    r->StartTime = std::chrono::steady_clock::now();
    return r;
}

} // namespace

std::unique_ptr<RetrievalRequest> TRetrievalList::ReadBack()
{
    RecordReader in{*this, segment_.readPosition, segment_.writePosition};
    auto request = ReadRecord(in, [this](std::uint32_t reference) { return Dereference(reference); });
    segment_.readPosition = in.position;
    --segment_.count;
    --spilled_;
    return request;
}

TRetrievalList::Node* TRetrievalList::First()
{
    std::lock_guard guard(lock_);
    if (head_ || spilled_ == 0)
        return head_;
    while (spilled_ > 0 && (count_ < limit_ || limit_ == -1))
        Append(ReadBack());
    return nullptr;
}

TRetrievalList::Node* TRetrievalList::Remove(Node* node, std::unique_ptr<RetrievalRequest>* request)
{
    std::lock_guard guard(lock_);
    Node* previous = nullptr;
    Node* at = head_;
    while (at && at != node)
    {
        previous = at;
        at = at->Next;
    }
    if (at)
    {
        (previous ? previous->Next : head_) = at->Next;
        if (tail_ == at)
            tail_ = previous;
        --count_;
        if (request)
            *request = std::move(at->Request);
        delete at;
    }
    if (spilled_ > 0)
        Append(ReadBack());
    return head_;
}

void TRetrievalList::CloseSegment()
{
    if (segment_.file)
        std::fclose(segment_.file);
    if (!segment_.path.empty())
    {
        std::error_code ignored;
        std::filesystem::remove(segment_.path, ignored);
    }
    segment_ = Segment{};
}

void TRetrievalList::Clear()
{
    std::lock_guard guard(lock_);
    while (head_)
    {
        Node* next = head_->Next;
        delete head_;
        head_ = next;
    }
    tail_ = nullptr;
    count_ = 0;
    spilled_ = 0;
    CloseSegment();
    objects_.assign(1, nullptr);
    references_.clear();
}

void TRetrievalList::Drop(const std::function<bool(const RetrievalRequest&)>& matches, TKSDB* archive, const Progress& progress)
{
    std::lock_guard guard(lock_);
    if (!segment_.file || segment_.count == 0)
        return;
    const std::uint64_t start = segment_.readPosition;
    const std::int32_t total = segment_.count;
    RecordReader in{*this, start, segment_.writePosition};
    std::string kept;
    std::int32_t keptCount = 0;
    for (std::int32_t i = 0; i < total; ++i)
    {
        std::uint64_t recordStart = in.position;
        in.keepFrom = recordStart;
        auto request = ReadRecord(in, [this](std::uint32_t reference) { return Dereference(reference); });
        if (matches(*request))
        {
            if (archive)
                archive->AddSkipped(request->URL, request->URL, {}, std::int16_t(request->LinkNumber), 0);
        }
        else
        {
            // The whole record is in the window: copy its bytes unchanged.
            std::size_t size = std::size_t(in.position - recordStart);
            kept.append(in.Window().data() + (recordStart - in.WindowStart()), size);
            ++keptCount;
        }
        if (progress && (i + 1) % 20 == 0)
            progress(int((i + 1) * 100 / total));
    }
    // The kept records move to the front of what is left: the window no
    // longer shows the file.
    segment_.window.clear();
    segment_.windowStart = 0;
    segment_.streamAt = UINT64_MAX;
    if (!kept.empty() &&
        (fseeko(segment_.file, off_t(start), SEEK_SET) != 0 ||
         std::fwrite(kept.data(), 1, kept.size(), segment_.file) != kept.size() || std::fflush(segment_.file) != 0))
        throw QueueFileError("Cannot write the retrieval queue's overflow file");
    segment_.streamAt = start + kept.size();
    segment_.writePosition = start + kept.size();
    segment_.readPosition = start;
    spilled_ -= total - keptCount;
    segment_.count = keptCount;
}

void TRetrievalList::DropBrief(const TBrief* brief, TKSDB* archive, const Progress& progress)
{
    Drop([brief](const RetrievalRequest& r) { return r.Brief == brief; }, archive, progress);
}

void TRetrievalList::DropEntry(const TWebPage* entry, TKSDB* archive, const Progress& progress)
{
    Drop([entry](const RetrievalRequest& r) { return r.Entry == entry; }, archive, progress);
}

} // namespace rv
