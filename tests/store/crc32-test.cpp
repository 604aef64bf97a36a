#include "store/crc32.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <zlib.h>

namespace rv
{
namespace
{

std::uint32_t ZlibCrc(std::uint32_t crc, const char* bytes, std::size_t count)
{
    return static_cast<std::uint32_t>(crc32_z(crc, reinterpret_cast<const Bytef*>(bytes), count));
}

std::string RandomBytes(std::size_t count)
{
    std::mt19937 generator(11);
    std::string bytes(count, '\0');
    for (auto& byte : bytes)
    {
        byte = static_cast<char>(generator());
    }
    return bytes;
}

TEST(Crc32Test, KnownValue)
{
    EXPECT_EQ(Crc32(0, "123456789", 9), 0xCBF43926u);
    EXPECT_EQ(Crc32(0, nullptr, 0), 0u);
}

// The folding path takes 16-byte pieces from any address; every length and
// alignment around its 64- and 16-byte steps must agree with zlib.
TEST(Crc32Test, EqualsZlibForEveryLengthAlignmentAndStart)
{
    const std::string bytes = RandomBytes(70000);
    std::mt19937 generator(3);
    for (std::size_t offset = 0; offset < 16; ++offset)
    {
        for (std::size_t count = 0; count <= 400; ++count)
        {
            const std::uint32_t start = count % 3 == 0 ? 0 : static_cast<std::uint32_t>(generator());
            ASSERT_EQ(Crc32(start, bytes.data() + offset, count), ZlibCrc(start, bytes.data() + offset, count))
                << "offset " << offset << " count " << count;
        }
    }
    EXPECT_EQ(Crc32(0, bytes.data(), bytes.size()), ZlibCrc(0, bytes.data(), bytes.size()));
}

TEST(Crc32Test, ContinuesAcrossPieces)
{
    const std::string bytes = RandomBytes(20000);
    std::uint32_t crc = 0;
    for (std::size_t at = 0; at < bytes.size(); at += 777)
    {
        crc = Crc32(crc, bytes.data() + at, std::min<std::size_t>(777, bytes.size() - at));
    }
    EXPECT_EQ(crc, ZlibCrc(0, bytes.data(), bytes.size()));
}

} // namespace
} // namespace rv
