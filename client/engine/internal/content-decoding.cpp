#include "client/engine/internal/content-decoding.h"

#include "client/pages/url-parts.h"

#include <algorithm>
#include <zlib.h>

namespace rv
{

namespace
{

constexpr int GzipOrZlibWindow = 15 + 32; // detects either wrapper
constexpr int ZlibWindow = 15;
constexpr int RawWindow = -15;
constexpr std::size_t OutputStep = 65536;

// The value after "content-encoding:" at a line start, lower case, up to the
// line end or a separator.
std::string CodingName(std::string_view header)
{
    const std::string lower = AsciiLower(header);
    constexpr std::string_view Name = "content-encoding:";
    for (std::size_t at = lower.find(Name); at != std::string::npos; at = lower.find(Name, at + 1))
    {
        if (at != 0 && lower[at - 1] != '\n')
            continue;
        std::size_t start = at + Name.size();
        while (start < lower.size() && (lower[start] == ' ' || lower[start] == '\t'))
            ++start;
        const std::size_t end = lower.find_first_of(" \t\r\n,;", start);
        return lower.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }
    return {};
}

// Inflates one stream after another from `body` while whole streams follow
// each other (gzip members); stops at trailing bytes that start no stream.
DecodeStatus Inflate(std::string_view body, int windowBits, std::size_t limit, std::string& out)
{
    z_stream stream{};
    if (inflateInit2(&stream, windowBits) != Z_OK)
        return DecodeStatus::Damaged;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data()));
    stream.avail_in = uInt(body.size());
    out.clear();
    DecodeStatus status = DecodeStatus::Damaged;
    for (;;)
    {
        const std::size_t done = out.size();
        if (done >= limit)
        {
            status = DecodeStatus::TooLarge;
            break;
        }
        const std::size_t room = std::min(OutputStep, limit - done);
        out.resize(done + room);
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + done);
        stream.avail_out = uInt(room);
        const int result = inflate(&stream, Z_NO_FLUSH);
        out.resize(done + (room - stream.avail_out));
        if (result == Z_STREAM_END)
        {
            const bool anotherMember = stream.avail_in >= 2 && stream.next_in[0] == 0x1f && stream.next_in[1] == 0x8b;
            if (!anotherMember || inflateReset(&stream) != Z_OK)
            {
                status = DecodeStatus::Ok;
                break;
            }
            continue;
        }
        if (result != Z_OK && result != Z_BUF_ERROR)
            break;
        if (result == Z_BUF_ERROR && stream.avail_out != 0)
            break; // the input ended inside the stream
    }
    inflateEnd(&stream);
    return status;
}

} // namespace

ContentCoding CodingOf(std::string_view header)
{
    const std::string name = CodingName(header);
    if (name == "gzip" || name == "x-gzip")
        return ContentCoding::Gzip;
    if (name == "deflate")
        return ContentCoding::Deflate;
    return ContentCoding::Identity;
}

DecodeStatus DecodeBody(ContentCoding coding, std::string_view body, std::size_t limit, std::string& out)
{
    if (body.size() > std::size_t(uInt(-1)))
        return DecodeStatus::TooLarge;
    switch (coding)
    {
    case ContentCoding::Identity:
        out.assign(body);
        return DecodeStatus::Ok;
    case ContentCoding::Gzip:
        return Inflate(body, GzipOrZlibWindow, limit, out);
    case ContentCoding::Deflate:
    {
        const DecodeStatus wrapped = Inflate(body, ZlibWindow, limit, out);
        return wrapped == DecodeStatus::Damaged ? Inflate(body, RawWindow, limit, out) : wrapped;
    }
    }
    return DecodeStatus::Damaged;
}

} // namespace rv
