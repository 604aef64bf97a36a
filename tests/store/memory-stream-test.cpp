#include "store/memory-stream.h"
#include "tests/support/sandbox.h"

#include <sstream>
#include <string>

namespace rv
{
namespace
{

std::string ReadAll(TRVMemoryStream& stream, std::size_t count)
{
    std::string bytes(count, '\0');
    bytes.resize(stream.Read(bytes.data(), count));
    return bytes;
}

TEST(MemoryStream, CapacityGrowsInStepsOf8192AndKeepsTheContent)
{
    TRVMemoryStream stream;
    EXPECT_EQ(stream.Capacity(), 0u);
    EXPECT_EQ(stream.Data(), nullptr);
    stream.Write("a", 1);
    EXPECT_EQ(stream.Capacity(), 8192u);
    const std::string block(8192, 'b');
    stream.Write(block);
    EXPECT_EQ(stream.Capacity(), 16384u);
    EXPECT_EQ(stream.Size(), 8193u);
    EXPECT_EQ(stream.View(), "a" + block);

    // Many small writes: the content is intact and capacity stays a multiple.
    for (int n = 0; n < 5000; ++n)
    {
        stream.Write("0123456789", 10);
    }
    EXPECT_EQ(stream.Size(), 8193u + 50000u);
    EXPECT_EQ(stream.Capacity() % 8192, 0u);
    EXPECT_EQ(stream.View().substr(8193, 12), "012345678901");
}

TEST(MemoryStream, ReserveMakesRoomWithoutChangingTheSize)
{
    TRVMemoryStream stream;
    stream.Write("head", 4);
    stream.Reserve(20000 + 300);
    EXPECT_EQ(stream.Capacity(), 24576u);
    EXPECT_EQ(stream.Size(), 4u);
    EXPECT_EQ(stream.View(), "head");
    stream.Reserve(100);
    EXPECT_EQ(stream.Capacity(), 24576u);
}

TEST(MemoryStream, SeekFromStartCurrentAndEndThenRead)
{
    TRVMemoryStream stream;
    stream.Write(std::string_view("0123456789"));
    EXPECT_EQ(stream.Seek(2, SeekOrigin::Start), 2u);
    EXPECT_EQ(ReadAll(stream, 3), "234");
    EXPECT_EQ(stream.Seek(1, SeekOrigin::Current), 6u);
    EXPECT_EQ(ReadAll(stream, 2), "67");
    EXPECT_EQ(stream.Seek(-3, SeekOrigin::End), 7u);
    EXPECT_EQ(ReadAll(stream, 100), "789");
    EXPECT_EQ(ReadAll(stream, 100), "");
    EXPECT_THROW(stream.Seek(-11, SeekOrigin::End), StreamError);
    EXPECT_EQ(stream.Position(), 10u);
}

TEST(MemoryStream, WritingPastTheEndLeavesZerosInTheGap)
{
    TRVMemoryStream stream;
    stream.Write("ab", 2);
    stream.Seek(5, SeekOrigin::Start);
    EXPECT_EQ(ReadAll(stream, 1), "");
    stream.Write("z", 1);
    EXPECT_EQ(stream.View(), std::string("ab\0\0\0z", 6));
    stream.Seek(1, SeekOrigin::Start);
    stream.Write("XY", 2);
    EXPECT_EQ(stream.View(), std::string("aXY\0\0z", 6));
}

TEST(MemoryStream, ClearAndZeroCapacityFreeTheBlock)
{
    TRVMemoryStream stream;
    stream.Write(std::string(10000, 'x'));
    stream.Clear();
    EXPECT_EQ(stream.Size(), 0u);
    EXPECT_EQ(stream.Position(), 0u);
    EXPECT_EQ(stream.Capacity(), 0u);
    EXPECT_EQ(stream.Data(), nullptr);

    stream.Write("abc", 3);
    stream.SetCapacity(0);
    EXPECT_EQ(stream.Size(), 0u);
    EXPECT_EQ(stream.Data(), nullptr);
}

TEST(MemoryStream, SetSizeCutsOrZeroExtends)
{
    TRVMemoryStream stream;
    stream.Write("abcdef", 6);
    stream.SetSize(3);
    EXPECT_EQ(stream.View(), "abc");
    EXPECT_EQ(stream.Position(), 3u);
    stream.SetSize(5);
    EXPECT_EQ(stream.View(), std::string("abc\0\0", 5));
}

TEST(MemoryStream, FailedGrowthThrowsAndLeavesTheStreamAsItWas)
{
    TRVMemoryStream stream;
    stream.Write("keep", 4);
    try
    {
        stream.Reserve(TRVMemoryStream::MaxCapacity + 1);
        FAIL() << "no error";
    }
    catch (const StreamError& error)
    {
        EXPECT_STREQ(error.what(), "Out of memory while expanding memory stream");
    }
    stream.Seek(static_cast<std::int64_t>(TRVMemoryStream::MaxCapacity), SeekOrigin::Start);
    EXPECT_THROW(stream.Write("x", 1), StreamError);
    EXPECT_EQ(stream.View(), "keep");
    EXPECT_EQ(stream.Capacity(), 8192u);
}

class MemoryStreamFileTest : public test::SandboxedTest
{
};

TEST_F(MemoryStreamFileTest, LoadReplacesTheContentAndRewinds)
{
    TRVMemoryStream stream;
    stream.Write(std::string(20000, 'o'));
    std::string body(70000, '\0');
    for (std::size_t n = 0; n < body.size(); ++n)
    {
        body[n] = static_cast<char>(n * 7);
    }
    std::istringstream in(body);
    stream.LoadFromStream(in);
    EXPECT_EQ(stream.View(), body);
    EXPECT_EQ(stream.Position(), 0u);

    test::WriteFile(PathOf("page.html"), "<html>");
    stream.LoadFromFile(PathOf("page.html"));
    EXPECT_EQ(stream.View(), "<html>");
    EXPECT_EQ(stream.Capacity(), 8192u);

    stream.SaveToFile(PathOf("copy.html"));
    EXPECT_EQ(test::ReadFile(PathOf("copy.html")), "<html>");
    EXPECT_THROW(stream.LoadFromFile(PathOf("missing")), StreamError);
    EXPECT_EQ(stream.View(), "<html>");
}

} // namespace
} // namespace rv
