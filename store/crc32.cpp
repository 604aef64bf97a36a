#include "store/crc32.h"

#include <zlib.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace rv
{

namespace
{

#if defined(__x86_64__)

__attribute__((target("sse2"))) inline __m128i Load(const unsigned char* at)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// Moves value 128 or 512 bits ahead (by the keys) and adds the next bytes.
__attribute__((target("pclmul,sse4.1"))) inline __m128i Fold(__m128i value, __m128i keys, __m128i next)
{
    const __m128i low = _mm_clmulepi64_si128(value, keys, 0x00);
    const __m128i high = _mm_clmulepi64_si128(value, keys, 0x11);
    return _mm_xor_si128(_mm_xor_si128(high, low), next);
}

// Folds 64 bytes at a time with carry-less multiplication, then reduces to
// 32 bits (Gopal et al., "Fast CRC Computation for Generic Polynomials Using
// PCLMULQDQ", constants for the bit-reflected CRC-32). count is a multiple of
// 16 and at least 64; crc is the bit-inverted running value.
__attribute__((target("pclmul,sse4.1"))) std::uint32_t FoldCrc32(std::uint32_t crc, const unsigned char* bytes,
                                                                 std::size_t count)
{
    const __m128i k1k2 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
    const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
    const __m128i k5k0 = _mm_set_epi64x(0, 0x0163cd6124);
    const __m128i poly = _mm_set_epi64x(0x01f7011641, 0x01db710641);
    __m128i x1 = _mm_xor_si128(Load(bytes), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = Load(bytes + 16);
    __m128i x3 = Load(bytes + 32);
    __m128i x4 = Load(bytes + 48);
    bytes += 64;
    count -= 64;
    for (; count >= 64; bytes += 64, count -= 64)
    {
        x1 = Fold(x1, k1k2, Load(bytes));
        x2 = Fold(x2, k1k2, Load(bytes + 16));
        x3 = Fold(x3, k1k2, Load(bytes + 32));
        x4 = Fold(x4, k1k2, Load(bytes + 48));
    }
    x1 = Fold(x1, k3k4, x2);
    x1 = Fold(x1, k3k4, x3);
    x1 = Fold(x1, k3k4, x4);
    for (; count >= 16; bytes += 16, count -= 16)
    {
        x1 = Fold(x1, k3k4, Load(bytes));
    }

    // 128 bits to 64, then Barrett reduction to 32.
    const __m128i mask = _mm_setr_epi32(~0, 0, ~0, 0);
    x2 = _mm_clmulepi64_si128(x1, k3k4, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2);
    x2 = _mm_srli_si128(x1, 4);
    x1 = _mm_and_si128(x1, mask);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(x1, k5k0, 0x00), x2);
    x2 = _mm_and_si128(x1, mask);
    x2 = _mm_clmulepi64_si128(x2, poly, 0x10);
    x2 = _mm_and_si128(x2, mask);
    x2 = _mm_clmulepi64_si128(x2, poly, 0x00);
    x1 = _mm_xor_si128(x1, x2);
    return static_cast<std::uint32_t>(_mm_extract_epi32(x1, 1));
}

bool HasCarrylessMultiply()
{
    static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return has;
}

#endif

} // namespace

std::uint32_t Crc32(std::uint32_t crc, const void* bytes, std::size_t count)
{
    const auto* at = static_cast<const unsigned char*>(bytes);
#if defined(__x86_64__)
    if (count >= 64 && HasCarrylessMultiply())
    {
        const std::size_t folded = count & ~std::size_t{15};
        crc = ~FoldCrc32(~crc, at, folded);
        at += folded;
        count -= folded;
    }
#endif
    return static_cast<std::uint32_t>(crc32_z(crc, at, count));
}

} // namespace rv
