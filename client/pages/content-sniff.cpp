#include "client/pages/content-sniff.h"

#include <array>

namespace rv
{
namespace
{

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view lower)
{
    if (a.size() != lower.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != lower[i])
            return false;
    return true;
}

// The type without parameters and white space.
std::string_view Essence(std::string_view type)
{
    type = type.substr(0, type.find(';'));
    while (!type.empty() && (type.back() == ' ' || type.back() == '\t'))
        type.remove_suffix(1);
    while (!type.empty() && (type.front() == ' ' || type.front() == '\t'))
        type.remove_prefix(1);
    return type;
}

struct Signature
{
    std::size_t Offset;
    std::string_view Bytes;
    std::string_view Type;
};

constexpr std::array<Signature, 17> Signatures = {{
    {0, "GIF87a", "image/gif"},
    {0, "GIF89a", "image/gif"},
    {0, "\x89PNG\r\n\x1A\n", "image/png"},
    {0, "\xFF\xD8\xFF", "image/jpeg"},
    {8, "WEBP", "image/webp"},
    {4, "ftypavif", "image/avif"},
    {0, std::string_view("\0\0\1\0", 4), "image/x-icon"},
    {0, "wOFF", "font/woff"},
    {0, "wOF2", "font/woff2"},
    {0, std::string_view("\0\1\0\0", 4), "font/ttf"},
    {0, "OTTO", "font/otf"},
    {4, "ftyp", "video/mp4"},
    {0, "\x1A\x45\xDF\xA3", "video/webm"},
    {0, "OggS", "audio/ogg"},
    {0, "ID3", "audio/mpeg"},
    {0, "fLaC", "audio/flac"},
    {8, "WAVE", "audio/wav"},
}};

struct Extension
{
    std::string_view Name;
    std::string_view Type;
};

constexpr std::array<Extension, 20> Extensions = {{
    {"css", "text/css"},     {"svg", "image/svg+xml"}, {"png", "image/png"},   {"gif", "image/gif"},    {"jpg", "image/jpeg"},
    {"jpeg", "image/jpeg"},  {"webp", "image/webp"},   {"avif", "image/avif"}, {"ico", "image/x-icon"}, {"woff", "font/woff"},
    {"woff2", "font/woff2"}, {"ttf", "font/ttf"},      {"otf", "font/otf"},    {"mp4", "video/mp4"},    {"webm", "video/webm"},
    {"mp3", "audio/mpeg"},   {"ogg", "audio/ogg"},     {"oga", "audio/ogg"},   {"wav", "audio/wav"},    {"vtt", "text/vtt"},
}};

bool LooksLikeSvg(std::string_view head)
{
    std::size_t at = head.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (at < head.size() && (head[at] == ' ' || head[at] == '\t' || head[at] == '\r' || head[at] == '\n'))
        ++at;
    head.remove_prefix(at);
    if (head.starts_with("<svg"))
        return true;
    return (head.starts_with("<?xml") || head.starts_with("<!--") || head.starts_with("<!DOCTYPE svg")) &&
           head.find("<svg") != std::string_view::npos;
}

} // namespace

bool IsGenericType(std::string_view type)
{
    const std::string_view essence = Essence(type);
    return essence.empty() || EqualsNoCase(essence, "text/plain") || EqualsNoCase(essence, "application/octet-stream");
}

std::string StoredContentType(std::string_view given, std::string_view address, std::string_view head)
{
    if (!IsGenericType(given))
        return std::string(given);
    head = head.substr(0, SniffBytes);
    for (const Signature& signature : Signatures)
        if (head.size() >= signature.Offset + signature.Bytes.size() &&
            head.substr(signature.Offset, signature.Bytes.size()) == signature.Bytes)
            return std::string(signature.Type);
    if (LooksLikeSvg(head))
        return "image/svg+xml";
    const std::string_view path = address.substr(0, address.find_first_of("?#"));
    const std::size_t dot = path.rfind('.');
    if (dot != std::string_view::npos && path.find('/', dot) == std::string_view::npos)
        for (const Extension& extension : Extensions)
            if (EqualsNoCase(path.substr(dot + 1), extension.Name))
                return std::string(extension.Type);
    return std::string(given);
}

} // namespace rv
