#include "store/html-dictionary.h"
#include "store/rv-comp.h"

#include <array>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <thread>
#include <vector>
#include <zdict.h>
#include <zlib.h>
#include <zstd.h>

namespace rv
{
namespace
{

std::uint32_t ZlibCrc(std::string_view bytes)
{
    return static_cast<std::uint32_t>(crc32_z(0, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
}

std::string RandomBytes(std::size_t count, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (auto& byte : bytes)
    {
        byte = static_cast<char>(generator() & 0xFF);
    }
    return bytes;
}

// A page shaped like what a retrieval stores: markup, rewritten links, text.
std::string HtmlPage(std::size_t size)
{
    std::string page = "<html><head><title>Harbour notes</title></head><body>\n";
    for (int row = 0; page.size() < size; ++row)
    {
        page += "<p class=\"entry\"><a href=\"http://127.0.0.1:1888/home/ann/Briefs/News.rvd/www.example.org/item" +
                std::to_string(row * 7919 % 10007) + ".html\">Item " + std::to_string(row) + "</a> was reported on day " +
                std::to_string(row % 31 + 1) + " with " + std::to_string(row * 13 % 97) + " comments.</p>\n";
    }
    page.resize(size);
    return page;
}

class RvCompTest : public ::testing::Test
{
protected:
    void SetUp() override { compressor_ = newALPkCompressor(9, 15, 9); }
    void TearDown() override { deleteALCompressor(compressor_); }

    std::string Compress(std::string_view plain)
    {
        auto block = CompressBlock(compressor_, plain);
        EXPECT_TRUE(block.has_value());
        return block.value_or("");
    }

    ALHandle compressor_ = 0;
};

TEST_F(RvCompTest, BlocksRoundTripWithTheirCrc)
{
    std::string everyByte;
    for (int value = 0; value < 256; ++value)
    {
        everyByte.push_back(static_cast<char>(value));
    }
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"empty", ""},
        {"one byte", "x"},
        {"html", HtmlPage(MaxBlockPlainBytes)},
        {"random", RandomBytes(MaxBlockPlainBytes, 1)},
        {"every byte value", everyByte},
        {"more than a block", HtmlPage(3 * MaxBlockPlainBytes)},
    };
    for (const auto& [name, plain] : cases)
    {
        SCOPED_TRACE(name);
        const std::string block = Compress(plain);
        const auto expanded = ExpandBlock(block);
        ASSERT_TRUE(expanded.has_value());
        EXPECT_EQ(expanded->bytes, plain);
        EXPECT_EQ(expanded->crc, ZlibCrc(plain));
    }
}

TEST_F(RvCompTest, AFullBlockFitsTheSixteenBitLengthEvenWhenIncompressible)
{
    for (unsigned seed = 1; seed <= 20; ++seed)
    {
        const std::string block = Compress(RandomBytes(MaxBlockPlainBytes, seed));
        EXPECT_GT(block.size(), 0u);
        EXPECT_LE(block.size(), MaxBlockStoredBytes);
        // Incompressible data costs only the frame and block headers.
        EXPECT_LE(block.size(), MaxBlockPlainBytes + 32);
    }
}

TEST_F(RvCompTest, HtmlCompressesWellAndTheFrameNamesTheDictionary)
{
    const std::string block = Compress(HtmlPage(MaxBlockPlainBytes));
    EXPECT_LT(block.size(), MaxBlockPlainBytes / 4);
    EXPECT_EQ(ZSTD_getDictID_fromFrame(block.data(), block.size()), HtmlDictionaryId);
    EXPECT_EQ(ZDICT_getDictID(HtmlDictionary().data(), HtmlDictionary().size()), HtmlDictionaryId);
}

TEST_F(RvCompTest, CompressionIsRepeatableWithOneCompressor)
{
    const std::string plain = HtmlPage(12345);
    EXPECT_EQ(Compress(plain), Compress(plain));
    const ALHandle other = newALPkCompressor(1, 12, 1);
    EXPECT_EQ(CompressBlock(other, plain), Compress(plain));
    deleteALCompressor(other);
}

TEST_F(RvCompTest, AnInputTooLargeForTheLengthFieldIsRefused)
{
    EXPECT_FALSE(CompressBlock(compressor_, RandomBytes(70000, 3)).has_value());
    EXPECT_FALSE(CompressBlock(0, "text").has_value());
}

TEST_F(RvCompTest, TruncatedFramesAreRefused)
{
    const std::string block = Compress(HtmlPage(MaxBlockPlainBytes));
    for (std::size_t length = 0; length < block.size(); ++length)
    {
        EXPECT_FALSE(ExpandBlock(std::string_view(block).substr(0, length)).has_value()) << "length " << length;
    }
}

TEST_F(RvCompTest, TrailingBytesAfterTheFrameAreRefused)
{
    const std::string block = Compress("short page");
    EXPECT_FALSE(ExpandBlock(block + '\0').has_value());
    EXPECT_FALSE(ExpandBlock(block + block).has_value());
}

TEST_F(RvCompTest, FlippedBytesNeverExpandToSomethingElseSilentlyOrCrash)
{
    const std::string plain = HtmlPage(5000);
    const std::string block = Compress(plain);
    for (std::size_t at = 0; at < block.size(); ++at)
    {
        std::string damaged = block;
        damaged[at] = static_cast<char>(damaged[at] ^ 0xFF);
        const auto expanded = ExpandBlock(damaged, MaxBlockPlainBytes);
        // Without a frame checksum a flip in a literal may still decode; it
        // must then stay within the limit and keep the stated size.
        if (expanded)
        {
            EXPECT_LE(expanded->bytes.size(), MaxBlockPlainBytes) << "byte " << at;
            EXPECT_EQ(expanded->crc, ZlibCrc(expanded->bytes)) << "byte " << at;
        }
        // Expanding onto what a reader holds already gives the same verdict
        // and bytes, and leaves what it held alone on failure.
        std::string held = "held";
        EXPECT_EQ(AppendExpandedBlock(damaged, MaxBlockPlainBytes, held), expanded.has_value()) << "byte " << at;
        EXPECT_EQ(held, "held" + (expanded ? expanded->bytes : std::string())) << "byte " << at;
    }
    // The header bytes (magic, descriptor, dictionary ID) are always checked.
    for (std::size_t at = 0; at < 7; ++at)
    {
        std::string damaged = block;
        damaged[at] = static_cast<char>(damaged[at] ^ 0xFF);
        EXPECT_FALSE(ExpandBlock(damaged).has_value()) << "byte " << at;
    }
}

TEST_F(RvCompTest, AFrameMadeWithAnotherDictionaryIsRefused)
{
    const std::string plain = HtmlPage(4000);
    std::string frame(ZSTD_compressBound(plain.size()), '\0');
    frame.resize(ZSTD_compress(frame.data(), frame.size(), plain.data(), plain.size(), 1));
    EXPECT_FALSE(ExpandBlock(frame).has_value()) << "no dictionary";

    // Our dictionary's content under another ID stands for a future dictionary.
    std::string other(HtmlDictionary());
    const std::uint32_t otherId = HtmlDictionaryId + 1;
    std::memcpy(other.data() + 4, &otherId, sizeof otherId);
    ZSTD_CCtx* context = ZSTD_createCCtx();
    ZSTD_CCtx_loadDictionary(context, other.data(), other.size());
    frame.assign(ZSTD_compressBound(plain.size()), '\0');
    frame.resize(ZSTD_compress2(context, frame.data(), frame.size(), plain.data(), plain.size()));
    ZSTD_freeCCtx(context);
    ASSERT_EQ(ZSTD_getDictID_fromFrame(frame.data(), frame.size()), otherId);
    EXPECT_FALSE(ExpandBlock(frame).has_value()) << "unknown dictionary";
}

TEST_F(RvCompTest, AFrameClaimingMoreThanTheLimitIsRefusedBeforeExpanding)
{
    const std::string plain(100000, 'a');
    const std::string block = Compress(plain);
    ASSERT_LT(block.size(), 100u);
    EXPECT_FALSE(ExpandBlock(block, MaxBlockPlainBytes).has_value());
    EXPECT_TRUE(ExpandBlock(block, plain.size()).has_value());

    // A frame that does not state its size is refused rather than expanded
    // into a buffer of unknown size.
    ZSTD_CCtx* context = ZSTD_createCCtx();
    ZSTD_CCtx_loadDictionary(context, HtmlDictionary().data(), HtmlDictionary().size());
    ZSTD_CCtx_setParameter(context, ZSTD_c_contentSizeFlag, 0);
    std::string frame(ZSTD_compressBound(plain.size()), '\0');
    ZSTD_outBuffer out{frame.data(), frame.size(), 0};
    ZSTD_inBuffer in{plain.data(), plain.size(), 0};
    ZSTD_compressStream2(context, &out, &in, ZSTD_e_continue);
    ASSERT_EQ(ZSTD_compressStream2(context, &out, &in, ZSTD_e_end), 0u);
    frame.resize(out.pos);
    ZSTD_freeCCtx(context);
    ASSERT_EQ(ZSTD_getFrameContentSize(frame.data(), frame.size()), ZSTD_CONTENTSIZE_UNKNOWN);
    EXPECT_FALSE(ExpandBlock(frame).has_value());
}

TEST(RvCompStorageTest, StorageWritesReadsInPiecesAndKeepsItsCrc)
{
    const ALHandle storage = newALWinMemory("Out", nullptr, 0);
    ASSERT_NE(storage, 0u);
    ASSERT_EQ(ALStorageCreate(storage, 0), 0);
    ASSERT_EQ(ALStorageWriteBuffer(storage, "skipped ", 8), 0);
    ASSERT_EQ(ALStorageInitCrc32(storage, -1), 0);
    const std::string bytes = RandomBytes(1000, 7);
    ASSERT_EQ(ALStorageWriteBuffer(storage, bytes.data(), 600), 0);
    ASSERT_EQ(ALStorageWriteBuffer(storage, bytes.data() + 600, 400), 0);
    EXPECT_EQ(ALStorageGetCrc32(storage), ZlibCrc(bytes));
    EXPECT_EQ(ALStorageClose(storage), 0);
    EXPECT_NE(ALStorageWriteBuffer(storage, "x", 1), 0) << "a closed storage takes no more bytes";
    EXPECT_EQ(ALStorageGetSize(storage), 1008);

    ASSERT_EQ(ALStorageOpen(storage), 0);
    std::string read;
    std::array<char, 300> piece{};
    for (long got; (got = ALStorageReadBuffer(storage, piece.data(), piece.size())) > 0;)
    {
        read.append(piece.data(), static_cast<std::size_t>(got));
    }
    EXPECT_EQ(read, "skipped " + bytes);
    ASSERT_EQ(ALStorageOpen(storage), 0);
    EXPECT_EQ(ALStorageReadBuffer(storage, piece.data(), 8), 8);
    EXPECT_EQ(std::string_view(piece.data(), 8), "skipped ");

    // Create empties it and makes it writable again.
    ASSERT_EQ(ALStorageCreate(storage, 50), 0);
    EXPECT_EQ(ALStorageGetSize(storage), 0);
    EXPECT_EQ(ALStorageWriteBuffer(storage, "x", 1), 0);
    ALStorageDelete(storage);
}

TEST(RvCompStorageTest, UnknownAndDeletedHandlesAreRefused)
{
    const ALHandle storage = newALWinMemory("In", nullptr, 0);
    ALStorageDelete(storage);
    char byte = 0;
    EXPECT_NE(ALStorageWriteBuffer(storage, "x", 1), 0);
    EXPECT_EQ(ALStorageReadBuffer(storage, &byte, 1), 0);
    EXPECT_EQ(ALStorageGetSize(storage), 0);
    EXPECT_NE(ALStorageCreate(0, 0), 0);
    EXPECT_EQ(newALWinMemory("In", &byte, 1), 0u) << "caller buffers are not supported";

    // A handle of one kind is not taken for another.
    const ALHandle compressor = newALPkCompressor(9, 15, 9);
    EXPECT_NE(ALStorageOpen(compressor), 0);
    ALStorageDelete(compressor);
    EXPECT_TRUE(CompressBlock(compressor, "still alive").has_value());
    deleteALCompressor(compressor);
}

TEST(RvCompStorageTest, CompressAndDecompressNeedAClosedInput)
{
    const ALHandle compressor = newALPkCompressor(9, 15, 9);
    const ALHandle input = newALWinMemory("In", nullptr, 0);
    const ALHandle output = newALWinMemory("Out", nullptr, 0);
    ALStorageWriteBuffer(input, "abc", 3);
    EXPECT_NE(ALCompress(compressor, input, output), 0);
    ALStorageClose(input);
    EXPECT_EQ(ALCompress(compressor, input, output), 0);
    EXPECT_GT(ALStorageGetSize(output), 0);
    ALStorageClose(output);

    const ALHandle decompressor = newALPkDecompressor();
    const ALHandle plain = newALWinMemory("Out", nullptr, 0);
    EXPECT_NE(ALDecompress(decompressor, output, plain, ALStorageGetSize(output) + 1), 0) << "length past the input";
    EXPECT_EQ(ALDecompress(decompressor, output, plain, ALStorageGetSize(output)), 0);
    EXPECT_EQ(ALStorageGetSize(plain), 3);
    for (ALHandle storage : {input, output, plain})
    {
        ALStorageDelete(storage);
    }
    deleteALDecompressor(decompressor);
    deleteALCompressor(compressor);
}

TEST(RvCompThreadTest, HandlesWorkFromManyThreadsAtOnce)
{
    constexpr int Threads = 8;
    std::vector<std::thread> threads;
    std::vector<int> failures(Threads, 0);
    for (int t = 0; t < Threads; ++t)
    {
        threads.emplace_back(
            [t, &failures]
            {
                const ALHandle compressor = newALPkCompressor(9, 15, 9);
                for (int round = 0; round < 50; ++round)
                {
                    const std::string plain = HtmlPage(1000 + static_cast<std::size_t>(t * 100 + round));
                    const auto block = CompressBlock(compressor, plain);
                    const auto expanded = block ? ExpandBlock(*block) : std::nullopt;
                    if (!expanded || expanded->bytes != plain)
                    {
                        ++failures[static_cast<std::size_t>(t)];
                    }
                }
                deleteALCompressor(compressor);
            });
    }
    for (auto& thread : threads)
    {
        thread.join();
    }
    EXPECT_EQ(failures, std::vector<int>(Threads, 0));
}

} // namespace
} // namespace rv
