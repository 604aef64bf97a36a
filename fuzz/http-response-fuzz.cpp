// Feeds arbitrary bytes to the response header and status readers, as a
// server (or anything pretending to be one) may send them.
#include "client/pages/http-response.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    rv::ResponseHead head;
    if (rv::ParseResponseHead(bytes, head) == rv::ParseStatus::Ok)
    {
        if (head.BodyOffset > bytes.size() || head.HeaderLength > head.BodyOffset)
            __builtin_trap();
        rv::FindLocation(bytes.substr(0, head.HeaderLength));
        if (rv::ReserveFor(head.ContentLength) > std::size_t(rv::MaxReservedBodyBytes) + 300)
            __builtin_trap();
    }
    int status = rv::ReadStatus(bytes);
    if (status < 0 || status > 999)
        __builtin_trap();
    return 0;
}
