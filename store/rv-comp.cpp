// RVComp on zstd: a process-wide handle table of memory storages,
// compressors and decompressors, and the two block operations built on them.
#include "store/rv-comp.h"

#include "store/crc32.h"
#include "store/html-dictionary.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <variant>
#include <vector>
// For ZSTD_c_forceAttachDict; an older or newer library that lacks it refuses
// the setting, which only makes compression slower, never different in form.
#define ZSTD_STATIC_LINKING_ONLY
#include <zstd.h>

namespace rv
{

namespace
{

// Largest size hint honoured up front; bigger storages still grow as written.
constexpr long MaxReservedBytes = 1 << 20;

// The match finder for blocks, chosen by bench/compression-bench on HTML:
// zstd's double-fast search over a 128 KB window with small tables (a block
// is 20000 bytes, and every block starts by preparing the tables) and
// matches of at least 5 bytes. It keeps archives as small
// as zlib level 9 makes them at about five times its speed.
struct BlockSetting
{
    ZSTD_cParameter parameter;
    int value;
};
constexpr BlockSetting BlockSettings[] = {
    {ZSTD_c_strategy, ZSTD_dfast},
    {ZSTD_c_windowLog, 17},
    {ZSTD_c_hashLog, 14},
    {ZSTD_c_chainLog, 14},
    {ZSTD_c_minMatch, 5},
    // The frame states the plain size (the reader checks it against its
    // limit and sizes its buffer exactly) and names the dictionary (a block
    // made with another one is refused), but carries no checksum: four bytes
    // a block, and damage that keeps the frame's structure intact can only
    // alter text, never memory beyond the stated size.
    {ZSTD_c_contentSizeFlag, 1},
    {ZSTD_c_checksumFlag, 0},
    {ZSTD_c_dictIDFlag, 1},
};

struct Storage
{
    std::string label;
    std::string bytes;
    std::size_t readPosition = 0;
    bool writable = true;
    bool crcRunning = false;
    std::uint32_t crc = 0;

    void Append(const void* data, std::size_t count)
    {
        bytes.append(static_cast<const char*>(data), count);
        Written(bytes.size() - count);
    }

    // Accounts for bytes placed directly at the end, from start on.
    void Written(std::size_t start)
    {
        if (crcRunning)
        {
            crc = Crc32(crc, bytes.data() + start, bytes.size() - start);
        }
    }
};

// The dictionary digested for expansion, built once and shared: zstd's
// digested dictionaries are read-only and safe to use from any thread.
struct ExpansionDictionary
{
    ZSTD_DDict* digested = nullptr;

    ExpansionDictionary() : digested(ZSTD_createDDict(HtmlDictionary().data(), HtmlDictionary().size())) {}
    ~ExpansionDictionary() { ZSTD_freeDDict(digested); }
    ExpansionDictionary(const ExpansionDictionary&) = delete;
    ExpansionDictionary& operator=(const ExpansionDictionary&) = delete;
};

const ZSTD_DDict* SharedExpansionDictionary()
{
    static const ExpansionDictionary dictionary;
    return dictionary.digested;
}

// One compressor serves every block of an open store; it digests the
// dictionary once, for its own settings.
struct Compressor
{
    ZSTD_CCtx* context = ZSTD_createCCtx();
    bool ready = false;

    Compressor()
    {
        if (!context)
        {
            return;
        }
        for (const auto& setting : BlockSettings)
        {
            if (ZSTD_isError(ZSTD_CCtx_setParameter(context, setting.parameter, setting.value)))
            {
                return;
            }
        }
        // Referencing the digested dictionary instead of copying its tables
        // into the context for each 20000-byte block is about 15% faster.
        ZSTD_CCtx_setParameter(context, ZSTD_c_forceAttachDict, ZSTD_dictForceAttach);
        ready = !ZSTD_isError(ZSTD_CCtx_loadDictionary(context, HtmlDictionary().data(), HtmlDictionary().size()));
        if (ready)
        {
            SizeWorkspace();
        }
    }
    ~Compressor() { ZSTD_freeCCtx(context); }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    // zstd sizes its working memory by the largest block compressed so far,
    // and frees and allocates it anew, larger, when a larger block comes. A
    // run's pages are mostly shorter than a block, and the full blocks of its
    // site maps come last: the new working memory then went on top of the
    // heap at the run's end, which set the run's peak. One block of the
    // largest size, compressed first, allocates it once at its full size.
    void SizeWorkspace()
    {
        const std::string plain(MaxBlockPlainBytes, ' ');
        std::string frame(ZSTD_compressBound(plain.size()), '\0');
        ZSTD_compress2(context, frame.data(), frame.size(), plain.data(), plain.size());
    }
};

// Expansion makes a decompressor per block; creating a zstd context costs
// about as much as expanding a block, so released contexts are kept for reuse.
class DecompressionContexts
{
public:
    ~DecompressionContexts()
    {
        for (ZSTD_DCtx* context : free_)
        {
            ZSTD_freeDCtx(context);
        }
    }

    ZSTD_DCtx* Take()
    {
        {
            std::lock_guard lock(mutex_);
            if (!free_.empty())
            {
                ZSTD_DCtx* context = free_.back();
                free_.pop_back();
                return context;
            }
        }
        return ZSTD_createDCtx();
    }

    void Give(ZSTD_DCtx* context)
    {
        if (!context)
        {
            return;
        }
        ZSTD_DCtx_reset(context, ZSTD_reset_session_and_parameters);
        {
            std::lock_guard lock(mutex_);
            if (free_.size() < MaxKept)
            {
                free_.push_back(context);
                return;
            }
        }
        ZSTD_freeDCtx(context);
    }

private:
    // Enough for every thread that expands at once; each is about 100 KB.
    static constexpr std::size_t MaxKept = 16;
    std::mutex mutex_;
    std::vector<ZSTD_DCtx*> free_;
};

DecompressionContexts& SharedContexts()
{
    static DecompressionContexts contexts;
    return contexts;
}

struct Decompressor
{
    ZSTD_DCtx* context = SharedContexts().Take();
    std::size_t limit = MaxExpandedBytes;

    Decompressor() = default;
    ~Decompressor() { SharedContexts().Give(context); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
};

using Object = std::variant<std::unique_ptr<Storage>, std::unique_ptr<Compressor>, std::unique_ptr<Decompressor>>;

// Handles map to heap objects so that an object stays put while the table
// grows; the lock guards only the table, since one handle is used by one
// thread at a time.
class HandleTable
{
public:
    ALHandle Add(Object object)
    {
        std::lock_guard lock(mutex_);
        do
        {
            ++next_;
        } while (next_ == 0 || objects_.contains(next_));
        objects_.emplace(next_, std::move(object));
        return next_;
    }

    template <typename T> T* Find(ALHandle handle)
    {
        std::lock_guard lock(mutex_);
        auto it = objects_.find(handle);
        if (it == objects_.end())
        {
            return nullptr;
        }
        auto* held = std::get_if<std::unique_ptr<T>>(&it->second);
        return held ? held->get() : nullptr;
    }

    // Removes the handle if it names a T; the object is freed outside the lock.
    template <typename T> void Remove(ALHandle handle)
    {
        Object removed;
        {
            std::lock_guard lock(mutex_);
            auto it = objects_.find(handle);
            if (it == objects_.end() || !std::holds_alternative<std::unique_ptr<T>>(it->second))
            {
                return;
            }
            removed = std::move(it->second);
            objects_.erase(it);
        }
    }

private:
    std::mutex mutex_;
    std::unordered_map<ALHandle, Object> objects_;
    ALHandle next_ = 0;
};

HandleTable& Table()
{
    static HandleTable table;
    return table;
}

constexpr ALStatus Ok = 0;
constexpr ALStatus BadHandle = -1;
constexpr ALStatus BadArgument = -2;
constexpr ALStatus NotClosed = -3;
constexpr ALStatus CodecFailed = -4;
constexpr ALStatus BadInput = -5;

// Checks a compressed frame before anything is reserved for it: it must name
// our dictionary and state its plain size, and that size must be within limit.
ALStatus CheckFrame(std::string_view frame, std::size_t limit, std::size_t& plainSize)
{
    if (ZSTD_getDictID_fromFrame(frame.data(), frame.size()) != HtmlDictionaryId)
    {
        return BadInput;
    }
    const unsigned long long size = ZSTD_getFrameContentSize(frame.data(), frame.size());
    if (size == ZSTD_CONTENTSIZE_UNKNOWN || size == ZSTD_CONTENTSIZE_ERROR || size > limit)
    {
        return BadInput;
    }
    plainSize = static_cast<std::size_t>(size);
    return Ok;
}

// Expands frame, which must be exactly one checked frame, onto the end of
// plain; plain is left as it was when it is not.
ALStatus ExpandFrame(ZSTD_DCtx* context, std::string_view frame, std::size_t limit, std::string& plain)
{
    if (!context)
    {
        return CodecFailed;
    }
    std::size_t plainSize = 0;
    if (CheckFrame(frame, limit, plainSize) != Ok || ZSTD_findFrameCompressedSize(frame.data(), frame.size()) != frame.size())
    {
        return BadInput;
    }
    const std::size_t start = plain.size();
    plain.resize(start + plainSize);
    const std::size_t produced = ZSTD_decompress_usingDDict(context, plain.data() + start, plainSize, frame.data(),
                                                            frame.size(), SharedExpansionDictionary());
    if (ZSTD_isError(produced) || produced != plainSize)
    {
        plain.resize(start);
        return BadInput;
    }
    return Ok;
}

} // namespace

ALHandle newALWinMemory(const char* label, void* buffer, long bufferSize)
{
    if (buffer != nullptr || bufferSize != 0)
    {
        return 0;
    }
    auto storage = std::make_unique<Storage>();
    storage->label = label ? label : "";
    return Table().Add(std::move(storage));
}

ALStatus ALStorageCreate(ALHandle handle, long sizeHint)
{
    auto* storage = Table().Find<Storage>(handle);
    if (!storage)
    {
        return BadHandle;
    }
    if (sizeHint < 0)
    {
        return BadArgument;
    }
    storage->bytes.clear();
    storage->bytes.reserve(static_cast<std::size_t>(std::min(sizeHint, MaxReservedBytes)));
    storage->readPosition = 0;
    storage->writable = true;
    return Ok;
}

ALStatus ALStorageWriteBuffer(ALHandle handle, const void* bytes, long count)
{
    auto* storage = Table().Find<Storage>(handle);
    if (!storage)
    {
        return BadHandle;
    }
    if (count < 0 || (count > 0 && bytes == nullptr) || !storage->writable)
    {
        return BadArgument;
    }
    storage->Append(bytes, static_cast<std::size_t>(count));
    return Ok;
}

ALStatus ALStorageClose(ALHandle handle)
{
    auto* storage = Table().Find<Storage>(handle);
    if (!storage)
    {
        return BadHandle;
    }
    storage->writable = false;
    return Ok;
}

ALStatus ALStorageOpen(ALHandle handle)
{
    auto* storage = Table().Find<Storage>(handle);
    if (!storage)
    {
        return BadHandle;
    }
    storage->readPosition = 0;
    return Ok;
}

long ALStorageReadBuffer(ALHandle handle, void* buffer, long count)
{
    auto* storage = Table().Find<Storage>(handle);
    if (!storage || count <= 0 || buffer == nullptr)
    {
        return 0;
    }
    const std::size_t available = storage->bytes.size() - storage->readPosition;
    const std::size_t taken = std::min(available, static_cast<std::size_t>(count));
    std::memcpy(buffer, storage->bytes.data() + storage->readPosition, taken);
    storage->readPosition += taken;
    return static_cast<long>(taken);
}

long ALStorageGetSize(ALHandle handle)
{
    auto* storage = Table().Find<Storage>(handle);
    return storage ? static_cast<long>(storage->bytes.size()) : 0;
}

ALStatus ALStorageInitCrc32(ALHandle handle, std::int32_t seed)
{
    auto* storage = Table().Find<Storage>(handle);
    if (!storage)
    {
        return BadHandle;
    }
    // The running value is kept inverted, as zlib keeps it: a seed of -1
    // (all ones, the usual preset) is a running value of 0.
    storage->crc = ~static_cast<std::uint32_t>(seed);
    storage->crcRunning = true;
    return Ok;
}

std::uint32_t ALStorageGetCrc32(ALHandle handle)
{
    auto* storage = Table().Find<Storage>(handle);
    return storage && storage->crcRunning ? storage->crc : 0;
}

void ALStorageDelete(ALHandle handle)
{
    Table().Remove<Storage>(handle);
}

ALHandle newALPkCompressor(int, int, int)
{
    auto compressor = std::make_unique<Compressor>();
    if (!compressor->ready)
    {
        return 0;
    }
    return Table().Add(std::move(compressor));
}

ALStatus ALCompress(ALHandle compressorHandle, ALHandle inputHandle, ALHandle outputHandle)
{
    auto* compressor = Table().Find<Compressor>(compressorHandle);
    auto* input = Table().Find<Storage>(inputHandle);
    auto* output = Table().Find<Storage>(outputHandle);
    if (!compressor || !input || !output || input == output)
    {
        return BadHandle;
    }
    if (input->writable)
    {
        return NotClosed;
    }
    if (!output->writable)
    {
        return BadArgument;
    }
    std::string frame(ZSTD_compressBound(input->bytes.size()), '\0');
    const std::size_t size =
        ZSTD_compress2(compressor->context, frame.data(), frame.size(), input->bytes.data(), input->bytes.size());
    if (ZSTD_isError(size))
    {
        return CodecFailed;
    }
    output->Append(frame.data(), size);
    return Ok;
}

void deleteALCompressor(ALHandle compressor)
{
    Table().Remove<Compressor>(compressor);
}

ALHandle newALPkDecompressor()
{
    auto decompressor = std::make_unique<Decompressor>();
    if (!decompressor->context)
    {
        return 0;
    }
    return Table().Add(std::move(decompressor));
}

ALStatus ALDecompressorSetLimit(ALHandle decompressorHandle, std::size_t maxPlain)
{
    auto* decompressor = Table().Find<Decompressor>(decompressorHandle);
    if (!decompressor)
    {
        return BadHandle;
    }
    decompressor->limit = std::min(maxPlain, MaxExpandedBytes);
    return Ok;
}

ALStatus ALDecompress(ALHandle decompressorHandle, ALHandle inputHandle, ALHandle outputHandle, long compressedLength)
{
    auto* decompressor = Table().Find<Decompressor>(decompressorHandle);
    auto* input = Table().Find<Storage>(inputHandle);
    auto* output = Table().Find<Storage>(outputHandle);
    if (!decompressor || !input || !output || input == output)
    {
        return BadHandle;
    }
    if (input->writable)
    {
        return NotClosed;
    }
    if (!output->writable || compressedLength < 0 || static_cast<std::size_t>(compressedLength) > input->bytes.size())
    {
        return BadArgument;
    }
    const std::string_view frame(input->bytes.data(), static_cast<std::size_t>(compressedLength));
    const std::size_t start = output->bytes.size();
    const ALStatus status = ExpandFrame(decompressor->context, frame, decompressor->limit, output->bytes);
    if (status != Ok)
    {
        return status;
    }
    output->Written(start);
    return Ok;
}

void deleteALDecompressor(ALHandle decompressor)
{
    Table().Remove<Decompressor>(decompressor);
}

namespace
{

// Reads a whole storage from its start. The storage is about to be deleted,
// so its bytes are moved out rather than copied: expanding a block is a
// matter of microseconds, and a copy of 20000 bytes is a tenth of that.
std::string TakeAll(ALHandle handle)
{
    auto* storage = Table().Find<Storage>(handle);
    if (!storage)
    {
        return {};
    }
    std::string bytes = std::move(storage->bytes);
    storage->bytes.clear();
    storage->readPosition = 0;
    return bytes;
}

} // namespace

std::optional<std::string> CompressBlock(ALHandle compressor, std::string_view plain)
{
    const ALHandle input = newALWinMemory("In", nullptr, 0);
    ALStorageCreate(input, 0);
    ALStorageWriteBuffer(input, plain.data(), static_cast<long>(plain.size()));
    const ALHandle output = newALWinMemory("Out", nullptr, 0);
    ALStorageCreate(output, 0);
    ALStorageClose(input);
    const ALStatus status = ALCompress(compressor, input, output);
    std::optional<std::string> block;
    if (status == Ok)
    {
        block = TakeAll(output);
    }
    ALStorageDelete(input);
    ALStorageClose(output);
    ALStorageDelete(output);
    if (block && block->size() > MaxBlockStoredBytes)
    {
        return std::nullopt;
    }
    return block;
}

std::optional<ExpandedBlock> ExpandBlock(std::string_view compressed, std::size_t maxPlain)
{
    const ALHandle decompressor = newALPkDecompressor();
    ALDecompressorSetLimit(decompressor, maxPlain);
    const ALHandle input = newALWinMemory("In", nullptr, 0);
    ALStorageCreate(input, static_cast<long>(compressed.size()));
    const ALHandle output = newALWinMemory("Out", nullptr, 0);
    ALStorageCreate(output, 0);
    ALStorageInitCrc32(output, -1);
    ALStorageWriteBuffer(input, compressed.data(), static_cast<long>(compressed.size()));
    ALStorageClose(input);
    const ALStatus status = ALDecompress(decompressor, input, output, static_cast<long>(compressed.size()));
    std::optional<ExpandedBlock> block;
    if (status == Ok)
    {
        block.emplace();
        block->crc = ALStorageGetCrc32(output);
        block->bytes = TakeAll(output);
    }
    ALStorageDelete(input);
    ALStorageClose(output);
    ALStorageDelete(output);
    deleteALDecompressor(decompressor);
    return block;
}

bool AppendExpandedBlock(std::string_view compressed, std::size_t maxPlain, std::string& plain)
{
    const Decompressor decompressor;
    return ExpandFrame(decompressor.context, compressed, std::min(maxPlain, MaxExpandedBytes), plain) == Ok;
}

} // namespace rv
