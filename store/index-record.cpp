#include "store/index-record.h"

#include <algorithm>
#include <iterator>
#include <limits>

namespace rv
{

namespace
{

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
    {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

void PutText(std::string& out, std::string_view text)
{
    text = text.substr(0, std::numeric_limits<std::uint16_t>::max());
    PutLittleEndian(out, static_cast<std::uint32_t>(text.size()), 2);
    out.append(text);
}

// Reads the fields of one record in turn; any read past the end marks the
// record incomplete and every later read yields nothing.
class FieldReader
{
public:
    FieldReader(std::string_view bytes, std::size_t pos) : bytes_(bytes), pos_(pos) {}

    std::uint32_t Number(int size)
    {
        if (!Has(static_cast<std::size_t>(size)))
        {
            return 0;
        }
        std::uint32_t value = 0;
        for (int i = 0; i < size; ++i)
        {
            value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes_[pos_ + i])) << (8 * i);
        }
        pos_ += static_cast<std::size_t>(size);
        return value;
    }

    std::string Text()
    {
        const std::size_t length = Number(2);
        if (!Has(length))
        {
            return {};
        }
        std::string text(bytes_.substr(pos_, length));
        pos_ += length;
        return text;
    }

    bool Complete() const { return complete_; }
    std::size_t Position() const { return pos_; }

private:
    bool Has(std::size_t count)
    {
        complete_ = complete_ && count <= bytes_.size() - std::min(pos_, bytes_.size());
        return complete_;
    }

    std::string_view bytes_;
    std::size_t pos_;
    bool complete_ = true;
};

} // namespace

std::string BodyNotes(bool cut, bool notDecoded)
{
    std::string notes(cut ? BodyCutNote : std::string_view());
    if (notDecoded)
        notes += (cut ? " " : "") + std::string(BodyNotDecodedNote);
    return notes;
}

void BoundRecordTexts(IndexRecord& record)
{
    auto cut = [](std::string& text, std::size_t limit)
    {
        if (text.size() > limit)
        {
            text.resize(limit);
        }
    };
    cut(record.Key, MaxKeyBytes);
    cut(record.Caption, MaxCaptionBytes);
    cut(record.ContentType, MaxContentTypeBytes);
    cut(record.Extra1, MaxExtraBytes);
    cut(record.Stamp, MaxStampBytes);
}

void EncodeIndexRecord(const IndexRecord& record, std::string& out, bool withValue)
{
    PutText(out, record.Key);
    PutLittleEndian(out, static_cast<std::uint32_t>(record.Offset), 4);
    PutLittleEndian(out, static_cast<std::uint32_t>(record.Length), 4);
    PutText(out, record.ContentType);
    PutLittleEndian(out, static_cast<std::uint16_t>(record.Number), 2);
    PutLittleEndian(out, record.Flags, 1);
    PutText(out, record.Extra1);
    PutText(out, record.Stamp);
    PutText(out, record.Caption);
    PutLittleEndian(out, static_cast<std::uint32_t>(record.HeadOffset), 4);
    PutLittleEndian(out, static_cast<std::uint32_t>(record.HeadLength), 4);
    if (withValue)
    {
        PutLittleEndian(out, static_cast<std::uint32_t>(record.Value), 4);
    }
}

std::optional<IndexRecord> DecodeIndexRecord(std::string_view bytes, std::size_t& pos, bool withValue)
{
    FieldReader in(bytes, pos);
    IndexRecord record;
    record.Key = in.Text();
    record.Offset = static_cast<std::int32_t>(in.Number(4));
    record.Length = static_cast<std::int32_t>(in.Number(4));
    record.ContentType = in.Text();
    record.Number = static_cast<std::int16_t>(in.Number(2));
    record.Flags = static_cast<std::uint8_t>(in.Number(1));
    record.Extra1 = in.Text();
    record.Stamp = in.Text();
    record.Caption = in.Text();
    record.HeadOffset = static_cast<std::int32_t>(in.Number(4));
    record.HeadLength = static_cast<std::int32_t>(in.Number(4));
    record.Value = withValue ? static_cast<std::int32_t>(in.Number(4)) : 0;
    if (!in.Complete())
    {
        return std::nullopt;
    }
    pos = in.Position();
    return record;
}

std::string CleanIndexKey(std::string_view key)
{
    std::string clean;
    clean.reserve(key.size());
    for (std::size_t i = 0; i < key.size(); ++i)
    {
        const char c = key[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
        {
            break;
        }
        if (c == '\\' && i + 1 < key.size() && key[i + 1] == '"')
        {
            continue;
        }
        clean.push_back(c);
    }
    return clean;
}

std::string StripUrlControls(std::string_view url)
{
    std::string stripped;
    stripped.reserve(url.size());
    std::copy_if(url.begin(), url.end(), std::back_inserter(stripped),
                 [](char c) { return c != '\r' && c != '\n' && c != '\t'; });
    return stripped;
}

} // namespace rv
