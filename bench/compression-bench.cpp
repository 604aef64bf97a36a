// Compares block compressors on real HTML cut into independent 20000-byte
// blocks, as the archive writer stores pages, against zlib level 9.
//
//   compression-bench [--max-mb N] [--zstd-levels 1,3,...] [--dictionary FILE] [FOLDER...]
//
// FOLDER defaults to the Python documentation; --max-mb (default 16) keeps
// every n-th block so that the slow levels finish in reasonable time.
// --dictionary measures another trained dictionary in place of the built-in
// one (except on the "RVComp blocks" line, which is always the store's own).
#include "store/html-dictionary.h"
#include "store/rv-comp.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <libdeflate.h>
#include <memory>
#include <string>
#include <vector>
#include <zdict.h>
#include <zlib.h>
#include <zstd.h>

namespace
{

using Blocks = std::vector<std::string>;
// Times are the CPU time of the measuring thread: the machine is shared, and
// wall time would count whatever else runs.
struct Clock
{
    using time_point = double;
    static double now()
    {
        timespec time{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) * 1e-9;
    }
};

// Each measurement is repeated at least this often and for this long.
constexpr int MinRounds = 3;
constexpr double MinSeconds = 0.5;

Blocks LoadBlocks(const std::vector<std::string>& folders, std::size_t maxBytes)
{
    std::vector<std::filesystem::path> files;
    for (const auto& folder : folders)
    {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(
                 folder, std::filesystem::directory_options::follow_directory_symlink))
        {
            const auto extension = entry.path().extension();
            if (entry.is_regular_file() && (extension == ".html" || extension == ".htm"))
            {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    Blocks all;
    std::size_t total = 0;
    for (const auto& file : files)
    {
        std::ifstream in(file, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (std::size_t at = 0; at < text.size(); at += rv::MaxBlockPlainBytes)
        {
            all.push_back(text.substr(at, rv::MaxBlockPlainBytes));
            total += all.back().size();
        }
    }
    const std::size_t stride = total / maxBytes + 1;
    Blocks kept;
    for (std::size_t i = 0; i < all.size(); i += stride)
    {
        kept.push_back(std::move(all[i]));
    }
    return kept;
}

// One codec at one setting: compress one block, expand one block into a
// buffer of the known plain size.
struct Codec
{
    std::string name;
    std::function<std::string(const std::string&)> compress;
    std::function<bool(const std::string&, std::string&)> expand;
};

struct Result
{
    std::size_t compressed = 0;
    double compressSeconds = 0;
    double expandSeconds = 0;
    bool correct = true;
};

double Since(double start)
{
    return Clock::now() - start;
}

// Runs work over and over until MinSeconds have passed (at least Rounds
// times) and keeps the fastest round: other programs on the machine only
// ever make a round slower.
template <typename Work> double FastestRound(Work work)
{
    double fastest = 1e30;
    int rounds = 0;
    const auto start = Clock::now();
    do
    {
        const auto roundStart = Clock::now();
        work();
        fastest = std::min(fastest, Since(roundStart));
        ++rounds;
    } while (rounds < MinRounds || Since(start) < MinSeconds);
    return fastest;
}

Result Measure(const Codec& codec, const Blocks& blocks)
{
    Result result;
    Blocks packed(blocks.size());
    result.compressSeconds = FastestRound(
        [&]
        {
            for (std::size_t i = 0; i < blocks.size(); ++i)
            {
                packed[i] = codec.compress(blocks[i]);
            }
        });
    for (const auto& block : packed)
    {
        result.compressed += block.size();
        result.correct = result.correct && block.size() <= rv::MaxBlockStoredBytes;
    }
    std::vector<std::string> plain(blocks.size());
    for (std::size_t i = 0; i < blocks.size(); ++i)
    {
        plain[i].resize(blocks[i].size());
    }
    result.expandSeconds = FastestRound(
        [&]
        {
            for (std::size_t i = 0; i < packed.size(); ++i)
            {
                result.correct = codec.expand(packed[i], plain[i]) && result.correct;
            }
        });
    for (std::size_t i = 0; i < blocks.size(); ++i)
    {
        result.correct = result.correct && plain[i] == blocks[i];
    }
    return result;
}

// The dictionary's trained content without its zstd header, for zlib's preset
// dictionary (which uses at most the last 32 KB).
std::string dictionaryBytes(rv::HtmlDictionary());

std::string DictionaryContent()
{
    const std::string_view dictionary = dictionaryBytes;
    const std::size_t header = ZDICT_getDictHeaderSize(dictionary.data(), dictionary.size());
    return std::string(dictionary.substr(header));
}

Codec Zlib(int level, const std::string* dictionary)
{
    auto deflater = std::shared_ptr<z_stream>(new z_stream{}, [](z_stream* s) { deflateEnd(s), delete s; });
    auto inflater = std::shared_ptr<z_stream>(new z_stream{}, [](z_stream* s) { inflateEnd(s), delete s; });
    deflateInit2(deflater.get(), level, Z_DEFLATED, 15, 9, Z_DEFAULT_STRATEGY);
    inflateInit2(inflater.get(), 15);
    Codec codec;
    codec.name = "zlib " + std::to_string(level) + (dictionary ? " dict" : "");
    codec.compress = [deflater, dictionary](const std::string& plain)
    {
        z_stream* s = deflater.get();
        deflateReset(s);
        if (dictionary)
        {
            deflateSetDictionary(s, reinterpret_cast<const Bytef*>(dictionary->data()), static_cast<uInt>(dictionary->size()));
        }
        std::string out(deflateBound(s, plain.size()) + 64, '\0');
        s->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
        s->avail_in = static_cast<uInt>(plain.size());
        s->next_out = reinterpret_cast<Bytef*>(out.data());
        s->avail_out = static_cast<uInt>(out.size());
        deflate(s, Z_FINISH);
        out.resize(s->total_out);
        return out;
    };
    codec.expand = [inflater, dictionary](const std::string& packed, std::string& plain)
    {
        z_stream* s = inflater.get();
        inflateReset(s);
        s->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
        s->avail_in = static_cast<uInt>(packed.size());
        s->next_out = reinterpret_cast<Bytef*>(plain.data());
        s->avail_out = static_cast<uInt>(plain.size());
        int status = inflate(s, Z_FINISH);
        if (status == Z_NEED_DICT && dictionary)
        {
            inflateSetDictionary(s, reinterpret_cast<const Bytef*>(dictionary->data()), static_cast<uInt>(dictionary->size()));
            status = inflate(s, Z_FINISH);
        }
        return status == Z_STREAM_END && s->total_out == plain.size();
    };
    return codec;
}

Codec Libdeflate(int level)
{
    auto compressor = std::shared_ptr<libdeflate_compressor>(libdeflate_alloc_compressor(level), libdeflate_free_compressor);
    auto decompressor = std::shared_ptr<libdeflate_decompressor>(libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
    Codec codec;
    codec.name = "libdeflate " + std::to_string(level);
    codec.compress = [compressor](const std::string& plain)
    {
        std::string out(libdeflate_zlib_compress_bound(compressor.get(), plain.size()), '\0');
        out.resize(libdeflate_zlib_compress(compressor.get(), plain.data(), plain.size(), out.data(), out.size()));
        return out;
    };
    codec.expand = [decompressor](const std::string& packed, std::string& plain)
    {
        std::size_t produced = 0;
        return libdeflate_zlib_decompress(decompressor.get(), packed.data(), packed.size(), plain.data(), plain.size(),
                                          &produced) == LIBDEFLATE_SUCCESS &&
               produced == plain.size();
    };
    return codec;
}

// zstd framed as the store frames blocks: content size, no checksum.
Codec Zstd(int level, bool withDictionary)
{
    auto cctx = std::shared_ptr<ZSTD_CCtx>(ZSTD_createCCtx(), ZSTD_freeCCtx);
    auto dctx = std::shared_ptr<ZSTD_DCtx>(ZSTD_createDCtx(), ZSTD_freeDCtx);
    const std::string_view dictionary = dictionaryBytes;
    std::shared_ptr<ZSTD_CDict> cdict;
    std::shared_ptr<ZSTD_DDict> ddict;
    if (withDictionary)
    {
        cdict.reset(ZSTD_createCDict(dictionary.data(), dictionary.size(), level), ZSTD_freeCDict);
        ddict.reset(ZSTD_createDDict(dictionary.data(), dictionary.size()), ZSTD_freeDDict);
        ZSTD_CCtx_refCDict(cctx.get(), cdict.get());
        ZSTD_DCtx_refDDict(dctx.get(), ddict.get());
    }
    else
    {
        ZSTD_CCtx_setParameter(cctx.get(), ZSTD_c_compressionLevel, level);
    }
    ZSTD_CCtx_setParameter(cctx.get(), ZSTD_c_checksumFlag, 0);
    Codec codec;
    codec.name = "zstd " + std::to_string(level) + (withDictionary ? " dict" : "");
    codec.compress = [cctx, cdict](const std::string& plain)
    {
        std::string out(ZSTD_compressBound(plain.size()), '\0');
        out.resize(ZSTD_compress2(cctx.get(), out.data(), out.size(), plain.data(), plain.size()));
        return out;
    };
    codec.expand = [dctx, ddict](const std::string& packed, std::string& plain)
    {
        const std::size_t produced = ZSTD_decompressDCtx(dctx.get(), plain.data(), plain.size(), packed.data(), packed.size());
        return !ZSTD_isError(produced) && produced == plain.size();
    };
    return codec;
}

// The store's own path, handle table and storages included.
Codec Store()
{
    auto compressor = std::shared_ptr<rv::ALHandle>(new rv::ALHandle(rv::newALPkCompressor(9, 15, 9)),
                                                    [](rv::ALHandle* h) { rv::deleteALCompressor(*h), delete h; });
    Codec codec;
    codec.name = "RVComp blocks";
    codec.compress = [compressor](const std::string& plain) { return rv::CompressBlock(*compressor, plain).value_or(""); };
    codec.expand = [](const std::string& packed, std::string& plain)
    {
        auto block = rv::ExpandBlock(packed, rv::MaxBlockPlainBytes);
        if (!block)
        {
            return false;
        }
        plain = std::move(block->bytes);
        return true;
    };
    return codec;
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t maxMegabytes = 16;
    std::vector<int> zstdLevels = {1, 3, 6, 9, 19};
    std::vector<std::string> folders;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--max-mb") == 0 && i + 1 < argc)
        {
            maxMegabytes = std::strtoul(argv[++i], nullptr, 10);
        }
        else if (std::strcmp(argv[i], "--zstd-levels") == 0 && i + 1 < argc)
        {
            zstdLevels.clear();
            for (char* at = argv[++i]; *at;)
            {
                zstdLevels.push_back(static_cast<int>(std::strtol(at, &at, 10)));
                at += *at == ',';
            }
        }
        else if (std::strcmp(argv[i], "--dictionary") == 0 && i + 1 < argc)
        {
            std::ifstream in(argv[++i], std::ios::binary);
            dictionaryBytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        else
        {
            folders.emplace_back(argv[i]);
        }
    }
    if (folders.empty())
    {
        folders.emplace_back("/usr/share/doc/python3-doc/html");
    }
    const Blocks blocks = LoadBlocks(folders, std::max<std::size_t>(maxMegabytes, 1) << 20);
    std::size_t plainBytes = 0;
    for (const auto& block : blocks)
    {
        plainBytes += block.size();
    }
    if (blocks.empty())
    {
        std::fprintf(stderr, "compression-bench: no HTML found\n");
        return 1;
    }
    std::printf("%zu blocks, %.1f MB of HTML\n\n", blocks.size(), static_cast<double>(plainBytes) / 1e6);

    const std::string zlibDictionary = DictionaryContent();
    std::vector<Codec> codecs;
    codecs.push_back(Zlib(9, nullptr));
    codecs.push_back(Zlib(9, &zlibDictionary));
    for (int level : {6, 9, 12})
    {
        codecs.push_back(Libdeflate(level));
    }
    for (int level : zstdLevels)
    {
        codecs.push_back(Zstd(level, false));
        codecs.push_back(Zstd(level, true));
    }
    codecs.push_back(Store());

    std::printf("%-16s %12s %8s %10s %10s %8s %8s %s\n", "codec", "bytes", "size", "comp MB/s", "exp MB/s", "comp x", "exp x",
                "");
    Result base;
    for (std::size_t i = 0; i < codecs.size(); ++i)
    {
        const Result r = Measure(codecs[i], blocks);
        if (i == 0)
        {
            base = r;
        }
        const double mb = static_cast<double>(plainBytes) / 1e6;
        std::printf("%-16s %12zu %7.1f%% %10.1f %10.1f %8.2f %8.2f %s\n", codecs[i].name.c_str(), r.compressed,
                    100.0 * static_cast<double>(r.compressed) / static_cast<double>(base.compressed), mb / r.compressSeconds,
                    mb / r.expandSeconds, base.compressSeconds / r.compressSeconds, base.expandSeconds / r.expandSeconds,
                    r.correct ? "" : "ROUND TRIP FAILED");
        std::fflush(stdout);
    }
    return 0;
}
