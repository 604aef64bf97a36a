#include "client/briefs/scrambled-text.h"

namespace rv
{

namespace
{

constexpr std::string_view Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Value of a Base64 character, or -1 for a byte outside the alphabet.
int SextetOf(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
    {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z')
    {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9')
    {
        return c - '0' + 52;
    }
    if (c == '+')
    {
        return 62;
    }
    if (c == '/')
    {
        return 63;
    }
    return -1;
}

} // namespace

std::string Base64Encode(std::string_view bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3)
    {
        const std::uint32_t group = (std::uint32_t(std::uint8_t(bytes[i])) << 16) |
                                    (std::uint32_t(std::uint8_t(bytes[i + 1])) << 8) | std::uint8_t(bytes[i + 2]);
        out += Alphabet[(group >> 18) & 63];
        out += Alphabet[(group >> 12) & 63];
        out += Alphabet[(group >> 6) & 63];
        out += Alphabet[group & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0)
    {
        std::uint32_t group = std::uint32_t(std::uint8_t(bytes[i])) << 16;
        if (rest == 2)
        {
            group |= std::uint32_t(std::uint8_t(bytes[i + 1])) << 8;
        }
        out += Alphabet[(group >> 18) & 63];
        out += Alphabet[(group >> 12) & 63];
        out += rest == 2 ? Alphabet[(group >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string Base64Decode(std::string_view text)
{
    std::string out;
    out.reserve(text.size() / 4 * 3 + 3);
    std::uint32_t group = 0;
    int sextets = 0;
    for (const char c : text)
    {
        if (c == '=')
        {
            break;
        }
        const int value = SextetOf(static_cast<unsigned char>(c));
        if (value < 0)
        {
            continue;
        }
        group = (group << 6) | std::uint32_t(value);
        if (++sextets == 4)
        {
            out += char((group >> 16) & 0xFF);
            out += char((group >> 8) & 0xFF);
            out += char(group & 0xFF);
            group = 0;
            sextets = 0;
        }
    }
    // Two sextets carry one whole byte, three carry two; one carries none.
    if (sextets == 2)
    {
        out += char((group >> 4) & 0xFF);
    }
    else if (sextets == 3)
    {
        out += char((group >> 10) & 0xFF);
        out += char((group >> 2) & 0xFF);
    }
    return out;
}

std::string XorWithScrambleKey(std::string_view bytes)
{
    std::string out(bytes);
    for (std::size_t i = 0; i < out.size(); ++i)
    {
        out[i] = char(std::uint8_t(out[i]) ^ ScrambleKey[i % ScrambleKey.size()]);
    }
    return out;
}

std::string ScrambleText(std::string_view plain)
{
    return XorWithScrambleKey(Base64Encode(plain));
}

std::string UnscrambleText(std::string_view scrambled)
{
    return Base64Decode(XorWithScrambleKey(scrambled));
}

std::size_t MaxPlainLengthForScrambled(std::size_t limit)
{
    return limit / 4 * 3;
}

} // namespace rv
