#include "client/pages/http-response.h"

#include "client/pages/url-parts.h"

#include <algorithm>

namespace rv
{

ParseStatus FindHeaderEnd(std::string_view bytes, ResponseHead& head)
{
    // The header ends at the earliest of "\r\n\r\n", "\n\n" and "\n\r\n".
    // Each has a line feed followed by "\n" or "\r\n", and the first such
    // line feed is where the earliest begins (one byte before it for
    // "\r\n\r\n"): one pass over the lines, not one search per marker.
    const std::string_view window = bytes.substr(0, MaxHeaderBytes);
    for (std::size_t at = window.find('\n'); at != std::string_view::npos; at = window.find('\n', at + 1))
    {
        const std::string_view rest = window.substr(at + 1);
        if (rest.starts_with('\n'))
        {
            head.HeaderLength = at;
            head.BodyOffset = at + 2;
            return ParseStatus::Ok;
        }
        if (rest.starts_with("\r\n"))
        {
            const bool crlf = at > 0 && window[at - 1] == '\r';
            head.HeaderLength = crlf ? at - 1 : at;
            head.BodyOffset = at + 3;
            return ParseStatus::Ok;
        }
    }
    return bytes.size() >= MaxHeaderBytes ? ParseStatus::Bad : ParseStatus::Incomplete;
}

namespace
{

// The position right after `name` in the lower-cased header, or npos.
std::size_t ValueStart(std::string_view lower, std::string_view name)
{
    std::size_t at = lower.find(name);
    if (at == std::string_view::npos)
        return at;
    at += name.size();
    while (at < lower.size() && (lower[at] == ' ' || lower[at] == '\t'))
        ++at;
    return at;
}

// A character set's name as the header declares it, cut at its end (a
// blank, ";", a quote), in lower case; empty when it holds anything but
// letters, digits and "-_.:+" or is longer than any registered name, so that
// it never carries other text into a stored type.
std::string HeaderCharset(std::string_view declared)
{
    // The longest registered character set name has 45 characters.
    constexpr std::size_t MaxCharsetName = 45;
    while (!declared.empty() &&
           (declared.front() == ' ' || declared.front() == '\t' || declared.front() == '"' || declared.front() == '\''))
        declared.remove_prefix(1);
    const std::size_t end = declared.find_first_of(" \t;\"',>/");
    declared = declared.substr(0, end);
    if (declared.empty() || declared.size() > MaxCharsetName)
        return {};
    std::string name;
    for (const char c : declared)
    {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && !(c >= '0' && c <= '9') && c != '-' && c != '_' && c != '.' && c != ':' && c != '+')
            return {};
        name += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return name;
}

std::int64_t ParseLength(std::string_view lower, std::size_t at)
{
    std::int64_t value = 0;
    bool digits = false;
    while (at < lower.size() && lower[at] >= '0' && lower[at] <= '9')
    {
        digits = true;
        // Saturate instead of overflowing; the reserve is capped anyway.
        if (value < (std::int64_t{1} << 50))
            value = value * 10 + (lower[at] - '0');
        ++at;
    }
    if (!digits || value == 0)
        return 1;
    return value;
}

} // namespace

ParseStatus ParseResponseHead(std::string_view bytes, ResponseHead& head)
{
    ParseStatus status = FindHeaderEnd(bytes, head);
    if (status != ParseStatus::Ok)
        return status;
    std::string lower = AsciiLower(bytes.substr(0, head.HeaderLength));
    std::size_t type = ValueStart(lower, "content-type:");
    if (type != std::string::npos)
    {
        std::size_t end = lower.find_first_of(" \r\n\t;", type);
        head.ContentType = lower.substr(type, end == std::string::npos ? std::string::npos : end - type);
        head.HasContentType = true;
        const std::size_t lineEnd = lower.find_first_of("\r\n", type);
        const std::string_view line =
            std::string_view(lower).substr(type, lineEnd == std::string::npos ? std::string::npos : lineEnd - type);
        const std::size_t charset = line.find("charset=");
        if (charset != std::string_view::npos)
            head.Charset = HeaderCharset(line.substr(charset + 8));
    }
    std::size_t length = ValueStart(lower, "content-length:");
    if (length != std::string::npos)
        head.ContentLength = ParseLength(lower, length);
    return ParseStatus::Ok;
}

std::string TypeWithCharset(std::string_view type, std::string_view charset)
{
    if (charset.empty() || !IsTextType(type) || type.find(';') != std::string_view::npos)
        return std::string(type);
    return std::string(type) + "; charset=" + std::string(charset);
}

bool IsTextType(std::string_view contentType)
{
    return contentType.starts_with("text");
}

std::size_t ReserveFor(std::int64_t contentLength)
{
    if (contentLength < 0)
        return 0;
    return std::size_t(std::min<std::int64_t>(contentLength, MaxReservedBodyBytes) + 300);
}

int ReadStatus(std::string_view response)
{
    std::size_t at = std::string_view::npos;
    for (std::size_t i = 0; i + 5 <= response.size(); ++i)
    {
        if ((response[i] | 0x20) == 'h' && StartsWithNoCase(response.substr(i, 5), "http/"))
        {
            at = i + 5;
            break;
        }
    }
    if (at == std::string_view::npos)
        return 404;
    while (at < response.size() && response[at] != ' ' && response[at] != '\r' && response[at] != '\n' && response[at] != '\t')
        ++at;
    while (at < response.size() && (response[at] == ' ' || response[at] == '\t'))
        ++at;
    if (at + 3 > response.size())
        return 404;
    int status = 0;
    for (int i = 0; i < 3; ++i)
    {
        char c = response[at + i];
        if (c < '0' || c > '9')
            return 404;
        status = status * 10 + (c - '0');
    }
    return status;
}

std::string FindLocation(std::string_view header)
{
    std::string lower = AsciiLower(header);
    std::size_t at = lower.find("location");
    while (at != std::string::npos)
    {
        std::size_t colon = at + 8;
        // Only a header line named Location; "Content-Location:" is another header.
        bool lineStart = at == 0 || lower[at - 1] == '\n';
        if (lineStart && colon < lower.size() && lower[colon] == ':')
        {
            std::size_t start = colon;
            while (start < header.size() && (header[start] == ':' || header[start] == ' ' || header[start] == '\t'))
                ++start;
            std::size_t end = header.find_first_of("\r\n", start);
            return std::string(header.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        }
        at = lower.find("location", at + 1);
    }
    return {};
}

} // namespace rv
