#include "client/pages/working-copy.h"

#include "store/ascii-text.h"

#include <array>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rv
{
namespace
{

constexpr std::array<char, 256> MakeMarkTable()
{
    std::array<char, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[static_cast<std::size_t>(i)] = static_cast<char>(i);
    table['<'] = kTagOpen;
    table['>'] = kTagClose;
    table[static_cast<unsigned char>(kTagOpen)] = '\x03';
    table[static_cast<unsigned char>(kTagClose)] = '\x03';
    return table;
}

constexpr std::array<char, 256> MarkTable = MakeMarkTable();

} // namespace

void MakeWorkingCopy(std::string_view body, std::string& copy)
{
    copy.resize(body.size());
    const auto* in = reinterpret_cast<const unsigned char*>(body.data());
    char* out = copy.data();
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time; the three kinds of replaced bytes exclude
    // each other, so their replacements are simply combined.
    const __m128i open = _mm_set1_epi8('<');
    const __m128i close = _mm_set1_epi8('>');
    const __m128i tagOpen = _mm_set1_epi8(kTagOpen);
    const __m128i tagClose = _mm_set1_epi8(kTagClose);
    const __m128i disarmed = _mm_set1_epi8('\x03');
    for (; i + 16 <= body.size(); i += 16)
    {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i isOpen = _mm_cmpeq_epi8(bytes, open);
        const __m128i isClose = _mm_cmpeq_epi8(bytes, close);
        const __m128i isMark = _mm_or_si128(_mm_cmpeq_epi8(bytes, tagOpen), _mm_cmpeq_epi8(bytes, tagClose));
        const __m128i replaced = _mm_or_si128(_mm_or_si128(isOpen, isClose), isMark);
        const __m128i by = _mm_or_si128(_mm_or_si128(_mm_and_si128(isOpen, tagOpen), _mm_and_si128(isClose, tagClose)),
                                        _mm_and_si128(isMark, disarmed));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_or_si128(_mm_andnot_si128(replaced, bytes), by));
    }
#endif
    for (; i < body.size(); ++i)
        out[i] = MarkTable[in[i]];
}

bool TagNameIs(std::string_view copy, std::size_t at, std::string_view name)
{
    const bool prefix = !name.empty() && name.back() == '*';
    if (prefix)
        name.remove_suffix(1);
    const std::size_t start = at + 1;
    if (start + name.size() > copy.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (LowerAscii(copy[start + i]) != name[i])
            return false;
    if (prefix)
        return true;
    const std::size_t after = start + name.size();
    return after >= copy.size() || IsHtmlSpace(copy[after]) || copy[after] == kTagClose;
}

std::ptrdiff_t FindTag(std::string_view copy, std::size_t from, std::string_view name)
{
    while (from < copy.size())
    {
        const void* hit = std::memchr(copy.data() + from, kTagOpen, copy.size() - from);
        if (!hit)
            return kNoTag;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - copy.data());
        if (TagNameIs(copy, at, name))
            return static_cast<std::ptrdiff_t>(at);
        from = at + 1;
    }
    return kNoTag;
}

std::ptrdiff_t TagEnd(std::string_view copy, std::size_t at)
{
    if (at >= copy.size())
        return kNoTag;
    const void* hit = std::memchr(copy.data() + at, kTagClose, copy.size() - at);
    return hit ? static_cast<const char*>(hit) - copy.data() : kNoTag;
}

} // namespace rv
