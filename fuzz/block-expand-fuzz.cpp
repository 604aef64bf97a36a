// Feeds arbitrary bytes to the block expander, as an archive read from disk
// would. The first byte picks the expansion limit, so that frames claiming
// more than the limit are met often. Expanding onto held bytes must agree
// with the expander and keep what was held.
#include "store/rv-comp.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <zlib.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
    {
        return 0;
    }
    const std::size_t limit = data[0] < 128 ? rv::MaxBlockPlainBytes : std::size_t{data[0]} * 64;
    const std::string_view block(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto expanded = rv::ExpandBlock(block, limit);
    std::string held = "held";
    if (rv::AppendExpandedBlock(block, limit, held) != expanded.has_value() ||
        held != "held" + (expanded ? expanded->bytes : std::string()))
    {
        std::abort();
    }
    if (!expanded)
    {
        return 0;
    }
    const auto& bytes = expanded->bytes;
    const auto crc = crc32_z(0, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size());
    if (bytes.size() > limit || expanded->crc != crc)
    {
        std::abort();
    }
    return 0;
}
