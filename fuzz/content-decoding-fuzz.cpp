// Feeds arbitrary bytes to the body decoder as a compressed body; the first
// byte picks the coding. Checks that nothing crashes and that the expanded
// body never exceeds the limit it was given.
#include "client/engine/internal/content-decoding.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    constexpr std::size_t Limit = 1 << 20;
    const auto coding = data[0] & 1 ? rv::ContentCoding::Deflate : rv::ContentCoding::Gzip;
    const std::string_view body(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string out;
    if (rv::DecodeBody(coding, body, Limit, out) == rv::DecodeStatus::Ok && out.size() > Limit)
        __builtin_trap();
    // The header reader on the same bytes, as a header.
    (void)rv::CodingOf(body);
    return 0;
}
