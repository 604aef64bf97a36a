#include "client/engine/internal/content-decoding.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace rv
{
namespace
{

const std::string Page = "<html><body><a href=b.html>next</a> " + std::string(3000, 'x') + "</body></html>\n";

// The text compressed with the given window bits: 31 gzip, 15 zlib, -15 raw.
std::string Compressed(const std::string& text, int windowBits)
{
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&stream, uLong(text.size())) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = uInt(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

TEST(ContentDecodingTest, TheCodingIsReadFromItsHeaderLineInAnyCase)
{
    EXPECT_EQ(CodingOf("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n"), ContentCoding::Gzip);
    EXPECT_EQ(CodingOf("HTTP/1.1 200 OK\ncontent-encoding:X-GZIP\n"), ContentCoding::Gzip);
    EXPECT_EQ(CodingOf("HTTP/1.1 200 OK\r\nCONTENT-ENCODING:\tDeflate\r\n"), ContentCoding::Deflate);
    EXPECT_EQ(CodingOf("HTTP/1.1 200 OK\r\nContent-Encoding: br\r\n"), ContentCoding::Identity);
    EXPECT_EQ(CodingOf("HTTP/1.1 200 OK\r\nX-Content-Encoding: gzip\r\n"), ContentCoding::Identity);
    EXPECT_EQ(CodingOf("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"), ContentCoding::Identity);
}

TEST(ContentDecodingTest, GzipZlibAndRawDeflateExpandToThePage)
{
    struct Case
    {
        ContentCoding coding;
        int windowBits;
    };
    for (const Case& c : {Case{ContentCoding::Gzip, 31}, Case{ContentCoding::Gzip, 15}, Case{ContentCoding::Deflate, 15},
                          Case{ContentCoding::Deflate, -15}})
    {
        std::string out;
        EXPECT_EQ(DecodeBody(c.coding, Compressed(Page, c.windowBits), 1 << 20, out), DecodeStatus::Ok) << c.windowBits;
        EXPECT_EQ(out, Page) << c.windowBits;
    }
}

TEST(ContentDecodingTest, GzipMembersOneAfterTheOtherExpandIntoOneBody)
{
    std::string out;
    const std::string body = Compressed("<html>first ", 31) + Compressed("second</html>", 31);
    EXPECT_EQ(DecodeBody(ContentCoding::Gzip, body, 1 << 20, out), DecodeStatus::Ok);
    EXPECT_EQ(out, "<html>first second</html>");
}

TEST(ContentDecodingTest, DamagedCutAndOversizedBodiesAreRefused)
{
    const std::string gzip = Compressed(Page, 31);
    std::string out;
    EXPECT_EQ(DecodeBody(ContentCoding::Gzip, "<html>not compressed</html>", 1 << 20, out), DecodeStatus::Damaged);
    EXPECT_EQ(DecodeBody(ContentCoding::Gzip, gzip.substr(0, gzip.size() / 2), 1 << 20, out), DecodeStatus::Damaged);
    EXPECT_EQ(DecodeBody(ContentCoding::Gzip, "", 1 << 20, out), DecodeStatus::Damaged);
    std::string flipped = gzip;
    flipped[flipped.size() - 6] ^= 0x55; // the checksum
    EXPECT_EQ(DecodeBody(ContentCoding::Gzip, flipped, 1 << 20, out), DecodeStatus::Damaged);
    // A small body that would expand far beyond what a page may be.
    const std::string bomb = Compressed(std::string(4 << 20, 'a'), 31);
    EXPECT_EQ(DecodeBody(ContentCoding::Gzip, bomb, 1 << 20, out), DecodeStatus::TooLarge);
    EXPECT_LE(out.size(), std::size_t(1) << 20);
}

} // namespace
} // namespace rv
