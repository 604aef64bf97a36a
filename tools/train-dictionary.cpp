// Trains the zstd dictionary for archive blocks from folders of HTML files.
//
//   train-dictionary OUTPUT DICT_BYTES DICT_ID LEVEL FOLDER...
//
// Every .html/.htm file under the folders is cut into 20000-byte pieces, as
// the archive writer cuts pages into blocks; the pieces are the samples. The
// entropy tables are tuned for zstd's given level (3, the double-fast search
// the store uses) and the dictionary carries the given ID. The same files in
// the same folders always give the same dictionary; bench/README.md has the
// command that made store/html-dictionary.bin.
#include "store/rv-comp.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include <zdict.h>

namespace
{

// Training time and memory grow with the samples; past this much HTML the
// dictionary no longer gets better, so every n-th piece is taken instead.
constexpr std::size_t MaxSampleBytes = 48u << 20;

struct Samples
{
    std::string bytes;
    std::vector<std::size_t> sizes;
};

std::vector<std::filesystem::path> HtmlFiles(int count, char** folders)
{
    std::vector<std::filesystem::path> files;
    for (int i = 0; i < count; ++i)
    {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folders[i]))
        {
            const auto extension = entry.path().extension();
            if (entry.is_regular_file() && (extension == ".html" || extension == ".htm"))
            {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> Pieces(const std::vector<std::filesystem::path>& files)
{
    std::vector<std::string> pieces;
    for (const auto& file : files)
    {
        std::ifstream in(file, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (std::size_t at = 0; at < text.size(); at += rv::MaxBlockPlainBytes)
        {
            pieces.push_back(text.substr(at, rv::MaxBlockPlainBytes));
        }
    }
    return pieces;
}

Samples Sample(const std::vector<std::string>& pieces)
{
    std::size_t total = 0;
    for (const auto& piece : pieces)
    {
        total += piece.size();
    }
    const std::size_t stride = total / MaxSampleBytes + 1;
    Samples samples;
    for (std::size_t i = 0; i < pieces.size(); i += stride)
    {
        samples.bytes += pieces[i];
        samples.sizes.push_back(pieces[i].size());
    }
    return samples;
}

bool Fail(const char* what, std::size_t code)
{
    std::fprintf(stderr, "train-dictionary: %s: %s\n", what, ZDICT_getErrorName(code));
    return false;
}

bool Train(const Samples& samples, std::size_t capacity, unsigned id, int level, std::string& dictionary)
{
    std::string trained(capacity, '\0');
    const auto count = static_cast<unsigned>(samples.sizes.size());
    std::size_t size = ZDICT_trainFromBuffer(trained.data(), trained.size(), samples.bytes.data(), samples.sizes.data(), count);
    if (ZDICT_isError(size))
    {
        return Fail("training", size);
    }
    const std::size_t header = ZDICT_getDictHeaderSize(trained.data(), size);
    if (ZDICT_isError(header))
    {
        return Fail("reading the trained header", header);
    }
    // Rebuild the entropy tables for the level the blocks use, under our ID.
    ZDICT_params_t params{};
    params.compressionLevel = level;
    params.dictID = id;
    dictionary.assign(capacity, '\0');
    size = ZDICT_finalizeDictionary(dictionary.data(), dictionary.size(), trained.data() + header, size - header,
                                    samples.bytes.data(), samples.sizes.data(), count, params);
    if (ZDICT_isError(size))
    {
        return Fail("finalizing", size);
    }
    dictionary.resize(size);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 6)
    {
        std::fprintf(stderr, "usage: train-dictionary OUTPUT DICT_BYTES DICT_ID LEVEL FOLDER...\n");
        return 2;
    }
    const std::size_t capacity = std::strtoul(argv[2], nullptr, 10);
    const auto id = static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10));
    const int level = std::atoi(argv[4]);
    const auto files = HtmlFiles(argc - 5, argv + 5);
    const auto samples = Sample(Pieces(files));
    std::printf("train-dictionary: %zu files, %zu samples, %zu bytes\n", files.size(), samples.sizes.size(),
                samples.bytes.size());
    std::string dictionary;
    if (capacity < 1024 || id == 0 || !Train(samples, capacity, id, level, dictionary))
    {
        return 1;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(dictionary.data(), static_cast<std::streamsize>(dictionary.size()));
    if (!out.flush())
    {
        std::fprintf(stderr, "train-dictionary: cannot write %s\n", argv[1]);
        return 1;
    }
    std::printf("train-dictionary: wrote %zu bytes with ID %u\n", dictionary.size(), id);
    return 0;
}
