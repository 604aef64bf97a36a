#include "client/briefs/scrambled-text.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace rv
{
namespace
{

TEST(ScrambledText, Base64MatchesTheStandardVectors)
{
    const std::pair<std::string, std::string> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {std::string("\xff\xfe\x00", 3), "//4A"},
    };
    for (const auto& [plain, encoded] : vectors)
    {
        EXPECT_EQ(Base64Encode(plain), encoded) << "plain " << plain;
        EXPECT_EQ(Base64Decode(encoded), plain) << "encoded " << encoded;
    }
}

TEST(ScrambledText, OneCharacterIsOneQuantumXoredWithTheKey)
{
    // "a" is "YQ==" in Base64; each byte is then XORed with 3F 71 2A 5C.
    EXPECT_EQ(ScrambleText("a"), std::string("\x66\x20\x17\x61", 4));
    EXPECT_EQ(UnscrambleText(std::string("\x66\x20\x17\x61", 4)), "a");
}

TEST(ScrambledText, KeyStartsAgainAfterTenBytes)
{
    const std::string scrambled = ScrambleText("twelve bytes");
    const std::string base64 = Base64Encode("twelve bytes");
    ASSERT_EQ(scrambled.size(), 16u);
    for (std::size_t i = 0; i < base64.size(); ++i)
    {
        EXPECT_EQ(std::uint8_t(scrambled[i]), std::uint8_t(base64[i]) ^ ScrambleKey[i % 10]) << "byte " << i;
    }
}

TEST(ScrambledText, EveryByteValueRoundTrips)
{
    std::string all;
    for (int i = 0; i < 256; ++i)
    {
        all += char(i);
    }
    for (std::size_t length = 0; length <= all.size(); length += 37)
    {
        const std::string plain = all.substr(0, length);
        EXPECT_EQ(UnscrambleText(ScrambleText(plain)), plain) << "length " << length;
    }
    EXPECT_EQ(ScrambleText(""), "");
    EXPECT_EQ(UnscrambleText(""), "");
}

TEST(ScrambledText, DamagedInputDecodesWithoutFailing)
{
    EXPECT_EQ(Base64Decode("Zm9v!!YmFy"), "foobar");
    EXPECT_EQ(Base64Decode("Zm9vY"), "foo");
    EXPECT_EQ(Base64Decode("Zm=9v"), "f");
    EXPECT_EQ(UnscrambleText(std::string(7, '\0')).size() <= 5u, true);
}

TEST(ScrambledText, PlainLimitKeepsTheScrambledFormWithinTheLimit)
{
    const std::size_t limit = 65535;
    const std::size_t plain = MaxPlainLengthForScrambled(limit);
    EXPECT_LE(ScrambleText(std::string(plain, 'x')).size(), limit);
    EXPECT_GT(ScrambleText(std::string(plain + 1, 'x')).size(), limit);
}

} // namespace
} // namespace rv
