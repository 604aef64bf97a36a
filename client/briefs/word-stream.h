// Little-endian 16-bit words and byte runs, for the brief file and the
// catalogue. The reader never reads past its bytes: every call reports
// whether the whole value was there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace rv
{

class WordWriter
{
public:
    void Word(std::uint16_t value)
    {
        bytes_ += char(value & 0xFF);
        bytes_ += char(value >> 8);
    }
    // A 32-bit value keeps its low 16 bits.
    void LowWord(std::int32_t value) { Word(static_cast<std::uint16_t>(value & 0xFFFF)); }
    void Bytes(std::string_view bytes) { bytes_.append(bytes); }
    // A text preceded by its length word, cut to what a word can count.
    void Text(std::string_view text)
    {
        const std::string_view kept = text.substr(0, 0xFFFF);
        Word(static_cast<std::uint16_t>(kept.size()));
        Bytes(kept);
    }

    const std::string& Result() const { return bytes_; }
    std::string Take() { return std::move(bytes_); }

private:
    std::string bytes_;
};

class WordReader
{
public:
    explicit WordReader(std::string_view bytes) : bytes_(bytes) {}

    bool AtEnd() const { return position_ >= bytes_.size(); }
    std::size_t Remaining() const { return bytes_.size() - position_; }

    bool Word(std::uint16_t& value)
    {
        if (Remaining() < 2)
        {
            return false;
        }
        value = static_cast<std::uint16_t>(std::uint8_t(bytes_[position_]) | (std::uint8_t(bytes_[position_ + 1]) << 8));
        position_ += 2;
        return true;
    }
    bool Bytes(std::size_t count, std::string_view& out)
    {
        if (Remaining() < count)
        {
            return false;
        }
        out = bytes_.substr(position_, count);
        position_ += count;
        return true;
    }
    // A text preceded by its length word.
    bool Text(std::string& out)
    {
        std::uint16_t length = 0;
        std::string_view text;
        if (!Word(length) || !Bytes(length, text))
        {
            return false;
        }
        out.assign(text);
        return true;
    }

private:
    std::string_view bytes_;
    std::size_t position_ = 0;
};

// A stored word read back as a signed 32-bit value.
inline std::int32_t SignExtend(std::uint16_t word)
{
    return static_cast<std::int16_t>(word);
}

} // namespace rv
