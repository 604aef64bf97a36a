#include "store/site-map-record.h"

#include <limits>

namespace rv
{

namespace
{

void AppendItem(std::string& out, std::string_view bytes)
{
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max())
    {
        throw SiteMapError("a site-map text is too long to be stored");
    }
    const auto length = static_cast<std::uint32_t>(bytes.size());
    for (int shift = 0; shift < 32; shift += 8)
    {
        out.push_back(static_cast<char>((length >> shift) & 0xFF));
    }
    out.append(bytes);
}

// Reads a 32-bit little-endian length; false when fewer than four bytes are left.
bool ReadLength(std::istream& in, std::uint64_t& left, std::uint32_t& length)
{
    if (left < SiteMapLengthBytes)
    {
        return false;
    }
    unsigned char bytes[SiteMapLengthBytes];
    if (!in.read(reinterpret_cast<char*>(bytes), SiteMapLengthBytes))
    {
        throw SiteMapError("cannot read the site-map file");
    }
    left -= SiteMapLengthBytes;
    length = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
             static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return true;
}

// Reads one item's length and bytes; false when the item does not fit in what is left.
bool ReadItem(std::istream& in, std::uint64_t& left, std::string& text)
{
    std::uint32_t length = 0;
    if (!ReadLength(in, left, length) || length > left)
    {
        return false;
    }
    text.resize(length);
    if (length > 0 && !in.read(text.data(), length))
    {
        throw SiteMapError("cannot read the site-map file");
    }
    left -= length;
    return true;
}

} // namespace

std::string EncodeSiteMapRecord(std::string_view group, std::string_view title, std::string_view url, std::string_view fragment,
                                std::uint8_t kind, std::string_view note)
{
    std::string out;
    out.reserve(MinSiteMapRecordBytes + group.size() + title.size() + url.size() + fragment.size() + note.size());
    AppendItem(out, group);
    AppendItem(out, title);
    AppendItem(out, url);
    AppendItem(out, fragment);
    const char kindByte = static_cast<char>(kind);
    AppendItem(out, std::string_view(&kindByte, 1));
    AppendItem(out, note);
    return out;
}

std::string EncodeSiteMapRecord(const SiteMapRecord& record)
{
    return EncodeSiteMapRecord(record.Group, record.Title, record.Url, record.Fragment, record.Kind, record.Note);
}

SiteMapReadStatus ReadSiteMapRecord(std::istream& in, std::uint64_t available, SiteMapRecord& record, std::uint64_t& used)
{
    if (available == 0)
    {
        return SiteMapReadStatus::End;
    }
    std::uint64_t left = available;
    if (!ReadItem(in, left, record.Group) || !ReadItem(in, left, record.Title) || !ReadItem(in, left, record.Url) ||
        !ReadItem(in, left, record.Fragment))
    {
        return SiteMapReadStatus::Truncated;
    }
    // Kind is one byte; checking its length first keeps a corrupt length from
    // being taken as a text length.
    std::uint32_t kindLength = 0;
    if (!ReadLength(in, left, kindLength))
    {
        return SiteMapReadStatus::Truncated;
    }
    if (kindLength != 1)
    {
        return SiteMapReadStatus::Malformed;
    }
    char kindByte = 0;
    if (left < 1)
    {
        return SiteMapReadStatus::Truncated;
    }
    if (!in.read(&kindByte, 1))
    {
        throw SiteMapError("cannot read the site-map file");
    }
    left -= 1;
    record.Kind = static_cast<std::uint8_t>(kindByte);
    if (!ReadItem(in, left, record.Note))
    {
        return SiteMapReadStatus::Truncated;
    }
    used = available - left;
    return SiteMapReadStatus::Record;
}

} // namespace rv
